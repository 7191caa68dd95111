#include "html/html_parser.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "base/short_string.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "html/entities.h"

namespace korvane {
namespace {

// Names of tag types 0 to 20, compared with the upper-cased first word of a tag.
constexpr std::array<std::string_view, 21> kTagNames = {
    "A",  "BASE", "BODY", "HTML", "IMG", "TITLE", "AREA", "FRAME", "FORM", "KORVANE", "!",
    "DD", "DL",   "DT",   "H1",   "H2",  "H3",    "H4",   "H5",    "H6",   "INPUT"};
constexpr std::size_t kLongestTagName = 7;
// The tags a parser for page requisites knows besides, from type 22 on.
constexpr std::array<std::string_view, 11> kRequisiteTagNames = {
    "LINK",  "SCRIPT", "IFRAME", "SOURCE", "VIDEO", "AUDIO",
    "TRACK", "OBJECT", "EMBED",  "META",   "STYLE"};

const TTag kEndItem{kBoundary, ttUnknown, -1, 0};

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }
bool EndsTagName(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool ContainsNoCase(std::string_view text, std::string_view upper_word) {
  if (upper_word.size() > text.size()) return false;
  for (std::size_t i = 0; i + upper_word.size() <= text.size(); ++i) {
    if (SameAsciiNoCase(text.substr(i, upper_word.size()), upper_word)) return true;
  }
  return false;
}

// Removes characters with codes up to 32 at both ends.
std::string Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return std::string(s);
}

// A tag name of up to 7 letters as one number (its length in the top byte): classifying a tag
// compares numbers, not strings, which matters at the rate tags come.
constexpr std::uint64_t NameKey(std::string_view name) {
  std::uint64_t key = static_cast<std::uint64_t>(name.size()) << 56;
  for (std::size_t i = 0; i < name.size(); ++i) {
    key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  }
  return key;
}

// Both tables in one open-addressing hash of the keys, built by the compiler: a tag's type is
// found in one or two probes, where a walk through 32 names took 32 for every unknown tag.
struct TNameSlot {
  std::uint64_t Key = 0;  // 0: empty (a real key holds its length)
  std::uint8_t Type = ttUnknown;
  bool Requisite = false;  // known only to a parser for requisites
};
constexpr std::size_t kNameSlots = 64;
constexpr std::size_t SlotOf(std::uint64_t key) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 58);
}

constexpr std::array<TNameSlot, kNameSlots> BuildNameTable() {
  std::array<TNameSlot, kNameSlots> table{};
  auto insert = [&table](std::string_view name, std::size_t type, bool requisite) {
    const std::uint64_t key = NameKey(name);
    std::size_t s = SlotOf(key);
    while (table[s].Key != 0) s = (s + 1) % kNameSlots;
    table[s] = TNameSlot{key, static_cast<std::uint8_t>(type), requisite};
  };
  for (std::size_t code = 0; code < kTagNames.size(); ++code) insert(kTagNames[code], code, false);
  for (std::size_t k = 0; k < kRequisiteTagNames.size(); ++k) {
    insert(kRequisiteTagNames[k], ttLink + k, true);
  }
  return table;
}
constexpr auto kNameTable = BuildNameTable();
static_assert(kTagNames.size() + kRequisiteTagNames.size() <= kNameSlots / 2);

// Classifies the text between '<' and '>' (or the '<' that cut the tag off).
void Classify(std::string_view t, bool requisites, std::uint8_t& kind, std::uint8_t& type) {
  if (!t.empty() && t.front() == '!') {
    kind = kStartTag;
    type = ttComment;
    return;
  }
  kind = kStartTag;
  if (!t.empty() && t.front() == '/') {
    kind = kEndTag;
    t.remove_prefix(1);
  }
  type = ttUnknown;
  // A name matches when the tag's text equals it or continues with a blank after it.
  std::size_t n = 0;
  while (n < t.size() && n <= kLongestTagName && !EndsTagName(t[n])) ++n;
  if (n == 0 || n > kLongestTagName) return;
  char upper[kLongestTagName];
  for (std::size_t i = 0; i < n; ++i) upper[i] = AsciiUpper(t[i]);
  const std::uint64_t key = NameKey(std::string_view(upper, n));
  for (std::size_t slot = SlotOf(key); kNameTable[slot].Key != 0; slot = (slot + 1) % kNameSlots) {
    if (kNameTable[slot].Key == key) {
      if (!kNameTable[slot].Requisite || requisites) type = kNameTable[slot].Type;
      return;
    }
  }
}

