// One pass over the text, tracking only what decides whether a url() is a font: whether the scan
// is inside an @font-face block. Strings and comments are stepped over whole.
#include "html/css_scanner.h"

#include <algorithm>

#include "base/percent_escape.h"
#include "base/text_case.h"

namespace korvane {
namespace {

constexpr std::string_view kMarkerOpen = "/*OLDREF=";
constexpr std::string_view kMarkerClose = "*/";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
  return at + word.size() <= text.size() && SameAsciiNoCase(text.substr(at, word.size()), word);
}

// Undoes the escapes an address may hold ("\\)", "\\ ") without the hexadecimal forms, which an
// address has no use for.
std::string Unescaped(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t k = 0; k < raw.size(); ++k) {
    if (raw[k] == '\\' && k + 1 < raw.size()) ++k;
    out.push_back(raw[k]);
  }
  return out;
}

// `address` written where `quote` is the quote around it (none: a bare url()), so that it reads
// back whole: what would end it is escaped, and the characters an escape cannot hold there
// (controls, and blanks in a bare url) are percent-encoded, which an address reads alike.
std::string Spelt(std::string_view address, char quote) {
  std::string out;
  out.reserve(address.size());
  for (const char c : address) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || (!quote && c == ' ')) {
      AppendPercentEscape(out, u);
      continue;
    }
    const bool ends = quote ? c == quote : (c == '(' || c == ')' || c == '"' || c == '\'');
    if (ends || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

class TScanner {
 public:
  explicit TScanner(std::string_view css) : s_(css) {}

  std::vector<TCssAddress> Run() {
    while (k_ < s_.size()) Next();
    return std::move(found_);
  }

 private:
  void Next() {
    const char c = s_[k_];
    if (c == '/' && k_ + 1 < s_.size() && s_[k_ + 1] == '*') return SkipComment();
    if (c == '"' || c == '\'') return void(k_ = StringEnd(k_));
    if (c == '{') {
      ++depth_;
      if (font_face_pending_) {
        font_face_depth_ = depth_;
        font_face_pending_ = false;
      }
    } else if (c == '}') {
      if (depth_ == font_face_depth_) font_face_depth_ = -1;
      if (depth_ > 0) --depth_;
    } else if (c == ';') {
      font_face_pending_ = false;
    } else if (c == '@' && StartsWithNoCase(s_, k_, "@import")) {
      return Import();
    } else if (c == '@' && StartsWithNoCase(s_, k_, "@font-face")) {
      font_face_pending_ = true;
    } else if (!PrecededByName() && StartsWithNoCase(s_, k_, "url(")) {
      return Url();
    } else if (!PrecededByName() && StartsWithNoCase(s_, k_, "image-set(")) {
      return ImageSet(k_ + 10);
    } else if (!PrecededByName() && StartsWithNoCase(s_, k_, "-webkit-image-set(")) {
      return ImageSet(k_ + 18);
    }
    ++k_;
  }

  bool PrecededByName() const { return k_ > 0 && IsNameChar(s_[k_ - 1]); }

  TCssAddress::TKind PictureOrFont() const {
    return font_face_depth_ >= 0 ? TCssAddress::kFont : TCssAddress::kPicture;
  }

  void SkipComment() {
    const std::size_t end = s_.find(kMarkerClose, k_ + 2);
    k_ = end == std::string_view::npos ? s_.size() : end + kMarkerClose.size();
  }

  // Just past the string that opens at `at` (its closing quote, or the end of its line).
  std::size_t StringEnd(std::size_t at, bool* closed = nullptr) const {
    const char quote = s_[at];
    std::size_t k = at + 1;
    while (k < s_.size() && s_[k] != quote && s_[k] != '\n') k += s_[k] == '\\' ? 2 : 1;
    if (closed) *closed = k < s_.size() && s_[k] == quote;
    return std::min(k + 1, s_.size());
  }

  void Add(std::size_t offset, std::size_t length, TCssAddress::TKind kind, std::size_t end) {
    TCssAddress a;
    a.Offset = offset;
    a.Length = length;
    a.Address = Unescaped(s_.substr(offset, length));
    a.Kind = kind;
    a.Quote = offset > 0 && (s_[offset - 1] == '"' || s_[offset - 1] == '\'') &&
                      end == offset + length + 1
                  ? s_[offset - 1]
                  : '\0';
    a.TokenEnd = end;
    ReadMarker(a);
    found_.push_back(std::move(a));
  }

  // The address of a string at `at`; false when there is no string there.
  bool StringAddress(std::size_t at, TCssAddress::TKind kind) {
    if (at >= s_.size() || (s_[at] != '"' && s_[at] != '\'')) return false;
    bool closed = false;
    const std::size_t end = StringEnd(at, &closed);
    // A string never closed is a broken declaration; what a rewrite put after it would land
    // inside the string.
    if (closed) Add(at + 1, end - at - 2, kind, end);
    k_ = end;
    return true;
  }

  void Url() {
    std::size_t v = k_ + 4;
    while (v < s_.size() && IsSpace(s_[v])) ++v;
    const std::size_t found = found_.size();
    if (StringAddress(v, PictureOrFont())) {
      std::size_t close = s_.find(')', k_);
      // (A string never closed gave no address.)
      if (found_.size() > found && close != std::string_view::npos && IsBlankUpTo(k_, close)) {
        // The marker follows the ')' that closes the url().
        found_.back().TokenEnd = close + 1;
        ReadMarker(found_.back());
        k_ = close + 1;
      }
      return;
    }
    std::size_t close = v;
    while (close < s_.size() && s_[close] != ')') close += s_[close] == '\\' ? 2 : 1;
    close = std::min(close, s_.size());
    std::size_t value_end = close;
    while (value_end > v && IsSpace(s_[value_end - 1])) --value_end;
    const std::size_t end = std::min(close + 1, s_.size());
    // Like a string, a url( never closed is a broken declaration.
    if (value_end > v && close < s_.size()) Add(v, value_end - v, PictureOrFont(), end);
    k_ = end;
  }

  bool IsBlankUpTo(std::size_t from, std::size_t to) const {
    for (std::size_t k = from; k < to; ++k) {
      if (!IsSpace(s_[k])) return false;
    }
    return true;
  }

  // The comment a rewrite left right after the address's token.
  void ReadMarker(TCssAddress& a) const {
    a.Original.clear();
    a.OriginalSpelling.clear();
    a.MarkerOffset = a.MarkerLength = 0;
    if (!s_.substr(a.TokenEnd).starts_with(kMarkerOpen)) return;
    const std::size_t close = s_.find(kMarkerClose, a.TokenEnd + kMarkerOpen.size());
    if (close == std::string_view::npos) return;
    const std::size_t from = a.TokenEnd + kMarkerOpen.size();
    a.OriginalSpelling = std::string(s_.substr(from, close - from));
    a.Original = Unescaped(a.OriginalSpelling);
    a.MarkerOffset = a.TokenEnd;
    a.MarkerLength = close + kMarkerClose.size() - a.TokenEnd;
  }

  void Import() {
    std::size_t v = k_ + 7;
    while (v < s_.size() && IsSpace(s_[v])) ++v;
    k_ = v;
    if (StringAddress(v, TCssAddress::kStylesheet)) return;
    if (StartsWithNoCase(s_, v, "url(")) {
      const std::size_t before = found_.size();
      Url();
      if (found_.size() > before) found_.back().Kind = TCssAddress::kStylesheet;
    }
  }

  // The strings of an image-set(): its url()s are met as such by the scan.
  void ImageSet(std::size_t from) {
    k_ = from;
    int nesting = 1;
    while (k_ < s_.size() && nesting > 0) {
      const char c = s_[k_];
      if (c == '"' || c == '\'') {
        StringAddress(k_, PictureOrFont());
      } else if (StartsWithNoCase(s_, k_, "url(")) {
        Url();
      } else {
        if (c == '(') ++nesting;
        if (c == ')') --nesting;
        ++k_;
      }
    }
  }

  std::string_view s_;
  std::size_t k_ = 0;
  int depth_ = 0;
  int font_face_depth_ = -1;
  bool font_face_pending_ = false;
  std::vector<TCssAddress> found_;
};

}  // namespace

