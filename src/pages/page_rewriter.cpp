#include "pages/page_rewriter.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "base/file_name.h"
#include "base/file_system.h"
#include "base/text_case.h"
#include "html/charset.h"
#include "html/requisite_links.h"
#include "html/url.h"
#include "maps/map_list.h"
#include "pages/requisite_rewriter.h"
#include "store/web_tree.h"

namespace korvane {
namespace {

// The marker comments around what the program adds to a page. Only these exact comments count,
// so that an author's comment that merely mentions a marker cannot make a rewrite drop the rest
// of the page.
constexpr std::string_view kFooterOn = "<!--KORVANE=ON-->";
constexpr std::string_view kFooterOff = "<!--KORVANE=OFF-->";
constexpr std::string_view kMapOn = "<!--KORVANE MAP=ON-->";
constexpr std::string_view kMapOff = "<!--KORVANE MAP=OFF-->";

constexpr std::string_view kServerMap = "ISMAP";
constexpr std::string_view kNeutralMap = "_SMAP";

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

bool IsBlankText(std::string_view s) { return std::all_of(s.begin(), s.end(), IsBlank); }

// Replaces `count` bytes of `tag` at the 1-based `position` by `with`, within the tag.
void ReplaceAt(std::string& tag, std::size_t position, std::size_t count, std::string_view with) {
  std::size_t at = std::min(position == 0 ? 0 : position - 1, tag.size());
  tag.replace(at, std::min(count, tag.size() - at), with);
}

// Deletes an attribute found by FindAttr, never the '>' that closes the tag (an attribute named
// last, without value, is reported one byte longer than its name).
void DeleteAttribute(std::string& tag, const TTagParam& attr) {
  std::size_t at = std::min<std::size_t>(attr.AttrStart - 1, tag.size());
  std::size_t end = std::min<std::size_t>(at + attr.AttrLength, tag.size());
  if (!tag.empty() && tag.back() == '>') end = std::min(end, tag.size() - 1);
  if (end <= at) return;
  tag.erase(at, end - at);
  // The blank that separated it goes too, unless it now separates two attributes.
  if (at > 0 && IsBlank(tag[at - 1]) && at < tag.size() && (IsBlank(tag[at]) || tag[at] == '>')) {
    tag.erase(at - 1, 1);
  }
}

// The position of the server-side map attribute in a tag, as written ("ISMAP") or neutralised
// ("_SMAP"): a whole word, so that an address holding those letters is never touched.
std::size_t FindMapMarker(std::string_view tag, std::size_t from = 1) {
  const std::string upper = AnsiUpperCase(tag);
  // The first marker in either spelling, so that a tag naming it twice changes the same one at
  // every rewrite.
  for (std::size_t k = std::max<std::size_t>(from, 1); k + kServerMap.size() <= upper.size(); ++k) {
    std::string_view word = std::string_view(upper).substr(k, kServerMap.size());
    if (word != kServerMap && word != kNeutralMap) continue;
    std::size_t after = k + word.size();
    // An OLDREF inserted before it may end right at it, without a blank.
    bool word_start = IsBlank(upper[k - 1]) || upper[k - 1] == '"';
    bool word_end = after == upper.size() || IsBlank(upper[after]) || upper[after] == '>' ||
                    upper[after] == '=' || upper[after] == '/';
    if (word_start && word_end) return k;
  }
  return std::string::npos;
}

void WriteAddressLine(std::string& out, std::string_view page_url) {
  out += "\r\n<!-- Url : \"";
  out += EscapeAddress(page_url);
  out += "\" -->\r\n";
}

// The tag of a captured page with its link made absolute and its LOWSRC removed. `abs` is the
// address the link names. The later of the two edits is made first, so that the positions of the
// earlier one stay valid.
std::string AbsoluteLinkTag(const THtmlParser& parser, int i, const TLinkParam& link,
                            std::string_view abs, std::string_view base) {
  std::string tag;
  parser.CopyTag(i, tag);
  const bool replace_value = IsWebAddress(abs) && !HasOtherProtocol(abs) && link.Link.ValueStart;
  auto edit_value = [&] {
    if (replace_value) {
      // In the page's own spelling: its entities stay as written, the address is made absolute.
      ReplaceAt(tag, link.Link.ValueStart, link.Link.ValueLength, Resolve(link.Link.Value, base));
    }
  };
  TTagParam lowsrc;
  if (link.TagType == ttImg) parser.FindAttr("LOWSRC", i, &lowsrc);
  if (lowsrc.AttrStart == 0) {
    edit_value();
    return tag;
  }
  const std::size_t value_begin = link.Link.ValueStart;
  const std::size_t value_end = value_begin + link.Link.ValueLength;
  const std::size_t low_begin = lowsrc.AttrStart;
  const std::size_t low_end = low_begin + lowsrc.AttrLength;
  if (value_begin >= low_begin && value_begin < low_end) {
    edit_value();  // overlapping finds (a word inside a quoted value): leave LOWSRC alone
  } else if (low_begin >= value_end) {
    DeleteAttribute(tag, lowsrc);
    edit_value();
  } else {
    edit_value();
    DeleteAttribute(tag, lowsrc);
  }
  return tag;
}

// Every attribute `name` removed from a tag (a BASE may name HREF twice), its attributes read
// as the page's own were.
std::string WithoutAttribute(std::string tag, std::string_view name, TParseOptions options) {
  const bool closed = !tag.empty() && tag.back() == '>';
  if (!closed) tag.push_back('>');
  for (int guard = 0; guard < 64; ++guard) {
    THtmlParser one(std::string_view(tag), options);
    TTagParam attr;
    one.FindAttr(name, 1, &attr);
    if (attr.AttrStart == 0) break;
    std::size_t before = tag.size();
    DeleteAttribute(tag, attr);
    if (tag.size() == before) break;
  }
  if (!closed) tag.pop_back();
  return tag;
}

// Removes the footer at the end of a page by its bytes, before the page is tokenized: an
// unfinished tag or comment before it would otherwise swallow its first marker.
void StripTrailingFooter(std::string_view& page) {
  std::size_t on = page.rfind(kFooterOn);
  if (on == std::string::npos) return;
  std::size_t off = page.find(kFooterOff, on);
  if (off == std::string::npos) return;
  if (!IsBlankText(page.substr(off + kFooterOff.size()))) return;
  page = page.substr(0, on);
}

// The footer of a page read with its requisites: inside BODY, one element of its own class
// whose tags are all closed, taking no room in the page's layout: a box of no size (no flex item
// of a flexbox BODY is squeezed by it), at the end of the page and at its right edge, its line
// showing below the box (leftwards, hence the right-to-left box around a left-to-right text).
void WriteBodyFooter(std::string& stream, std::string_view url, TDateTime date) {
  const std::string address = EscapeAddress(url);
  stream += kFooterOn;
  stream +=
      "<div class=\"korvane-footer\" style=\"width:0;height:0;min-height:0;flex:0 0 0;"
      "margin-left:auto;align-self:flex-end;white-space:nowrap;direction:rtl\"><span "
      "dir=\"ltr\">Captured by Korvane from <a href=\"";
  stream += address;
  stream += "\">";
  stream += address;
  stream += "</a> : ";
  stream += FormatShortDate(date);
  stream += "</span></div>";
  stream += kFooterOff;
}

// The item of `parser` that closes BODY last, where a page read with its requisites takes its
// footer; -1 when there is none (the footer then goes at the end).
int LastBodyEnd(const THtmlParser& parser) {
  for (int i = parser.Count() - 1; i >= 0; --i) {
    const TTag& item = parser.Item(i);
    if ((item.Kind & kEndTag) && !(item.Kind & kBoundary) && item.TagType == ttBody) return i;
  }
  return -1;
}

// The local file of an address that was captured (or answered by the not-found page).
std::optional<std::string> LocalFileOf(const TWebTree& tree, const std::string& address) {
  const TWebFile* target = address.empty() ? nullptr : tree.FindAnyWebProtocol(address);
  const std::string_view local =
      target ? WebFileNameOrEmpty(target->GetFileName()) : std::string_view();
  if (!target || local.empty()) return std::nullopt;
  if (target->State != wsPage && target->State != wsFile && target->State != wsNotFound) {
    return std::nullopt;
  }
  return std::string(local);
}

// Takes the output a rewrite has produced so far (and empties it).
using TPieceSink = std::function<void(std::string& piece)>;
// Output is handed over in pieces of this size at least.
constexpr std::size_t kPieceBytes = 64 * 1024;

// Writes a rewritten page over its stored file piece by piece, so that a large page is not held
// in memory a second time. While the output repeats the stored bytes nothing is written: a page
// that comes out unchanged is left alone, and one that changes is written from the first
// difference on, with the stored bytes before it.
class TStoredPageWriter {
 public:
  // `stored`: the file's bytes, left alone when the output equals them; nullopt when there is no
  // file yet and the output is written whatever it holds.
  TStoredPageWriter(TFileSystem& fs, std::string path, std::optional<std::string_view> stored)
      : fs_(fs), path_(std::move(path)), stored_(stored.value_or("")), create_(!stored) {}