// Where a long tag starting at `token` ends (its '>', or the '<' that cuts it short) when it holds
// an OLDREF attribute; the end of the page otherwise.
std::size_t LongRewrittenTagEnd(std::string_view page, std::size_t token) {
  const std::size_t end = page.find_first_of("<>", token + 1);
  if (end == std::string_view::npos) return page.size();
  return ContainsNoCase(page.substr(token, end - token), "OLDREF=\"") ? end : page.size();
}

}  // namespace

THtmlParser::THtmlParser(std::string_view page, TParseOptions options)
    : page_(page.substr(0, static_cast<std::size_t>(INT32_MAX))), options_(options) {
  Parse();
}

void THtmlParser::AddItem(std::uint8_t kind, std::uint8_t type, std::size_t start,
                          std::size_t end) {
  items_.push_back(
      TTag{kind, type, static_cast<std::int32_t>(start), static_cast<std::int32_t>(end - start)});
}

void THtmlParser::AddTag(std::size_t start, std::size_t end) {
  std::size_t text_end = (end > start + 1 && page_[end - 1] == '>') ? end - 1 : end;
  std::uint8_t kind = kStartTag;
  std::uint8_t type = ttUnknown;
  Classify(page_.substr(start + 1, text_end - start - 1), options_.Requisites, kind, type);
  AddItem(kind, type, start, end);
}

// One pass over the page with five states: after a tag, in text, in a tag, in a declaration
// ("<!" not followed by "-") and in a comment ("<!-").
void THtmlParser::Parse() {
  enum State { kAfterTag, kInText, kInTag, kInDeclaration, kInComment };
  items_.clear();
  next_end_anchor_.clear();
  next_text_source_.clear();
  next_ismap_image_.clear();
  const char* d = page_.data();
  const std::size_t n = page_.size();
  // Every item but the two boundaries starts at a '<': counting them first gives the list its
  // size at once, where growing it would copy it again and again and hold it twice meanwhile.
  std::size_t opening = 0;
  for (const char* at = d; (at = static_cast<const char*>(std::memchr(at, '<', d + n - at)));
       ++at) {
    ++opening;
  }
  items_.reserve(opening + 2);
  AddItem(kBoundary, ttUnknown, 0, 0);

  // The original tokenizer gives up on a tag of 255 characters without '>'; today's pages have
  // tags of any length.
  const std::size_t longest_tag = options_.Requisites ? n + 1 : kShortStringMax;
  auto find = [&](char c, std::size_t from) -> std::size_t {
    const void* hit = from < n ? std::memchr(d + from, c, n - from) : nullptr;
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - d) : n;
  };

  // The scanner's state stays in locals written out in each case: a shared helper taking them by
  // reference kept them out of registers and slowed the scan by a quarter.
  State state = kAfterTag;
  std::size_t p = 0;
  std::size_t token = 0;  // start of the pending token
  while (p < n) {
    switch (state) {
      case kAfterTag:
        token = p;
        state = d[p] == '<' ? kInTag : kInText;
        ++p;
        break;

      case kInText: {
        std::size_t lt = find('<', p);
        if (lt == n) {
          p = n;
          break;
        }
        items_.back().Kind |= kTextFollows;
        token = lt;
        state = kInTag;
        p = lt + 1;
        break;
      }

      case kInTag: {
        char c = d[p];
        if (c == '>') {
          AddTag(token, p + 1);
          state = kAfterTag;
          token = ++p;
        } else if (c == '<') {
          // The tag in progress is cut off; a new one starts here.
          AddTag(token, p);
          token = p++;
        } else if (p - token >= longest_tag) {
          // 255 characters without '>': not a tag; its bytes become text. Unless it is a tag the
          // program itself rewrote (it holds OLDREF): those are never cut, and read back as text
          // they would lose what the rewrite put after them (an inserted map) at the next one.
          const std::size_t end = LongRewrittenTagEnd(page_, token);
          if (end != n) {
            p = end;
          } else {
            state = kInText;
            ++p;
          }
        } else {
          if (c == '!' && p == token + 1) state = kInDeclaration;
          ++p;
        }
        break;
      }

      case kInDeclaration: {
        if (p == token + 2 && d[p] == '-') {
          state = kInComment;
          ++p;
          break;
        }
        std::size_t gt = find('>', p);
        if (gt == n) {
          p = n;
          break;
        }
        AddItem(kStartTag, ttComment, token, gt + 1);
        state = kAfterTag;
        token = p = gt + 1;
        break;
      }

      case kInComment: {
        // "<!--" ends at "-->" (its own dashes may close it, so "<!-->" is empty); "<!-" alone
        // ends at the first '>'.
        bool full_comment = token + 3 < n && d[token + 3] == '-';
        std::size_t gt = find('>', full_comment ? std::max(p, token + 4) : p);
        while (full_comment && gt < n && (d[gt - 1] != '-' || d[gt - 2] != '-')) {
          gt = find('>', gt + 1);
        }
        if (gt == n) {
          p = n;
          break;
        }
        AddItem(kStartTag, ttComment, token, gt + 1);
        state = kAfterTag;
        token = p = gt + 1;
        break;
      }
    }
  }
  // Whatever follows the last item (text, an unfinished tag) is that item's text, so that a
  // page copied item by item keeps every byte.
  TTag& last = items_.back();
  if (static_cast<std::size_t>(last.Position) + last.Length < n) last.Kind |= kTextFollows;
  AddItem(kBoundary, ttUnknown, token, token);
}

