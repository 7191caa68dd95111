// The addresses a stylesheet names: url(...), the string of an @import, the strings of
// image-set(). They are found in stylesheet files, in STYLE elements and in STYLE attributes, so
// that what a page needs to show as served (fonts, pictures, imported stylesheets) is captured
// and read from disk. Comments and other strings are skipped.
//
// A rewrite for local reading keeps each address's original in a comment right after it,
// "url(a.png)/*OLDREF=http://h/img/a.png*/", so that the next rewrite starts from the original
// again and rewriting any number of times gives the same bytes.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct TCssAddress {
  enum TKind : std::uint8_t {
    kPicture,     // url() and image-set() outside @font-face: backgrounds, list markers...
    kFont,        // url() inside an @font-face rule
    kStylesheet,  // the stylesheet of an @import
  };
  std::size_t Offset = 0;  // of the address as written (inside its quotes), in the text
  std::size_t Length = 0;
  std::string Address;  // as written, escapes undone
  TKind Kind = kPicture;
  char Quote = 0;  // the quote around the address, none for a bare url()
  // The original a rewrite kept in a comment after the address (escapes undone, and as it was
  // spelt), and that comment's place; an empty Original when there is none.
  std::string Original, OriginalSpelling;
  std::size_t MarkerOffset = 0, MarkerLength = 0;
  std::size_t TokenEnd = 0;  // just past the address's token (its ')' or closing quote)

  // The address the rewrite started from: the kept original, or the address itself.
  const std::string& Source() const { return Original.empty() ? Address : Original; }
};

std::vector<TCssAddress> FindCssAddresses(std::string_view css);

// Replaces each address by what `replace` gives for it (nothing: left as it stands), escaped for
// its place; its own source comes back as it was spelt. With
// `keep_originals`, a replaced address is followed by the comment keeping its source, and an
// address given back its source loses that comment.
using TCssReplace = std::function<std::optional<std::string>(const TCssAddress& address)>;
std::string ReplaceCssAddresses(std::string_view css, const TCssReplace& replace,
                                bool keep_originals);

}  // namespace korvane