  void Take(std::string& piece) {
    if (!file_ && ok_) {
      if (stored_.substr(same_, piece.size()) == piece) {
        same_ += piece.size();
        piece.clear();
        return;
      }
      Diverge();
    }
    if (file_) Append(piece);
    piece.clear();
  }
  // The rest of the output; false when the page could not be written. `size` is the page's size
  // on disk afterwards.
  bool Finish(std::string& rest, std::int64_t* size) {
    Take(rest);
    if (!file_ && ok_ && (create_ || same_ != stored_.size())) Diverge();  // a shorter page
    if (!ok_ && !file_) return false;
    if (file_) ok_ = file_->Commit() && ok_;
    if (size) *size = ok_ ? static_cast<std::int64_t>(file_ ? written_ : same_) : -1;
    return ok_;
  }

 private:
  void Diverge() {
    file_ = fs_.BeginReplace(path_);
    if (!file_) {
      ok_ = false;
      return;
    }
    Append(stored_.substr(0, same_));
  }
  void Append(std::string_view bytes) {
    ok_ = file_->Append(bytes) && ok_;
    written_ += bytes.size();
  }

  TFileSystem& fs_;
  const std::string path_;
  const std::string_view stored_;
  const bool create_;
  std::size_t same_ = 0;  // output bytes equal to the stored ones, before any difference
  std::unique_ptr<TReplacementFile> file_;
  std::size_t written_ = 0;
  bool ok_ = true;
};

// Resolving one stored page: the switches of the marker comments and the context of its links.
class TPageResolver {
 public:
  // `page_name`: the page's own web file name, which its links to the copy's files start from.
  TPageResolver(std::string_view page, std::string_view page_name, const TWebTree& tree,
                const TMAPLIST& map_list, const TMapFileReader& read_map, bool suppress_link,
                bool requisites)
      : page_(page),
        page_name_(page_name),
        parser_(page, TParseOptions{.Requisites = requisites, .LinkTexts = false}),
        tree_(tree),
        map_list_(map_list),
        read_map_(read_map),
        suppress_link_(suppress_link),
        local_file_([this](const std::string& address) { return LocalFile(address); }) {}

