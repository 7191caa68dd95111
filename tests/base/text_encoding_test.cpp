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

}  // namespace
}  // namespace korvane