const TTag& THtmlParser::Item(int i) const {
  if (i < 0 || i >= Count()) return kEndItem;
  return items_[i];
}

std::string_view THtmlParser::ItemBytes(int i) const {
  const TTag& item = Item(i);
  if (item.Length <= 0) return {};
  return page_.substr(item.Position, item.Length);
}

std::string_view THtmlParser::TextBytes(int i) const {
  const TTag& item = Item(i);
  if (!(item.Kind & kTextFollows)) return {};
  std::size_t start = static_cast<std::size_t>(item.Position) + item.Length;
  // The item before the closing boundary owns the bytes up to the end of the page.
  std::size_t end = i + 1 < Count() - 1 ? items_[i + 1].Position : page_.size();
  return page_.substr(start, end - start);
}

std::string_view THtmlParser::TagView(int i) const {
  return options_.Requisites ? ItemBytes(i) : ShortView(ItemBytes(i));
}

std::string THtmlParser::GetTagText(int i) const { return std::string(TagView(i)); }

std::string THtmlParser::GetText(int i) const { return ShortString(TextBytes(i)); }

void THtmlParser::CopyTag(int i, std::string& out) const { out.append(ItemBytes(i)); }

void THtmlParser::CopyTagAndText(int i, std::string& out) const {
  if (Item(i).Kind & kBoundary) return;
  out.append(ItemBytes(i));
  out.append(TextBytes(i));
}

void THtmlParser::CopyText(int i, std::string& out) const { out.append(TextBytes(i)); }

// Today's attribute syntax, for requisites: the tag's name is skipped, attributes are read one by
// one, and a quoted value runs to its closing quote, blanks included, so that neither a word inside
// another attribute's value nor a blank inside this one misleads the search.
bool THtmlParser::FindAttrWhole(std::string_view name, int i, TTagParam* param) const {
  std::string_view s = TagView(i);
  if (s.empty() || name.empty()) return false;
  const std::size_t len = (s.size() > 1 && s.back() == '>') ? s.size() - 1 : s.size();
  auto blank = [&](std::size_t k) { return k < len && IsBlank(s[k]); };
  std::size_t k = 1;
  while (k < len && !IsBlank(s[k]) && s[k] != '/') ++k;  // the tag's name
  while (k < len) {
    while (blank(k) || (k < len && s[k] == '/')) ++k;
    const std::size_t start = k;
    while (k < len && !IsBlank(s[k]) && s[k] != '=' && s[k] != '/') ++k;
    const std::size_t name_end = k;
    if (name_end == start) {
      ++k;
      continue;
    }
    std::size_t after = k;
    while (blank(after)) ++after;
    std::size_t value_start = std::string_view::npos, value_end = 0, attr_end = name_end;
    bool quoted = false;
    if (after < len && s[after] == '=') {
      std::size_t v = after + 1;
      while (blank(v)) ++v;
      if (v < len && (s[v] == '"' || s[v] == '\'')) {
        const std::size_t close = s.find(s[v], v + 1);
        if (close == std::string_view::npos || close >= len) {
          // A quote never closed (the tag was cut off): no value can be read, nor written back.
          if (SameAsciiNoCase(s.substr(start, name_end - start), name)) {
            param->AttrStart = static_cast<std::uint32_t>(start + 1);
            param->AttrLength = static_cast<std::uint32_t>(len - start);
          }
          return false;
        }
        quoted = true;
        value_start = v + 1;
        value_end = close;
        attr_end = close + 1;
      } else {
        value_start = v;
        value_end = v;
        while (value_end < len && !IsBlank(s[value_end])) ++value_end;
        attr_end = value_end;
      }
      k = attr_end;
    }
    if (!SameAsciiNoCase(s.substr(start, name_end - start), name)) continue;
    param->AttrStart = static_cast<std::uint32_t>(start + 1);
    param->AttrLength = static_cast<std::uint32_t>(attr_end - start);
    if (value_start == std::string_view::npos) return false;
    param->Quoted = quoted;
    param->ValueStart = static_cast<std::uint32_t>(value_start + 1);
    param->ValueLength = static_cast<std::uint32_t>(value_end - value_start);
    param->Value.assign(s.substr(value_start, value_end - value_start));
    return !param->Value.empty();
  }
  return false;
}

