// The links a tag carries besides its one link of the original tag table, for page requisites:
// the candidates of a SRCSET (IMG, SOURCE), the POSTER of a VIDEO, the address of a META refresh,
// and the url()s of a STYLE attribute. Each lies inside an attribute value; a rewrite for local
// reading keeps the value it started from in an attribute of its own, named OLD and the
// attribute's name (OLDSRCSET), as OLDREF keeps a tag's link.
//
// Attribute values hold entities ("&amp;"): an address is decoded before it is used, and an
// address written into a value is encoded again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "html/html_parser.h"

namespace korvane {

// One address inside an attribute's value, as written there.
struct TValueAddress {
  std::size_t Offset = 0;
  std::size_t Length = 0;
  std::string Address;  // entities decoded
  std::uint8_t LinkKind = lkImage;
};

struct TExtraLink {
  std::string Attribute;  // upper case: "SRCSET", "POSTER", "CONTENT", "STYLE"
  TTagParam Value;        // the attribute as it stands
  TTagParam Old;          // its OLD attribute, when a rewrite left one
  // The value a rewrite starts from (the kept one, or the value), and the addresses in it.
  std::string Source;
  std::vector<TValueAddress> Addresses;
};

// The extra links of tag `i` of a parser for requisites; none for a parser without.
std::vector<TExtraLink> ExtraLinks(const THtmlParser& parser, int i);

// The candidates' addresses of a srcset value ("a.png 1x, b.png 480w"), descriptors left out.
std::vector<TValueAddress> SrcsetAddresses(std::string_view value);
// The address of a refresh ("5; url=next.htm"), when it names one.
std::vector<TValueAddress> RefreshAddresses(std::string_view content);

// An attribute value's entities decoded: the character references (&#38; &#x26;) and the named
// ones an address may hold (&amp; &lt; &gt; &quot; &apos; and Latin-1's). Others stay as written.
std::string DecodeAttributeValue(std::string_view value);
// The characters that would be read as entities or would end the value, encoded.
std::string EncodeAttributeValue(std::string_view value);
// An address as it is written into a value: as it stands when it reads back the same (a lone
// "&" stays), encoded otherwise.
std::string AttributeText(std::string_view address);

// A value's bytes with each of `addresses` replaced by its new text (same order, same count).
std::string ReplaceAddresses(std::string_view value, const std::vector<TValueAddress>& addresses,
                             const std::vector<std::string>& with);

// Whether an address names something a capture can fetch at all (not "data:", "javascript:",
// "blob:", "about:", nor a fragment alone): the others are passed over without a word.
bool IsFetchableAddress(std::string_view address);

}  // namespace korvane