  // The resolved page; with a sink, what is left of it once the sink took its pieces. A
  // `body_footer` is written where BODY closes (at the end without one).
  std::string Run(const TPieceSink& sink = {},
                  const std::function<void(std::string&)>& body_footer = {}) {
    // Room for the addresses kept in OLDREF without growing the page again and again.
    out_.reserve(sink ? 2 * kPieceBytes : page_.size() + page_.size() / 4 + 1024);
    const int last = parser_.Count() - 1;  // the closing boundary
    const int footer_at = body_footer ? LastBodyEnd(parser_) : -1;
    for (int i = 0; i < last; ++i) {
      if (sink && out_.size() >= kPieceBytes) sink(out_);
      if (i == footer_at) body_footer(out_);
      const TTag& item = parser_.Item(i);
      if (item.Kind & kBoundary) {
        parser_.CopyText(i, out_);
      } else if ((item.Kind & kStartTag) && item.TagType == ttComment && Marker(i)) {
        continue;
      } else if (!in_footer_ && !in_map_) {
        Item(i);
      }
    }
    if (body_footer && footer_at < 0) body_footer(out_);
    return std::move(out_);
  }

 private:
  // Follows the marker comments; true when the item is a marker or lies between markers (it is
  // then dropped).
  bool Marker(int i) {
    std::string tag;
    parser_.CopyTag(i, tag);
    if (tag == kFooterOn) {
      in_footer_ = true;
    } else if (tag == kMapOn) {
      in_map_ = true;
    } else if ((tag == kFooterOff && in_footer_) || (tag == kMapOff && in_map_)) {
      // A closing marker without its opening one is left to the page.
      (tag == kFooterOff ? in_footer_ : in_map_) = false;
      // The blank the footer ends with goes with its marker; anything else after it is the
      // page's own.
      std::string text;
      parser_.CopyText(i, text);
      if (!in_footer_ && !in_map_ && !IsBlankText(text)) out_ += text;
      return true;
    }
    return in_footer_ || in_map_;
  }

