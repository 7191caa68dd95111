#include "pages/bookmarks.h"
#include "engine/web_bookmark.h"

#include <gtest/gtest.h>

#include "settings/param.h"
#include "settings/profile.h"
#include "support/quiet_navigator.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

constexpr char kFile[] = "/home/u/bookmark.htm";
constexpr char kHeader[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n\r\n"
    "<!-- This is an automatically generated file.\r\n\r\n"
    "Il will be read an overwritten.\r\n\r\n"
    "Do Not Edit!-->\r\n\r\n";

class TAnswers final : public TBookmarkHooks {
 public:
  std::optional<std::string> ChooseOtherBookmarkFile(const std::string& message) override {
    questions.push_back(message);
    return other;
  }
  void BookmarkError(const std::string& message) override { errors.push_back(message); }

  std::optional<std::string> other;
  std::vector<std::string> questions;
  std::vector<std::string> errors;
};

class BookmarksTest : public ::testing::Test {
 protected:
  BookmarksTest() : profile_(w_.fs, "/home/u/.config/korvane/profile.ini", "/home/u/webs/") {
    EXPECT_TRUE(w_.fs.MakeDirs("/home/u/webs"));
    profile_.WriteWorkPath("/home/u/webs/");
    param_ = std::make_unique<TParam>(w_.fs, profile_, navigator_, nullptr);
    param_->LoadSettings();
    param_->BookmarkFileName = kFile;
  }

  int ReadText(const std::string& text) {
    w_.fs.files[kFile] = text;
    marks_.SetFileName(kFile);
    return marks_.Read();
  }
  bool Add(const TWEB& web) { return AddWebBookmark(marks_, *param_, web, now_, answers_); }

  testing::TWebFixture w_;
  TIniProfile profile_;
  testing::TQuietNavigator navigator_;
  std::unique_ptr<TParam> param_;
  TBookMarks marks_{w_.fs};
  TAnswers answers_;
  TDateTime now_ = EncodeDateTime(2001, 2, 3, 4, 5, 6);
};

TEST_F(BookmarksTest, ReadResultCodes) {
  struct {
    const char* text;
    int code;
  } cases[] = {
      {"<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<DL><p>\r\n</DL><p>\r\n", 0},
      {"<HTML><TITLE>t</TITLE><DL><p></DL></HTML>", 0},
      {"<!-- just a page --><DL><p></DL>", 4},
      {"<!DOCTYPE NETSCAPE-Bookmark-file-1><TITLE>no list</TITLE>", 4},
      {"<DL><p><DT><A HREF=\"http://a/\">a</A></DL><p></DL>", 5},
      {"<HTML><TITLE>no list</TITLE></HTML>", 1},
      {"", 1},
      // A later comment is not a declaration to check.
      {"<HTML><!-- anything --><DL></DL>", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadText(c.text), c.code) << c.text;
  marks_.SetFileName("/home/u/missing.htm");
  EXPECT_EQ(marks_.Read(), 1);
  marks_.SetFileName("");
  EXPECT_EQ(marks_.Read(), 1);
}

TEST_F(BookmarksTest, ReadsFoldersBookmarksDatesAndDescriptions) {
  ASSERT_EQ(ReadText("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE> My marks </TITLE>\n"
                     "<H1>Heading</H1>\n<DL><p>\n"
                     "<DT><H3 ADD_DATE=\"100\">Local webs</H3>\n<DD>my webs\n<DL><p>\n"
                     "<DT><A HREF=\"file:///w/a/_Home.htm\" ADD_DATE=\"1\" LAST_VISIT=\"2\" "
                     "LAST_MODIFIED=\"3\">Site <B>A</B></A>\n<DD> from http://a/ \n"
                     "</DL><p>\n<DT><A HREF=\"http://b/#top\">B</A>\n"
                     "<DT><A HREF=\"#only-a-fragment\">none</A>\n</DL><p>\n"),
            0);
  EXPECT_EQ(marks_.Title, "My marks");
  EXPECT_EQ(marks_.Name, "My marks");
  EXPECT_EQ(marks_.Description, "My marks");
  ASSERT_EQ(marks_.Entries.size(), 2u);
  EXPECT_EQ(marks_.FolderCount, 1);
  EXPECT_EQ(marks_.ItemCount, 1);
  const TBookmarkFolder& folder = *marks_.Entries[0].Folder;
  EXPECT_EQ(folder.Name, "Local webs");
  EXPECT_EQ(folder.AddDate, 100);
  EXPECT_EQ(folder.Description, "my webs");
  EXPECT_EQ(folder.Parent, &marks_);
  ASSERT_EQ(folder.Entries.size(), 1u);
  const TBookmarkItem& a = *folder.Entries[0].Item;
  EXPECT_EQ(a.Url, "file:///w/a/_Home.htm");
  EXPECT_EQ(a.Title, "Site A");
  EXPECT_EQ(a.Description, "from http://a/");
  EXPECT_EQ(a.AddDate, 1);
  EXPECT_EQ(a.LastVisit, 2);
  EXPECT_EQ(a.LastModified, 3);
  // The fragment is cut; a link that is only a fragment makes no bookmark.
  EXPECT_EQ(marks_.Entries[1].Item->Url, "http://b/");
  EXPECT_EQ(marks_.FindItem(&marks_, "file:///w/a/_Home.htm"), &a);
  EXPECT_EQ(marks_.FindFolder("local webs"), nullptr);
}

TEST_F(BookmarksTest, EmptyFileIsWrittenByteForByte) {
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks_, kFile));
  EXPECT_EQ(w_.fs.files[kFile], std::string(kHeader) +
                                    "<TITLE>Korvane's webs</TITLE>\r\n\r\n"
                                    "<H1>Korvane's webs</H1>\r\n<DL><p>\r\n</DL><p>\r\n");
  EXPECT_EQ(marks_.Read(), 0);
}

