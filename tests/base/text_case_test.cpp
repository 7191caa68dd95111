#include "base/text_case.h"

#include <gtest/gtest.h>

#include "base/file_name.h"

namespace korvane {
namespace {

TEST(TextCaseTest, AccentedLettersFoldButSignsDoNot) {
  EXPECT_TRUE(SameTextNoCase("Index.HTM", "index.htm"));
  EXPECT_TRUE(SameTextNoCase("\xC9t\xE9", "\xE9T\xC9"));  // Été / éTÉ
  EXPECT_TRUE(SameTextNoCase("\x8A\x9F", "\x9A\xFF"));    // Š Ÿ / š ÿ
  EXPECT_FALSE(SameTextNoCase("\xD7", "\xF7"));           // × and ÷ are not a pair
  EXPECT_FALSE(SameTextNoCase("a", "ab"));
  EXPECT_EQ(AnsiUpperCase("localhost\xE9"), "LOCALHOST\xC9");
  EXPECT_EQ(HashNoCase("DOCS/"), HashNoCase("docs/"));
  EXPECT_FALSE(SameAsciiNoCase("\xC9", "\xE9"));
  EXPECT_TRUE(SameAsciiNoCase("TEXT/Html", "text/html"));
}

TEST(FileNameTest, OnlyPlainNamesPass) {
  struct Case {
    const char* name;
    bool plain;
  } cases[] = {
      {"a.gif", true}, {"INDEX1.htm", true}, {"", false},     {".", false},
      {"..", false},   {"../a", false},      {"a\\b", false}, {"/etc/passwd", false},
      {"a\tb", false}, {"a\x7f", false},     {"...", true},   {"caf\xE9.gif", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsPlainFileName(c.name), c.plain) << c.name;
}

}  // namespace
}  // namespace korvane
