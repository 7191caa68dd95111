// The page requisites' part of the two passes over a captured page (page_rewriter.h) and the
// passes over a captured stylesheet. After capture, the addresses of a tag's extra links
// (SRCSET, POSTER, a refresh, STYLE url()s), of a STYLE element and of a stylesheet are made
// absolute and handed to admission; when links are resolved, each is pointed at its local copy
// and the value it started from is kept (OLD attributes, comments in stylesheets), so that
// resolving any number of times gives the same bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "html/html_parser.h"
#include "html/link_item.h"

namespace korvane {

// Hands one found address (absolute) to admission, with its kind.
using TAdmitAddress = std::function<void(const TLinkItem& link)>;
// The local file of an address when it was captured, else nothing.
using TLocalFileOf = std::function<std::optional<std::string>(const std::string& address)>;

// One change of a tag's text: `length` bytes at 0-based `at` replaced by `text`.
struct TTagEdit {
  std::size_t At = 0;
  std::size_t Length = 0;
  std::string Text;
};
// Applies edits that do not overlap, whatever their order.
std::string ApplyTagEdits(std::string tag, std::vector<TTagEdit> edits);

// After capture: the edits that make the extra links of tag `i` absolute against `base`; every
// address that can be fetched is admitted.
std::vector<TTagEdit> AbsoluteExtraLinks(const THtmlParser& parser, int i, std::string_view base,
                                         const TAdmitAddress& admit);
// Resolving: the edits that point the extra links of tag `i` at their local files, keeping the
// value each started from in its OLD attribute (removed again when nothing is local any more).
std::vector<TTagEdit> ResolvedExtraLinks(const THtmlParser& parser, int i,
                                         const TLocalFileOf& local_file);

// A stylesheet's text (a file, or a STYLE element) with its addresses made absolute against
// `base`, each admitted: pictures as backgrounds, fonts and imported stylesheets as requisites.
std::string AbsoluteStylesheet(std::string_view css, std::string_view base,
                               const TAdmitAddress& admit);
// A stylesheet's text with every captured address pointed at its local file.
std::string ResolvedStylesheet(std::string_view css, const TLocalFileOf& local_file);

}  // namespace korvane