  std::optional<std::string> LocalFile(const std::string& address) const {
    std::optional<std::string> local = LocalFileOf(tree_, address);
    if (local) *local = LinkBetweenFiles(page_name_, *local);
    return local;
  }

  void Item(int i) {
    if (parser_.Options().Requisites && ItemWithRequisites(i)) return;
    ItemLink(parser_, i);
  }

  // A tag whose extra links change, or a STYLE element: its extra links resolved first, then its
  // own link in the tag as it then stands. True when the item and its text are written.
  bool ItemWithRequisites(int i) {
    const TTag& item = parser_.Item(i);
    std::vector<TTagEdit> edits = ResolvedExtraLinks(parser_, i, local_file_);
    const bool style = (item.Kind & kStartTag) && item.TagType == ttStyle;
    if (edits.empty() && !style) return false;
    std::string tag;
    parser_.CopyTag(i, tag);
    tag = ApplyTagEdits(std::move(tag), std::move(edits));
    THtmlParser one(std::string_view(tag), parser_.Options());
    std::string text;
    parser_.CopyText(i, text);
    if (style) text = ResolvedStylesheet(text, local_file_);
    switch (LinkTag(one, 1, out_, style ? -1 : i)) {
      case kNoLink:
        one.CopyTag(1, out_);
        out_ += text;
        break;
      case kTagWritten:
        out_ += text;
        break;
      case kTagAndTextWritten:
        break;
    }
    return true;
  }

  // Writes tag `i` of `parser` with its own link resolved, and its text.
  void ItemLink(const THtmlParser& parser, int i) {
    switch (LinkTag(parser, i, out_, &parser == &parser_ ? i : -1)) {
      case kTagWritten:
        parser.CopyText(i, out_);
        break;
      case kNoLink:
        if (!(parser.Item(i).Kind & kBoundary)) parser.CopyTagAndText(i, out_);
        break;
      case kTagAndTextWritten:
        break;
    }
  }

  enum TWritten { kNoLink, kTagWritten, kTagAndTextWritten };
  // Writes tag `i` with its own link resolved; nothing is written when it has no link.
  // `page_item` is the page's item the tag stands for, when a picture may take a map after it
  // (then written with the item's text); -1 otherwise.
  TWritten LinkTag(const THtmlParser& parser, int i, std::string& out, int page_item = -1) {
    TLinkParam link;
    if (!parser.GetLink(i, &link)) return kNoLink;
    // The original as written in the tag (kept as written), and the address it names.
    const std::string& raw = !link.OldLink.Value.empty() ? link.OldLink.Value : link.Link.Value;
    const std::string orig = DecodeAttributeValue(raw);
    if (raw.find('"') != std::string::npos) {
      // An unquoted value holding a quote (SRC=a.gif") cannot be kept whole in a quoted OLDREF:
      // the next rewrite would read back another address. Such a link is left as it stands.
      parser.CopyTag(i, out);
      return kTagWritten;
    }
    switch (link.TagType) {
      case ttBase: {
        std::string tag;
        parser.CopyTag(i, tag);
        // The links after it were made absolute at capture; a BASE would send them elsewhere.
        if (link.Link.AttrStart != 0) DeleteAttribute(tag, link.Link);
        out += WithoutAttribute(tag, "HREF", parser.Options());
        break;
      }
      case ttTitle:
        parser.CopyTag(i, out);
        break;
      case ttImg: {
        // Only a page's own tags can take a map, whether or not their other links changed
        // first: a map inserted at the second rewrite only would make rewrites differ.
        if (page_item >= 0 && Image(parser, i, page_item, link, raw, orig)) {
          return kTagAndTextWritten;
        }
        std::string written;
        RewriteLink(parser, i, link, raw, orig, written);
        SpellMapMarker(written);
        out += written;
        break;
      }
      default:
        RewriteLink(parser, i, link, raw, orig, out);
        break;
    }
    return kTagWritten;
  }