bool THtmlParser::FindAttr(std::string_view name, int i, TTagParam* param) const {
  if (!param) return false;
  param->Clear();
  if (options_.Requisites) return FindAttrWhole(name, i, param);
  std::string_view tag = TagView(i);
  if (tag.empty() || name.empty()) return false;
  // `s` is the tag without its '<' and, when it has one, its '>'. Positions in `s` count from 0;
  // the reported ones count from 1 at the '<', hence kToTag.
  std::string_view s = tag.substr(1);
  if (!s.empty() && s.back() == '>') s.remove_suffix(1);
  constexpr std::size_t kToTag = 2;
  const std::size_t len = s.size();
  const std::size_t name_len = name.size();
  auto skip_blanks = [&](std::size_t k) {
    while (k < len && IsBlank(s[k])) ++k;
    return k;
  };

  // Word scan: the first word that is the name, alone or followed by '='.
  std::size_t w = skip_blanks(0);
  while (w < len) {
    std::size_t after = w + name_len;
    if (after <= len && SameAsciiNoCase(s.substr(w, name_len), name) &&
        (after == len || s[after] == '=' || IsBlank(s[after]))) {
      break;
    }
    while (w < len && !IsBlank(s[w])) ++w;
    w = skip_blanks(w);
  }
  if (w >= len) return false;

  param->AttrStart = static_cast<std::uint32_t>(w + kToTag);
  std::size_t v = skip_blanks(w + name_len);
  bool has_equals = v < len && s[v] == '=';
  if (has_equals) v = skip_blanks(v + 1);
  if (v >= len) {
    // Nothing after the name: a value, when given, would go where the tag ends.
    param->AttrLength = static_cast<std::uint32_t>(name_len + 1);
    if (has_equals) param->ValueStart = static_cast<std::uint32_t>(len + kToTag);
    return false;
  }

  std::size_t e = v;  // last character of the value's word
  while (e + 1 < len && !IsBlank(s[e + 1])) ++e;
  const char quote = (s[v] == '"' || s[v] == '\'') ? s[v] : '"';
  std::size_t attr_length = e - w + 1;
  if (s[e] != quote) {
    // Blanks after the value, and a closing quote after them, belong to the attribute.
    std::size_t k = e + 1;
    while (k < len && (s[k] == ' ' || s[k] == '\n' || s[k] == '\r')) ++k;
    attr_length = k - w + ((k < len && s[k] == quote) ? 1 : 0);
  }

  std::size_t value_start = v;
  std::string_view value = s.substr(v, e - v + 1);
  if (value.front() == '"' || value.front() == '\'') {
    param->Quoted = true;
    value.remove_prefix(1);
    ++value_start;
    value = value.substr(0, value.find(quote));
  }
  param->AttrLength = static_cast<std::uint32_t>(attr_length);
  param->ValueStart = static_cast<std::uint32_t>(value_start + kToTag);
  param->ValueLength = static_cast<std::uint32_t>(value.size());
  if (value.empty()) return false;
  param->Value.assign(value);
  return true;
}