std::vector<TCssAddress> FindCssAddresses(std::string_view css) { return TScanner(css).Run(); }

std::string ReplaceCssAddresses(std::string_view css, const TCssReplace& replace,
                                bool keep_originals) {
  std::string out;
  out.reserve(css.size() + css.size() / 8);
  std::size_t copied = 0;
  for (const TCssAddress& a : FindCssAddresses(css)) {
    std::optional<std::string> with = replace(a);
    if (!with) continue;
    const std::string_view written = css.substr(a.Offset, a.Length);
    const std::string_view source_spelling =
        a.Original.empty() ? written : std::string_view(a.OriginalSpelling);
    // An original that a comment cannot hold ("*/" in it) could not be found again: such an
    // address is left as it stands.
    const bool is_source = *with == a.Source();
    if (keep_originals && !is_source && source_spelling.find(kMarkerClose) != std::string::npos) {
      continue;
    }
    out.append(css.substr(copied, a.Offset - copied));
    if (is_source) {
      out.append(source_spelling);
    } else {
      out.append(Spelt(*with, a.Quote));
    }
    copied = a.Offset + a.Length;
    if (!keep_originals) continue;
    out.append(css.substr(copied, a.TokenEnd - copied));
    copied = a.MarkerLength ? a.MarkerOffset + a.MarkerLength : a.TokenEnd;
    if (!is_source) {
      out.append(kMarkerOpen);
      out.append(source_spelling);
      out.append(kMarkerClose);
    }
  }
  out.append(css.substr(copied));
  return out;
}

}  // namespace korvane