TEST_F(BookmarksTest, WriteThenReadGivesTheSameTree) {
  marks_.SetFileName(kFile);
  marks_.Title = "T";
  auto folder = std::make_unique<TBookmarkFolder>();
  folder->Name = "F";
  folder->AddDate = -5;
  folder->Description = "fd";
  TBookmarkFolder* f = folder.get();
  marks_.AddFolder(&marks_, std::move(folder));
  auto item = std::make_unique<TBookmarkItem>();
  *item = TBookmarkItem{"http://x/", "X", "xd", 10, 20, 30, ""};
  marks_.AddItem(f, std::move(item));
  ASSERT_TRUE(marks_.Write());
  EXPECT_EQ(w_.fs.files[kFile],
            std::string(kHeader) +
                "<TITLE>T</TITLE>\r\n\r\n<H1>T</H1>\r\n<DL><p>\r\n"
                "\t<DT> <H3 FOLDED ADD_DATE=\"-5\">F</H3>\r\n"
                "\t<DD>fd\r\n\r\n\t<DL><p>\r\n"
                "\t\t<DT><A HREF=\"http://x/\" ADD_DATE=\"10\" LAST_VISIT=\"20\" "
                "LAST_MODIFIED=\"30\">X</A>\r\n\t\t<DD>xd\r\n"
                "\t</DL><p>\r\n</DL><p>\r\n");
  // Read back, the root carries the title as its description, written before the outer list.
  ASSERT_EQ(marks_.Read(), 0);
  EXPECT_EQ(marks_.Description, "T");
  ASSERT_TRUE(marks_.Write());
  const std::string second = w_.fs.files[kFile];
  EXPECT_NE(second.find("<H1>T</H1>\r\n<DD>T\r\n\r\n<DL><p>"), std::string::npos);
  ASSERT_EQ(marks_.Read(), 0);
  const TBookmarkFolder& g = *marks_.Entries.at(0).Folder;
  EXPECT_EQ(g.Name, "F");
  EXPECT_EQ(g.AddDate, -5);
  EXPECT_EQ(g.Description, "fd");
  const TBookmarkItem& x = *g.Entries.at(0).Item;
  EXPECT_EQ(x.Url, "http://x/");
  EXPECT_EQ(x.Title, "X");
  EXPECT_EQ(x.Description, "xd");
  EXPECT_EQ(x.AddDate, 10);
  EXPECT_EQ(x.LastVisit, 20);
  EXPECT_EQ(x.LastModified, 30);
  ASSERT_TRUE(marks_.Write());
  EXPECT_EQ(w_.fs.files[kFile], second);
}

// The unfinished tag at the end of a file is read as text. Written back as it is, "<!--" would
// open a comment that swallows every list after it.
TEST_F(BookmarksTest, TextHoldingALessThanSignStillReadsAfterWriting) {
  ASSERT_EQ(ReadText("<DL><p><DT><A HREF=\"http://x/\">x</A></DL><p><TITLE>t <!--cut"), 0);
  EXPECT_EQ(marks_.Title, "t <!--cut");
  ASSERT_TRUE(marks_.Write());
  ASSERT_EQ(marks_.Read(), 0);
  EXPECT_EQ(marks_.Title, "t &lt;!--cut");
  EXPECT_NE(marks_.FindItem(&marks_, "http://x/"), nullptr);
}