namespace {

// A link value is cut before its fragment, and so is its length: a rewrite then replaces the
// address only and keeps "#fragment" after the new one.
void CutFragment(TTagParam& link) {
  std::size_t hash = link.Value.find('#');
  if (hash == std::string::npos) return;
  link.Value.resize(hash);
  link.ValueLength = static_cast<std::uint32_t>(hash);
}

// The relations of a LINK whose target a page needs to show: its stylesheets and icons, and what
// it asks to have loaded early. Others (alternate, canonical, next...) name other pages.
bool IsRequisiteRelation(std::string_view rel) {
  static constexpr std::string_view kRelations[] = {
      "stylesheet", "icon",    "apple-touch-icon", "apple-touch-icon-precomposed",
      "mask-icon",  "preload", "modulepreload",    "manifest"};
  std::size_t k = 0;
  while (k < rel.size()) {
    while (k < rel.size() && IsBlank(rel[k])) ++k;
    std::size_t start = k;
    while (k < rel.size() && !IsBlank(rel[k])) ++k;
    std::string_view word = rel.substr(start, k - start);
    for (std::string_view known : kRelations) {
      if (SameAsciiNoCase(word, known)) return true;
    }
  }
  return false;
}

}  // namespace

bool THtmlParser::GetLink(int i, TLinkParam* link) const {
  if (!link) return false;
  link->Clear();
  if (i < 0 || i >= Count()) return false;
  const TTag& item = items_[i];
  link->TagType = item.TagType;
  if (!(item.Kind & kStartTag) || (item.Kind & kBoundary)) return false;
  switch (item.TagType) {
    case ttA:
    case ttBase:
    case ttBody:
    case ttImg:
    case ttTitle:
    case ttArea:
    case ttFrame:
    case ttForm:
    case ttInput:
      break;
    case ttLink:
    case ttScript:
    case ttIframe:
    case ttSource:
    case ttVideo:
    case ttAudio:
    case ttTrack:
    case ttObject:
    case ttEmbed:
      return GetRequisiteLink(i, *link);
    default:
      return false;
  }
  FindAttr("OLDREF", i, &link->OldLink);
  switch (item.TagType) {
    case ttA:
      FindAttr("HREF", i, &link->Link);
      CutFragment(link->Link);
      if (!link->Link.Value.empty() && options_.LinkTexts) ReadAnchorText(i, *link);
      break;
    case ttBase:
    case ttArea:
      FindAttr("HREF", i, &link->Link);
      break;
    case ttBody:
      FindAttr("BACKGROUND", i, &link->Link);
      link->LinkKind = lkBackground;
      break;
    case ttImg:
      FindAttr("SRC", i, &link->Link);
      link->LinkKind = lkImage;
      link->IsMap = ContainsNoCase(TagView(i), "ISMAP");
      break;
    case ttFrame:
      FindAttr("SRC", i, &link->Link);
      CutFragment(link->Link);
      break;
    case ttForm:
      FindAttr("ACTION", i, &link->Link);
      break;
    case ttInput:
      if (!FindAttr("SRC", i, &link->Link)) return false;
      break;
    case ttTitle:
      link->Text = Trim(GetText(i));
      break;
  }
  return true;
}

// The link of a tag only a parser for requisites knows. A LINK that names no requisite links to a
// page; a SCRIPT without SRC carries no link.
bool THtmlParser::GetRequisiteLink(int i, TLinkParam& link) const {
  link.LinkKind = lkRequisite;
  switch (link.TagType) {
    case ttLink: {
      TTagParam rel;
      FindAttr("REL", i, &rel);
      FindAttr("HREF", i, &link.Link);
      // Other relations (next, prev, index, search, canonical...) name pages, as links do.
      if (!IsRequisiteRelation(rel.Value)) {
        link.LinkKind = lkPage;
        CutFragment(link.Link);
      }
      break;
    }
    case ttObject:
      FindAttr("DATA", i, &link.Link);
      break;
    case ttIframe:
      // A frame is a page, and follows the rules of pages.
      link.LinkKind = lkPage;
      FindAttr("SRC", i, &link.Link);
      CutFragment(link.Link);
      break;
    default:
      FindAttr("SRC", i, &link.Link);
      break;
  }
  if (link.Link.ValueStart == 0 && link.TagType != ttIframe) return false;
  FindAttr("OLDREF", i, &link.OldLink);
  return true;
}

