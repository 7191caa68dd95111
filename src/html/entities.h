// The named character entities of HTML 4 ("&eacute;", "&mdash;", "&rarr;"), as pages use them in
// titles and link texts.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

// The character the entity `name` stands for (case matters: "Eacute" is not "eacute"), or 0
// when it names none.
char32_t NamedEntity(std::string_view name);

// The longest name NamedEntity knows.
inline constexpr std::size_t kLongestEntityName = 8;

// A character reference at the start of `s`: a named one ("&eacute;"), or a numeric one
// ("&#233;", "&#xE9;"), each ended by ';'. Its length, with the character in `c`; 0 when `s`
// does not start with one. As browsers read them, codes 128 to 159 are the Windows-1252
// characters of those bytes, and a code that is no character is U+FFFD.
std::size_t ReadCharacterReference(std::string_view s, char32_t& c);

}  // namespace korvane
