#include "base/text_encoding.h"

#include <array>
#include <cstdint>

namespace korvane {
namespace {

// The characters of bytes 0x80 to 0x9F; the rest of Windows-1252 is Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CharacterOf(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char32_t{byte};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// The byte of `c`, or -1 when Windows-1252 has none.
int ByteOf(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<int>(0x80 + i);
  }
  return -1;
}

// Decodes one character at `at`; advances `at`. Returns -1 for an invalid sequence (one byte
// consumed).
long DecodeOne(std::string_view s, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(s[at]);
  int length = lead < 0x80           ? 1
               : (lead >> 5) == 0x6  ? 2
               : (lead >> 4) == 0xE  ? 3
               : (lead >> 3) == 0x1E ? 4
                                     : 0;
  if (length == 0 || at + length > s.size()) {
    ++at;
    return -1;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(s[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return -1;
    }
    c = (c << 6) | (next & 0x3F);
  }
  // Overlong forms and surrogates are not characters.
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
    ++at;
    return -1;
  }
  at += static_cast<std::size_t>(length);
  return static_cast<long>(c);
}

bool IsCharacter(std::uint32_t c) { return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// The character of a numeric reference at the start of `s` ("&#8594;", "&#x2192;") and its
// length; 0 when `s` does not start with one.
std::size_t ReadNumericReference(std::string_view s, char32_t& c) {
  if (s.size() < 4 || s[0] != '&' || s[1] != '#') return 0;
  const bool hex = s[2] == 'x' || s[2] == 'X';
  std::size_t at = hex ? 3 : 2;
  std::uint32_t value = 0;
  const std::size_t first = at;
  for (; at < s.size() && at - first < 8; ++at) {
    const char d = s[at];
    int digit = d >= '0' && d <= '9'          ? d - '0'
                : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                              : -1;
    if (digit < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
  }
  if (at == first || at >= s.size() || s[at] != ';' || !IsCharacter(value)) return 0;
  c = value;
  return at + 1;
}

}  // namespace

char32_t Win1252Character(unsigned char byte) { return CharacterOf(byte); }

void TTextWriter::Append(std::string_view bytes) {
  if (full_ || text_.size() + bytes.size() > limit_) {
    full_ = true;
    return;
  }
  text_.append(bytes);
}

void TTextWriter::Put(char32_t c) {
  if (full_) return;
  if (c == '#' && after_ampersand_ && !markup_) {
    // "&#" of the text itself: the '&' becomes a reference, so that nothing reads as one. When
    // the '#' would not fit after it, the text ends at the '&', written as itself: a reference
    // there would stand for a '&' that no longer needs one.
    if (limit_ != std::string::npos && text_.size() - 1 + 5 + 1 > limit_) {
      full_ = true;
      return;
    }
    text_.pop_back();
    Append("&#38;");
    if (full_) return;
  }
  after_ampersand_ = c == '&';
  const int byte = ByteOf(c);
  if (byte >= 0) {
    const char one = static_cast<char>(byte);
    Append(std::string_view(&one, 1));
  } else {
    Append("&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";");
  }
  if (full_) after_ampersand_ = false;
}

std::string TextToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = 0;
    if (std::size_t n = text[at] == '&' ? ReadNumericReference(text.substr(at), c) : 0) {
      AppendUtf8(out, c);
      at += n;
    } else {
      AppendUtf8(out, CharacterOf(static_cast<unsigned char>(text[at++])));
    }
  }
  return out;
}

std::string Utf8ToText(std::string_view utf8, bool markup) {
  TTextWriter out(std::string::npos, markup);
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t start = at;
    long c = DecodeOne(utf8, at);
    if (c >= 0) {
      out.Put(static_cast<char32_t>(c));
      continue;
    }
    // The start of a sequence that the end of the text cut: nothing to show of it.
    const auto lead = static_cast<unsigned char>(utf8[start]);
    const std::size_t length = (lead >> 5) == 0x6    ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    bool cut = length > 0 && start + length > utf8.size();
    for (std::size_t k = start + 1; cut && k < utf8.size(); ++k) {
      cut = (static_cast<unsigned char>(utf8[k]) & 0xC0) == 0x80;
    }
    if (cut) break;
    out.Put(CharacterOf(lead));
  }
  return out.Text();
}

std::string Win1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char byte : text) AppendUtf8(out, CharacterOf(static_cast<unsigned char>(byte)));
  return out;
}

std::string Utf8ToWin1252(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    long c = DecodeOne(text, at);
    int byte = c < 0 ? -1 : ByteOf(static_cast<char32_t>(c));
    out.push_back(byte < 0 ? replacement : static_cast<char>(byte));
  }
  return out;
}

}  // namespace korvane
