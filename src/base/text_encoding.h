// The one conversion between the core's text (single-byte Windows-1252) and the UTF-8 that the
// windows and the terminal show and type. Every byte maps to one character and back, so text
// survives a trip through a view unchanged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane {

// Windows-1252 bytes as UTF-8. The five bytes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) become the control characters of the same number, so that they come back.
std::string Win1252ToUtf8(std::string_view text);

// UTF-8 as Windows-1252. A character Windows-1252 cannot hold, and a byte that is not valid
// UTF-8, become `replacement`.
std::string Utf8ToWin1252(std::string_view text, char replacement = '?');

// Texts read from pages (titles, link texts, descriptions) keep every character: one that
// Windows-1252 cannot hold is written as a numeric character reference ("&#8594;"), which older
// readers show as plain text and which the generated pages and the front ends show as the
// character. A '&' that would read as the start of such a reference is written "&#38;".

// The character a Windows-1252 byte stands for.
char32_t Win1252Character(unsigned char byte);

// Builds such a text one character at a time, no longer than `limit` bytes: a character that
// would not fit whole is left out, with everything after it.
class TTextWriter {
 public:
  // With `markup`, the text is HTML source whose '&' are markup: they are written as they are.
  explicit TTextWriter(std::size_t limit = std::string::npos, bool markup = false)
      : limit_(limit), markup_(markup) {}
  void Put(char32_t c);
  bool Full() const { return full_; }
  const std::string& Text() const { return text_; }

 private:
  void Append(std::string_view bytes);

  std::string text_;
  std::size_t limit_;
  bool markup_;
  bool after_ampersand_ = false;  // the last character written is a '&' of the text
  bool full_ = false;
};

// Such a text as UTF-8, its references shown as the characters they stand for.
std::string TextToUtf8(std::string_view text);
// UTF-8 (typed, or from a page) as such a text. A byte that is not valid UTF-8 is taken as the
// Windows-1252 character it is; a sequence cut short at the end is dropped. With `markup` the
// text is HTML source, and its '&' are kept as they are.
std::string Utf8ToText(std::string_view utf8, bool markup = false);

}  // namespace korvane
