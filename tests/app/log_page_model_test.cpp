#include "app/log_page_model.h"

#include <gtest/gtest.h>

#include "support/mem_file_system.h"

namespace korvane {
namespace {

TEST(LogPageTest, EachLineWithItsKindAddressAndCause) {
  // A page as the program writes it, with a line cut at its length limit (no line break before
  // the next "<br>"), an upper-case break, blank lines and a line of nobody's.
  const std::string page =
      "<HTML><HEADER><META CHARSET=\"windows-1252\"></HEADER><BODY BGCOLOR=\"#FFFFFF\">"
      "<H3>WEB : HTTP://H/</H3>"
      "<br>D\xE9"
      "but de capture le 10/12/2026 03:00:00\r\n"
      "<br>URL non trouv\xE9"
      "e (404):http://h/missing.html\r\n"
      "<br>Erreur (Connexion refus\xE9"
      "e):http://h:81/x\r\n"
      "<br>Espace disque insuffisant (5000 octets annonc\xE9s):http://h/big.zip\r\n"
      "<br>http://x.org/ filtr\xE9 : Externe au domaine principal\r\n"
      "<br>nohost.example : WEB non trouv\xE9\r\n"
      "<br>https://h/ : \xE9"
      "chec TLS : certificate expired"
      "<BR>javascript:void(0) : url non valide\r\n"
      "<br>\r\n<br>   \r\n"
      "<br>GET /a.html HTTP/1.0\r\n"
      "<br>Erreur (unclosed\r\n"
      "<br>3 page(s) captur\xE9"
      "e(s)\r\n";
  const std::vector<TLogEntry> entries = ParseLogPage(page);
  ASSERT_EQ(entries.size(), 11u);
  auto expect = [&](std::size_t i, TLogKind kind, const std::string& address,
                    const std::string& cause) {
    SCOPED_TRACE(entries[i].Text);
    EXPECT_EQ(entries[i].Kind, kind);
    EXPECT_EQ(entries[i].Address, address);
    EXPECT_EQ(entries[i].Cause, cause);
  };
  expect(0, TLogKind::kSession, "", "");
  EXPECT_EQ(entries[0].Text,
            "D\xE9"
            "but de capture le 10/12/2026 03:00:00");
  expect(1, TLogKind::kNotFound, "http://h/missing.html", "404");
  expect(2, TLogKind::kError, "http://h:81/x",
         "Connexion refus\xE9"
         "e");
  expect(3, TLogKind::kError, "http://h/big.zip",
         "Espace disque insuffisant (5000 octets annonc\xE9s)");
  expect(4, TLogKind::kFiltered, "http://x.org/", "Externe au domaine principal");
  expect(5, TLogKind::kError, "nohost.example", "WEB non trouv\xE9");
  expect(6, TLogKind::kError, "https://h/",
         "\xE9"
         "chec TLS : certificate expired");
  expect(7, TLogKind::kError, "javascript:void(0)", "url non valide");
  expect(8, TLogKind::kOther, "", "");
  expect(9, TLogKind::kOther, "", "");  // an error line without its address is only text
  expect(10, TLogKind::kSession, "", "");

  EXPECT_EQ(FilterLog(entries, LogKindBit(TLogKind::kError), ""),
            (std::vector<std::size_t>{2, 3, 5, 6, 7}));
  EXPECT_EQ(FilterLog(entries, kAllLogKinds, "HTTP://H/"), (std::vector<std::size_t>{1, 3}));
  EXPECT_EQ(
      FilterLog(entries, LogKindBit(TLogKind::kNotFound) | LogKindBit(TLogKind::kFiltered), " "),
      (std::vector<std::size_t>{1, 4}));
}

TEST(LogPageTest, AnAddressRefusedByARuleIsFilteredWithTheRule) {
  const std::vector<TLogEntry> entries =
      ParseLogPage("<br>http://h/private/a.htm filtered by rule - **/private/**\r\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Kind, TLogKind::kFiltered);
  EXPECT_EQ(entries[0].Address, "http://h/private/a.htm");
  EXPECT_EQ(entries[0].Cause, "rule - **/private/**");
}

TEST(LogPageTest, AMissingOrForeignPageIsSaidNotShown) {
  testing::TMemFileSystem fs;
  ASSERT_TRUE(fs.MakeDirs("/w"));
  TLogPage log = ReadLogPage(fs, "/w/");
  EXPECT_TRUE(log.Entries.empty());
  EXPECT_NE(log.Problem.find("/w/LogFile.htm"), std::string::npos) << log.Problem;

  // Found in another letter case; a page with no line yet is no problem.
  fs.files["/w/LOGFILE.HTM"] = "<HTML><BODY><H3>WEB : HTTP://H/</H3>";
  log = ReadLogPage(fs, "/w/");
  EXPECT_TRUE(log.Entries.empty());
  EXPECT_EQ(log.Problem, "");

  fs.files["/w/LOGFILE.HTM"] = std::string("\x89PNG\r\n\x1a\n\0\0garbage", 17);
  log = ReadLogPage(fs, "/w/");
  EXPECT_TRUE(log.Entries.empty());
  EXPECT_EQ(log.Problem, "The file /w/LOGFILE.HTM is not a log page.");

  // A truncated page ends with its last whole or partial line.
  fs.files["/w/LOGFILE.HTM"] = "<br>Erreur (x):http://h/a<br>Err";
  log = ReadLogPage(fs, "/w/");
  ASSERT_EQ(log.Entries.size(), 2u);
  EXPECT_EQ(log.Entries[1].Text, "Err");
}

}  // namespace
}  // namespace korvane