// A file a browser of today exported: UTF-8 declared, icons as long data addresses, tags, long
// addresses. Adding a web's bookmark keeps all of it, and the web's title goes in UTF-8.
TEST_F(BookmarksTest, ABrowsersFileKeepsWhatItHeldAndGetsTheWebInItsCharacterSet) {
  const std::string meta =
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">";
  const std::string long_url = "https://h.test/" + std::string(300, 'a') + "?q=1";
  const std::string icon = " ICON=\"data:image/png;base64," + std::string(400, 'Q') + "\"";
  const std::string anchor = "<DT><A HREF=\"" + long_url + "\" ADD_DATE=\"1700000000\"" + icon +
                             " TAGS=\"read, later\">Caf\xC3\xA9 \xE2\x86\x92 here</A>";
  ASSERT_EQ(ReadText("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n" + meta +
                     "\n<TITLE>Bookmarks</TITLE>"
                     "<H1>Bookmarks</H1>\n<DL><p>\n<DT><H3 ADD_DATE=\"1\" "
                     "PERSONAL_TOOLBAR_FOLDER=\"true\">Bar</H3>\n<DL><p>\n" +
                     anchor + "\n</DL><p>\n</DL><p>\n"),
            0);
  auto web = w_.NewWeb("http://site/", "/home/u/webs/site");
  web->SetTitle("Caf\xE9 &#8594; copy");  // as the web keeps it
  ASSERT_TRUE(Add(*web));

  const std::string& file = w_.fs.files[kFile];
  EXPECT_NE(file.find(meta), std::string::npos);
  EXPECT_NE(file.find("<A HREF=\"" + long_url +
                      "\" ADD_DATE=\"1700000000\" LAST_VISIT=\"0\" "
                      "LAST_MODIFIED=\"0\"" +
                      icon +
                      " TAGS=\"read, later\">Caf\xC3\xA9 \xE2\x86\x92 "
                      "here</A>"),
            std::string::npos);
  EXPECT_NE(file.find("ADD_DATE=\"1\" PERSONAL_TOOLBAR_FOLDER=\"true\">Bar</H3>"),
            std::string::npos);
  EXPECT_NE(file.find(">Caf\xC3\xA9 \xE2\x86\x92 copy</A>"), std::string::npos);
  // Added again, the web's bookmark is found and left as it is.
  const std::string once = file;
  ASSERT_TRUE(Add(*web));
  EXPECT_EQ(w_.fs.files[kFile], once);
}

TEST_F(BookmarksTest, OneBookmarkPerWebRenamedWithItsTitle) {
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks_, kFile));
  auto web = w_.NewWeb("http://site/", "/home/u/webs/site");
  web->SetTitle("Site");
  ASSERT_TRUE(Add(*web));
  ASSERT_TRUE(Add(*web));
  web->SetTitle("Renamed");
  ASSERT_TRUE(Add(*web));
  ASSERT_EQ(marks_.Read(), 0);
  TBookmarkFolder* folder = marks_.FindFolder("Local webs");
  ASSERT_NE(folder, nullptr);
  ASSERT_EQ(folder->Entries.size(), 1u);
  const TBookmarkItem& item = *folder->Entries[0].Item;
  EXPECT_EQ(item.Url, "file:///home/u/webs/site/_Home.htm");
  EXPECT_EQ(item.Title, "Renamed");
  EXPECT_EQ(item.Description, "http://site/");
  EXPECT_EQ(item.AddDate, BookmarkNow(now_));
  EXPECT_EQ(BookmarkNow(EncodeDateTime(1970, 1, 2)), 86400);
}

TEST_F(BookmarksTest, RemovingTheLastWebRemovesItsFolder) {
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks_, kFile));
  auto a = w_.NewWeb("http://a/", "/home/u/webs/a");
  auto b = w_.NewWeb("http://b/", "/home/u/webs/b");
  ASSERT_TRUE(Add(*a));
  ASSERT_TRUE(Add(*b));
  ASSERT_TRUE(RemoveWebBookmark(marks_, *param_, *a));
  ASSERT_EQ(marks_.Read(), 0);
  ASSERT_NE(marks_.FindFolder("Local webs"), nullptr);
  EXPECT_EQ(marks_.FindItem(&marks_, WebBookmarkUrl(a->Path())), nullptr);
  ASSERT_TRUE(RemoveWebBookmark(marks_, *param_, *b));
  ASSERT_EQ(marks_.Read(), 0);
  EXPECT_EQ(marks_.FindFolder("Local webs"), nullptr);
  EXPECT_TRUE(marks_.Entries.empty());
  // A web without a bookmark leaves the file alone.
  const std::string before = w_.fs.files[kFile];
  EXPECT_FALSE(RemoveWebBookmark(marks_, *param_, *a));
  EXPECT_EQ(w_.fs.files[kFile], before);
}