void THtmlParser::BuildAnchorIndex() const {
  const int n = Count();
  next_end_anchor_.assign(n + 1, n);
  next_text_source_.assign(n + 1, n);
  next_ismap_image_.assign(n + 1, n);
  for (int j = n - 1; j >= 0; --j) {
    const TTag& item = items_[j];
    bool image = (item.Kind & kStartTag) && item.TagType == ttImg;
    bool end_anchor = (item.Kind & kEndTag) && item.TagType == ttA;
    next_end_anchor_[j] = end_anchor ? j : next_end_anchor_[j + 1];
    next_text_source_[j] = (image || (item.Kind & kTextFollows)) ? j : next_text_source_[j + 1];
    next_ismap_image_[j] =
        (image && ContainsNoCase(GetTagText(j), "ISMAP")) ? j : next_ismap_image_[j + 1];
  }
}

// The anchor's text: its own text, then, for each item up to the closing anchor (or the end of
// the list), the ALT of images and the text after the item. An image with ISMAP inside makes the
// anchor a server-side map.
void THtmlParser::ReadAnchorText(int i, TLinkParam& link) const {
  if (next_end_anchor_.empty()) BuildAnchorIndex();
  std::string text = GetText(i);
  const int stop = next_end_anchor_[i + 1];
  link.IsMap = next_ismap_image_[i + 1] < stop;
  for (int k = next_text_source_[i + 1]; k < stop && text.size() < kShortStringMax;
       k = next_text_source_[k + 1]) {
    const TTag& item = items_[k];
    if ((item.Kind & kStartTag) && item.TagType == ttImg) {
      TTagParam alt;
      FindAttr("ALT", k, &alt);
      AppendShort(text, alt.Value);
      AppendShort(text, " ");
    }
    AppendShort(text, TextBytes(k));
  }
  link.Text = Trim(text);
}

void THtmlParser::WriteLinkTag(int i, std::string& out, std::string_view old_link,
                               std::string_view new_link, const TLinkParam& link) const {
  // The whole tag, however long: a rewritten tag is never cut.
  std::string t(ItemBytes(i));
  const TTagParam& value = link.Link;
  const TTagParam& oldref = link.OldLink;
  // Positions count from 1; they are clamped so that a parameter of another tag cannot throw.
  auto replace = [&t](std::size_t position, std::size_t count, std::string_view with) {
    std::size_t at = std::min(position == 0 ? 0 : position - 1, t.size());
    t.replace(at, std::min<std::size_t>(count, t.size() - at), with);
  };
  const bool has_value_place = value.ValueStart != 0;
  auto replace_value = [&] {
    if (has_value_place) replace(value.ValueStart, value.ValueLength, new_link);
  };

  if (!oldref.Value.empty()) {
    auto edit_oldref = [&] {
      if (!old_link.empty()) {
        replace(oldref.ValueStart, oldref.ValueLength, old_link);
      } else {
        replace(oldref.AttrStart, oldref.AttrLength, {});
      }
    };
    // Edit the later attribute first, so that the earlier one's positions stay valid.
    if (oldref.AttrStart > value.AttrStart) {
      edit_oldref();
      replace_value();
    } else {
      replace_value();
      edit_oldref();
    }
  } else if (!old_link.empty() && has_value_place) {
    replace_value();
    std::string attribute = " OLDREF=\"";
    attribute.append(old_link);
    attribute.push_back('"');
    // Right after the end of the link attribute as it now stands.
    std::size_t position = value.AttrStart + value.AttrLength + new_link.size() - value.ValueLength;
    t.insert(std::min(position - 1, t.size()), attribute);
  }
  out.append(t);
}

std::string DecodeEntities(std::string_view in) {
  TTextWriter out(kShortStringMax);
  for (std::size_t i = 0; i < in.size() && !out.Full();) {
    char32_t c = 0;
    if (std::size_t n = in[i] == '&' ? ReadCharacterReference(in.substr(i), c) : 0) {
      i += n;
    } else {
      c = Win1252Character(static_cast<unsigned char>(in[i++]));
    }
    // Control characters become code 20, the stand-in the descriptions have always used.
    out.Put(c < 20 ? 20 : c);
  }
  return out.Text();
}

}  // namespace korvane
