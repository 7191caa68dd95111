#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(TextEncodingTest, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
}

TEST(TextEncodingTest, WindowsCharactersAndLatinLetters) {
  struct Case {
    std::string_view win1252, utf8;
  } cases[] = {
      {"caf\xE9", "caf\xC3\xA9"},  // é
      {"\x80", "\xE2\x82\xAC"},    // euro sign
      {"\x97", "\xE2\x80\x94"},    // em dash
      {"\x93quoted\x94", "\xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"\x9F", "\xC5\xB8"},  // Y diaeresis
      {"\x81", "\xC2\x81"},  // undefined: kept as its control character
      {"filtr\xE9 : ok", "filtr\xC3\xA9 : ok"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Win1252ToUtf8(c.win1252), c.utf8) << c.win1252;
    EXPECT_EQ(Utf8ToWin1252(c.utf8), c.win1252) << c.win1252;
  }
}

TEST(TextEncodingTest, WhatWindows1252CannotHoldIsReplaced) {
  EXPECT_EQ(Utf8ToWin1252("\xE6\x97\xA5\xE6\x9C\xAC"), "??");  // two CJK characters
  EXPECT_EQ(Utf8ToWin1252("a\xF0\x9F\x98\x80z"), "a?z");       // outside the BMP
  EXPECT_EQ(Utf8ToWin1252("\xC3", '_'), "_");                  // cut short
  EXPECT_EQ(Utf8ToWin1252("\xC0\xAF"), "??");                  // overlong '/'
  EXPECT_EQ(Utf8ToWin1252("\xED\xA0\x80"), "???");             // a surrogate
  EXPECT_EQ(Utf8ToWin1252("\xFF"
                          "ok"),
            "?ok");
}

// Texts from pages keep every character: what Windows-1252 holds as its byte, the rest as a
// reference that the front ends show as the character.
TEST(TextEncodingTest, TextsKeepEveryCharacterThroughUtf8) {
  struct Case {
    std::string_view utf8, text;
  } cases[] = {
      {"caf\xC3\xA9 \xE2\x80\x94 menu", "caf\xE9 \x97 menu"},
      {"\xE2\x86\x92 \xE6\x97\xA5", "&#8594; &#26085;"},
      {"\xF0\x9F\x98\x80", "&#128512;"},
      {"AT&T &#42; & #", "AT&T &#38;#42; & #"},
      {"&&#", "&&#38;#"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToText(c.utf8), c.text) << c.utf8;
    EXPECT_EQ(TextToUtf8(c.text), c.utf8) << c.utf8;
  }
  // Old texts hold what they hold: bytes, and references that are not characters stay text.
  EXPECT_EQ(TextToUtf8("&#38;&#x41;&#0;&#xD800;&#12"), "&A&#0;&#xD800;&#12");
  // Not UTF-8: the bytes are Windows-1252; a character cut short at the end is dropped.
  EXPECT_EQ(Utf8ToText("caf\xE9s"), "caf\xE9s");
  EXPECT_EQ(Utf8ToText("ok\xE2\x80"), "ok");
}

TEST(TextEncodingTest, ATextWriterNeverCutsACharacter) {
  TTextWriter writer(7);
  for (char32_t c : {U'a', U'\u2192', U'b', U'c'}) writer.Put(c);
  EXPECT_EQ(writer.Text(), "a");
  EXPECT_TRUE(writer.Full());
  // Nor ends on a reference for a '&' whose '#' did not fit: the text reads back the same.
  TTextWriter full(4);
  for (char32_t c : {U'a', U'b', U'&', U'#', U'1'}) full.Put(c);
  EXPECT_EQ(full.Text(), "ab&");
  EXPECT_EQ(Utf8ToText(TextToUtf8(full.Text())), full.Text());
}

}  // namespace
}  // namespace korvane