TEST_F(BookmarksTest, UnreadableFileIsNeverOverwritten) {
  const std::string foreign = "<!-- not bookmarks --><DL><p></DL>";
  w_.fs.files[kFile] = foreign;
  auto web = w_.NewWeb("http://a/", "/home/u/webs/a");
  EXPECT_FALSE(Add(*web));
  ASSERT_EQ(answers_.questions.size(), 1u);
  EXPECT_EQ(answers_.questions[0],
            "Cannot open bookmark file!\r\nCreate or choose another bookmark file?");
  EXPECT_FALSE(param_->UseBookmark);
  EXPECT_FALSE(Add(*web));  // bookmarks are off now: no question
  EXPECT_EQ(answers_.questions.size(), 1u);
  EXPECT_FALSE(RemoveWebBookmark(marks_, *param_, *web));
  EXPECT_EQ(w_.fs.files[kFile], foreign);
}

TEST_F(BookmarksTest, ChoosingAnotherFileWritesThere) {
  w_.fs.files[kFile] = "<!-- not bookmarks -->";
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks_, "/home/u/other.htm"));
  answers_.other = "/home/u/other.htm";
  auto web = w_.NewWeb("http://a/", "/home/u/webs/a");
  ASSERT_TRUE(Add(*web));
  EXPECT_EQ(param_->BookmarkFileName, "/home/u/other.htm");
  EXPECT_EQ(w_.fs.files[kFile], "<!-- not bookmarks -->");
  marks_.SetFileName("/home/u/other.htm");
  ASSERT_EQ(marks_.Read(), 0);
  EXPECT_NE(marks_.FindItem(&marks_, WebBookmarkUrl(web->Path())), nullptr);
}

TEST_F(BookmarksTest, DateThatIsNotANumberFailsTheReadAndKeepsTheFile) {
  const std::string text = "<DL><p><DT><A HREF=\"http://a/\" ADD_DATE=\"12x\">a</A></DL><p>";
  EXPECT_THROW(ReadText(text), TBookmarkConvertError);
  auto web = w_.NewWeb("http://b/", "/home/u/webs/b");
  EXPECT_FALSE(Add(*web));
  ASSERT_EQ(answers_.errors.size(), 1u);
  EXPECT_NE(answers_.errors[0].find("12x"), std::string::npos);
  EXPECT_TRUE(answers_.questions.empty());
  EXPECT_TRUE(param_->UseBookmark);
  EXPECT_EQ(w_.fs.files[kFile], text);
}

TEST_F(BookmarksTest, FailedWriteKeepsThePreviousFile) {
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks_, kFile));
  const std::string before = w_.fs.files[kFile];
  w_.fs.fail_renames = true;
  auto web = w_.NewWeb("http://a/", "/home/u/webs/a");
  EXPECT_FALSE(Add(*web));
  EXPECT_EQ(answers_.errors.size(), 1u);
  EXPECT_EQ(w_.fs.files[kFile], before);
}

TEST_F(BookmarksTest, WebBookmarkAddressAndNavigatorFile) {
  EXPECT_EQ(WebBookmarkUrl("/home/u/webs/site/"), "file:///home/u/webs/site/_Home.htm");
  EXPECT_EQ(WebBookmarkUrl("C:\\WEBS\\SITE\\"), "file:///C:/WEBS/SITE/_Home.htm");

  EXPECT_EQ(LocateNavigatorBookmarks("/opt/nav/firefox", w_.fs), "");
  ASSERT_TRUE(w_.fs.MakeDirs("/opt/nav/program"));
  EXPECT_EQ(LocateNavigatorBookmarks("/opt/nav/program/netscape.exe", w_.fs), "");
  w_.fs.files["/opt/nav/bookmark.htm"] = "";
  EXPECT_EQ(LocateNavigatorBookmarks("/opt/nav/program/netscape.exe", w_.fs),
            "/opt/nav/bookmark.htm");
  w_.fs.files["/opt/nav/program/bookmark.htm"] = "";
  EXPECT_EQ(LocateNavigatorBookmarks("/opt/nav/program/Netscape.exe", w_.fs),
            "/opt/nav/program/bookmark.htm");
  w_.fs.files["/opt/nav/program/Netscape.ini"] = "[Bookmark List]\nFile Location=/x/b.htm\n";
  EXPECT_EQ(LocateNavigatorBookmarks("/opt/nav/program/NETSCAPE.EXE", w_.fs), "/x/b.htm");
}

}  // namespace
}  // namespace korvane