  // A LINK to a page (next, canonical...) that is not in the copy is followed by no reader: it
  // keeps its address online rather than lead to the bad-link page.
  static bool IsPageRelation(const TLinkParam& link) {
    return link.TagType == ttLink && link.LinkKind == lkPage;
  }

  // `raw` is the original as written in the tag, `orig` the address it names.
  void RewriteLink(const THtmlParser& parser, int i, const TLinkParam& link, const std::string& raw,
                   const std::string& orig, std::string& out) {
    const std::string& written = raw;
    if (std::optional<std::string> local = LocalFile(orig)) {
      parser.WriteLinkTag(i, out, written, *local, link);
    } else if (suppress_link_ && !orig.empty() && !HasOtherProtocol(orig) &&
               !IsPageRelation(link)) {
      std::string replacement = LinkBetweenFiles(page_name_, kBadLinkFileName);
      if (link.LinkKind != lkPage) replacement = link.Link.Quoted ? "" : "\"\"";
      parser.WriteLinkTag(i, out, written, replacement, link);
    } else if (orig.empty()) {
      parser.CopyTag(i, out);
    } else {
      parser.WriteLinkTag(i, out, {}, written, link);
    }
  }

  // A server-side map marker is neutralised while dead links are suppressed, and restored when
  // they are not: the first marker of the written tag gets the spelling of the moment.
  void SpellMapMarker(std::string& tag) const {
    const std::size_t k = FindMapMarker(tag);
    if (k != std::string::npos) {
      tag.replace(k, kServerMap.size(), suppress_link_ ? kNeutralMap : kServerMap);
    }
  }

  // A picture: its server-side map marker neutralised or restored, and, when the user drew a map
  // for it, the client-side map inserted after it. True when the item and its text are written.
  bool Image(const THtmlParser& parser, int i, int page_item, const TLinkParam& link,
             const std::string& raw, const std::string& orig) {
    std::string tag;
    parser.CopyTag(i, tag);
    const std::size_t k = FindMapMarker(tag);
    const bool has_use_map = AnsiUpperCase(tag).find("USEMAP=\"#") != std::string::npos;
    if ((!has_use_map && k == std::string::npos) || orig.empty() || !IsWebAddress(orig)) {
      return false;
    }
    const TWebFile* target = tree_.FindAnyWebProtocol(orig);
    if (!target) return false;
    int index = map_list_.IndexOfImage(target->GetFileName());
    if (index < 0) return false;
    const std::string map_file(WebFileNameOrEmpty(map_list_.Item(index).MapFile));
    std::optional<std::string> map = map_file.empty() ? std::nullopt : read_map_(map_file);
    if (!map) return false;
    const std::string map_leaf = map_file.substr(WebFileFolder(map_file).size());
    const std::string map_name = map_leaf.substr(0, map_leaf.find('.'));

    // The picture's own link goes to the local copy like any other link, so that the map shows
    // over the picture off line.
    std::string written;
    RewriteLink(parser, i, link, raw, orig, written);
    SpellMapMarker(written);
    if (!has_use_map) {
      std::size_t at = FindMapMarker(written);
      if (at != std::string::npos) {
        const std::string use_map = "USEMAP=\"#" + map_name + "\"";
        written.replace(at, kServerMap.size(), use_map);
        // Other markers of the same tag get now the spelling every later rewrite gives them.
        const std::string_view spelling = suppress_link_ ? kNeutralMap : kServerMap;
        for (std::size_t next = FindMapMarker(written, at + use_map.size());
             next != std::string::npos; next = FindMapMarker(written, next + spelling.size())) {
          written.replace(next, spelling.size(), spelling);
        }
      }
    }
    out_ += written;
    // Text holding a '<' is the unfinished end of the page: a map written after it would be
    // swallowed by it, so the map goes before it.
    std::string text;
    parser_.CopyText(page_item, text);
    const bool unfinished = text.find('<') != std::string::npos;
    if (!unfinished) out_ += text;
    out_ += kMapOn;
    out_ += "\r\n<map name=\"" + map_name + "\">\r\n";
    out_ += *map;
    out_ += "</map>\r\n";
    out_ += kMapOff;
    if (unfinished) out_ += text;
    return true;
  }

