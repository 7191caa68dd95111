#include "pages/requisite_rewriter.h"

#include <algorithm>

#include "html/css_scanner.h"
#include "html/requisite_links.h"
#include "html/url.h"

namespace korvane {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < 33; }

// The absolute form of an address found in a page or a stylesheet; empty when it is none a
// capture can fetch.
std::string Absolute(std::string_view address, std::string_view base) {
  if (!IsFetchableAddress(address)) return {};
  std::string abs = Resolve(address, base);
  return IsWebAddress(abs) && !HasOtherProtocol(abs) ? abs : std::string();
}

std::uint8_t KindOf(const TCssAddress& a) {
  return a.Kind == TCssAddress::kPicture ? lkBackground : lkRequisite;
}

// The edit that sets a value (its quotes added when it had none and now holds a blank).
TTagEdit ValueEdit(const TTagParam& value, std::string text) {
  const bool needs_quotes =
      !value.Quoted && std::any_of(text.begin(), text.end(), [](char c) { return IsBlank(c); });
  if (needs_quotes) text = "\"" + text + "\"";
  return {value.ValueStart - 1, value.ValueLength, std::move(text)};
}

// The edits that leave `link` at `value`, with its OLD attribute holding `source` when the two
// differ and gone when they do not.
void KeepSource(const TExtraLink& link, const std::string& value, std::vector<TTagEdit>& edits) {
  const bool changed = value != link.Source;
  if (value != link.Value.Value) edits.push_back(ValueEdit(link.Value, value));
  const bool has_old = link.Old.AttrStart != 0;
  if (changed && has_old) {
    if (link.Old.Value != link.Source) {
      edits.push_back({link.Old.ValueStart - 1, link.Old.ValueLength, link.Source});
    }
  } else if (changed) {
    // Right after the attribute whose value it keeps.
    edits.push_back({link.Value.AttrStart - 1 + link.Value.AttrLength, 0,
                     " OLD" + link.Attribute + "=\"" + link.Source + "\""});
  } else if (has_old) {
    // The blank before it goes with it.
    edits.push_back({link.Old.AttrStart - 2, link.Old.AttrLength + 1, ""});
  }
}

}  // namespace

std::string ApplyTagEdits(std::string tag, std::vector<TTagEdit> edits) {
  // From the last to the first, so that the positions of the earlier ones stay valid.
  std::sort(edits.begin(), edits.end(),
            [](const TTagEdit& a, const TTagEdit& b) { return a.At > b.At; });
  for (const TTagEdit& e : edits) {
    const std::size_t at = std::min(e.At, tag.size());
    tag.replace(at, std::min(e.Length, tag.size() - at), e.Text);
  }
  return tag;
}

std::vector<TTagEdit> AbsoluteExtraLinks(const THtmlParser& parser, int i, std::string_view base,
                                         const TAdmitAddress& admit) {
  std::vector<TTagEdit> edits;
  for (const TExtraLink& link : ExtraLinks(parser, i)) {
    if (link.Old.AttrStart != 0 || link.Source.find('"') != std::string::npos) continue;
    std::vector<std::string> with;
    for (const TValueAddress& a : link.Addresses) {
      const std::string_view written = std::string_view(link.Source).substr(a.Offset, a.Length);
      std::string abs = Absolute(a.Address, base);
      if (!abs.empty() && admit) admit(TLinkItem{a.LinkKind, abs, ""});
      // Made absolute in the page's own spelling, its entities as written.
      with.push_back(abs.empty() ? std::string(written) : Resolve(written, base));
    }
    std::string value = ReplaceAddresses(link.Source, link.Addresses, with);
    if (value != link.Value.Value) edits.push_back(ValueEdit(link.Value, value));
  }
  return edits;
}

std::vector<TTagEdit> ResolvedExtraLinks(const THtmlParser& parser, int i,
                                         const TLocalFileOf& local_file) {
  std::vector<TTagEdit> edits;
  for (const TExtraLink& link : ExtraLinks(parser, i)) {
    // A source holding a quote could not be kept whole in a quoted OLD attribute.
    if (link.Source.find('"') != std::string::npos) continue;
    std::vector<std::string> with;
    for (const TValueAddress& a : link.Addresses) {
      std::optional<std::string> local = local_file(a.Address);
      with.push_back(local ? *local
                           : std::string(std::string_view(link.Source).substr(a.Offset, a.Length)));
    }
    KeepSource(link, ReplaceAddresses(link.Source, link.Addresses, with), edits);
  }
  return edits;
}

std::string AbsoluteStylesheet(std::string_view css, std::string_view base,
                               const TAdmitAddress& admit) {
  return ReplaceCssAddresses(
      css,
      [&](const TCssAddress& a) -> std::optional<std::string> {
        // A stylesheet a rewrite already went over is not captured again as it is.
        if (!a.Original.empty()) return std::nullopt;
        std::string abs = Absolute(a.Address, base);
        if (abs.empty()) return std::nullopt;
        if (admit) admit(TLinkItem{KindOf(a), abs, ""});
        return abs;
      },
      false);
}

std::string ResolvedStylesheet(std::string_view css, const TLocalFileOf& local_file) {
  return ReplaceCssAddresses(
      css,
      [&](const TCssAddress& a) -> std::optional<std::string> {
        const std::string& source = a.Source();
        std::optional<std::string> local = local_file(source);
        return local ? *local : source;
      },
      true);
}

}  // namespace korvane
