// The one conversion between the core's text (single-byte Windows-1252) and the UTF-8 that the
// windows and the terminal show and type. Every byte maps to one character and back, so text
// survives a trip through a view unchanged.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Windows-1252 bytes as UTF-8. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, so that they come back.
std::string Win1252ToUtf8(std::string_view text);

// UTF-8 as Windows-1252. A character Windows-1252 cannot hold, and a byte that is not valid
// UTF-8, become `replacement`.
std::string Utf8ToWin1252(std::string_view text, char replacement = '?');

}  // namespace korvane