  std::string_view page_;
  std::string_view page_name_;
  THtmlParser parser_;
  const TWebTree& tree_;
  const TMAPLIST& map_list_;
  const TMapFileReader& read_map_;
  const bool suppress_link_;
  const TLocalFileOf local_file_;
  bool in_footer_ = false;
  bool in_map_ = false;
  std::string out_;
};

}  // namespace

std::string EscapeAddress(std::string_view address) {
  std::string out;
  out.reserve(address.size());
  for (char c : address) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

bool DefaultLinkFilter(const TLinkParam& link) {
  const std::string& url = link.Link.Value;
  return IsWebAddress(url) && !HasOtherProtocol(url) && !(link.TagType == ttA && link.IsMap);
}

void WriteFooter(std::string& stream, std::string_view url, TDateTime date) {
  // Kept whole, whatever the address's length: a footer cut short would lose its closing marker
  // and leave an open link at the end of the page.
  const std::string address = EscapeAddress(url);
  stream += kFooterOn;
  stream += "  \r\n<p><hr><b></i></s></u><var><center>  \r\n";
  stream += "Captured by Korvane from  <A HREF=";
  stream += address;
  stream += ">";
  stream += address;
  stream += "</a> : ";
  stream += FormatShortDate(date);
  stream += "  \r\n<hr> \r\n";
  stream += kFooterOff;
  stream += " ";
}

namespace {

// After capture, for requisites: the extra links of a tag, a STYLE element's stylesheet. The
// addresses found are admitted through the page's filter like its other links.
class TRequisitesOfPage {
 public:
  TRequisitesOfPage(const THtmlLinkFilter& filter, const TNewLinkProc& new_link, TWebFile* parent)
      : admit_([&filter, &new_link, parent](const TLinkItem& item) {
          TLinkParam link;
          link.LinkKind = item.LinkKind;
          link.Link.Value = item.Url;
          if ((filter ? filter(link) : DefaultLinkFilter(link)) && new_link) new_link(item, parent);
        }) {}

  // The tag with its extra links absolute, or nothing when it has none to change.
  std::optional<std::string> Tag(const THtmlParser& parser, int i, std::string tag,
                                 std::string_view base) const {
    std::vector<TTagEdit> edits = AbsoluteExtraLinks(parser, i, base, admit_);
    if (edits.empty()) return std::nullopt;
    return ApplyTagEdits(std::move(tag), std::move(edits));
  }
  std::string Stylesheet(std::string_view css, std::string_view base) const {
    return AbsoluteStylesheet(css, base, admit_);
  }

 private:
  TAdmitAddress admit_;
};

}  // namespace

namespace {

TProcessedPage ProcessPage(std::string_view page, std::string_view page_url,
                           const THtmlLinkFilter& filter, const TNewLinkProc& new_link,
                           TWebFile* parent, bool real_link, TDateTime capture_start,
                           bool requisites, std::string_view header_charset,
                           const TPieceSink& sink) {
  THtmlParser parser(page, TParseOptions{requisites});
  const TPageTextDecoder texts(PageCharset(parser, page, header_charset));
  const TRequisitesOfPage extras(filter, new_link, parent);
  TProcessedPage result;
  std::string& out = result.Text;
  // Absolute links are longer than relative ones: room for them, without growing again and again.
  out.reserve(sink ? 2 * kPieceBytes : page.size() + page.size() / 4 + 512);
  std::string base(page_url);
  TLinkParam link;
  const int last = parser.Count() - 1;  // the closing boundary
  const int footer_at = real_link && requisites ? LastBodyEnd(parser) : -1;
  for (int i = 0; i < last; ++i) {
    if (sink && out.size() >= kPieceBytes) sink(out);
    const TTag& item = parser.Item(i);
    if (i == footer_at) WriteBodyFooter(out, page_url, capture_start);
    if (item.Kind & kBoundary) {
      parser.CopyText(i, out);
      continue;
    }
    const bool has_link = parser.GetLink(i, &link);
    if (has_link && link.TagType == ttTitle) result.Title = texts.ToCore(link.Text);
    std::string tag;
    std::string abs;
    if (has_link && !link.Link.Value.empty()) {
      // Entities of the value ("&amp;") are the page's spelling, not part of the address.
      abs = Resolve(DecodeAttributeValue(link.Link.Value), base);
      tag = AbsoluteLinkTag(parser, i, link, abs, base);
    } else {
      parser.CopyTag(i, tag);
    }
    if (requisites) {
      // Positions of the extra links are the parser's: a tag whose own link changed is read again.
      std::optional<std::string> with_extras;
      if (tag.size() != static_cast<std::size_t>(item.Length)) {
        const THtmlParser one(std::string_view(tag), parser.Options());
        with_extras = extras.Tag(one, 1, tag, base);
      } else {
        with_extras = extras.Tag(parser, i, tag, base);
      }
      if (with_extras) tag = std::move(*with_extras);
    }
    out += tag;
    if (requisites && (item.Kind & kStartTag) && item.TagType == ttStyle) {
      std::string css;
      parser.CopyText(i, css);
      out += extras.Stylesheet(css, base);
    } else {
      parser.CopyText(i, out);
    }
    if (!has_link || link.Link.Value.empty()) {
      if ((item.Kind & kStartTag) && item.TagType == ttHtml) WriteAddressLine(out, page_url);
      continue;
    }
    if (link.TagType == ttBase) base = abs;
    link.Link.Value = abs;
    if (filter ? filter(link) : DefaultLinkFilter(link)) {
      if (new_link) new_link(TLinkItem{link.LinkKind, abs, texts.ToCore(link.Text)}, parent);
    }
    if (link.IsMap) result.Ismap = true;
  }
  if (real_link && requisites && footer_at < 0) {
    WriteBodyFooter(out, page_url, capture_start);
  } else if (real_link && !requisites) {
    WriteFooter(out, page_url, capture_start);
  }
  return result;
}

}  // namespace

TProcessedPage ProcessCapturedPage(std::string_view page, std::string_view page_url,
                                   const THtmlLinkFilter& filter, const TNewLinkProc& new_link,
                                   TWebFile* parent, bool real_link, TDateTime capture_start,
                                   bool requisites, std::string_view header_charset) {
  return ProcessPage(page, page_url, filter, new_link, parent, real_link, capture_start, requisites,
                     header_charset, {});
}

bool SetHtmlLinks(const THtmlLinksContext& web, TWebFile& file, std::string_view page_url,
                  const THtmlLinkFilter& filter, std::string_view header_charset,
                  const std::string* captured) {
  const std::string_view name = WebFileNameOrEmpty(file.GetFileName());
  if (!web.FileSystem || name.empty()) return !captured;
  const std::string path = web.WebPath + std::string(name);
  std::optional<std::string> stored;
  if (!captured) {
    stored = web.FileSystem->ReadFile(path);
    if (!stored) return true;
  }
  const std::string_view page = captured ? std::string_view(*captured) : *stored;
  TStoredPageWriter writer(*web.FileSystem, path,
                           captured ? std::nullopt : std::optional<std::string_view>(page));
  TProcessedPage processed =
      ProcessPage(page, page_url, filter, web.NewLink, &file, web.RealLinkFlag, web.CaptureStart,
                  web.Requisites, header_charset, [&](std::string& piece) { writer.Take(piece); });
  if (processed.Ismap) file.SetIsmap(true);
  if (!processed.Title.empty()) file.SetDescription(processed.Title);
  return writer.Finish(processed.Text, nullptr);
}

bool IsStylesheetType(std::string_view content_type) {
  return SameAsciiNoCase(content_type, "text/css");
}

bool SetStylesheetLinks(const THtmlLinksContext& web, TWebFile& file, std::string_view url,
                        const THtmlLinkFilter& filter) {
  const std::string_view name = WebFileNameOrEmpty(file.GetFileName());
  if (!web.FileSystem || name.empty()) return true;
  const std::string path = web.WebPath + std::string(name);
  std::optional<std::string> css = web.FileSystem->ReadFile(path);
  if (!css) return true;
  const TRequisitesOfPage requisites(filter, web.NewLink, &file);
  std::string out = requisites.Stylesheet(*css, url);
  if (out == *css) return true;
  return web.FileSystem->ReplaceFile(path, out);
}

bool RewriteStylesheet(TFileSystem& fs, const std::string& web_path, const TWebFile& file,
                       const TWebTree& tree) {
  const std::string_view name = WebFileNameOrEmpty(file.GetFileName());
  if (name.empty()) return true;
  const std::string path = web_path + std::string(name);
  std::optional<std::string> css = fs.ReadFile(path);
  if (!css) return true;
  std::string out = ResolvedStylesheet(*css, [&](const std::string& address) {
    std::optional<std::string> local = LocalFileOf(tree, address);
    if (local) *local = LinkBetweenFiles(name, *local);
    return local;
  });
  if (out == *css) return true;
  return fs.ReplaceFile(path, out);
}

namespace {

std::string ResolvePage(std::string_view page, std::string_view page_name,
                        std::string_view page_url, const TWebTree& tree, const TMAPLIST& map_list,
                        const TMapFileReader& read_map, TDateTime capture_date, bool real_link,
                        bool suppress_link, bool requisites, const TPieceSink& sink) {
  StripTrailingFooter(page);
  TPageResolver resolver(page, page_name, tree, map_list, read_map, suppress_link, requisites);
  if (real_link && requisites) {
    return resolver.Run(sink,
                        [&](std::string& out) { WriteBodyFooter(out, page_url, capture_date); });
  }
  std::string out = resolver.Run(sink);
  if (real_link) WriteFooter(out, page_url, capture_date);
  return out;
}

}  // namespace

std::string RewritePageText(std::string_view page, std::string_view page_url, const TWebTree& tree,
                            const TMAPLIST& map_list, const TMapFileReader& read_map,
                            TDateTime capture_date, bool real_link, bool suppress_link,
                            bool requisites, std::string_view page_name) {
  return ResolvePage(page, page_name, page_url, tree, map_list, read_map, capture_date, real_link,
                     suppress_link, requisites, {});
}

bool RewritePage(TFileSystem& fs, const std::string& web_path, const TWebFile& file,
                 const TWebTree& tree, const TMAPLIST& map_list, TDateTime capture_date,
                 bool real_link, bool suppress_link, bool requisites, std::int64_t* size) {
  if (size) *size = -1;
  const std::string_view name = WebFileNameOrEmpty(file.GetFileName());
  if (name.empty()) return true;
  const std::string path = web_path + std::string(name);
  std::optional<std::string> source = fs.ReadFile(path);
  if (!source) return true;
  TMapFileReader read_map = [&](const std::string& map_file) -> std::optional<std::string> {
    return fs.ReadFile(web_path + map_file);
  };
  std::string page_url = real_link ? tree.GetUrl(&file) : std::string();
  // A page already resolved is not written again.
  TStoredPageWriter writer(fs, path, *source);
  std::string rest =
      ResolvePage(*source, name, page_url, tree, map_list, read_map, capture_date, real_link,
                  suppress_link, requisites, [&](std::string& piece) { writer.Take(piece); });
  return writer.Finish(rest, size);
}

}  // namespace korvane
