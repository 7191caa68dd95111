#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/maintenance_commands.h"
#include "app/web_commands.h"
#include "base/data_folder.h"
#include "engine/web_bookmark.h"
#include "pages/bookmarks.h"
#include "settings/param.h"
#include "settings/profile.h"
#include "support/quiet_navigator.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

class TRecorder final : public TWebCopyProgress, public TMaintenanceHooks {
 public:
  void Start(std::int32_t max_value) override { max = max_value; }
  void FileCopied(const std::string& name) override {
    if (on_file) on_file(name);
    names.push_back(name);
  }
  bool Confirm(const std::string& text, const std::string&) override {
    asked.push_back(text);
    return yes_no;
  }
  TModalResult AskYesNoCancel(const std::string& text, const std::string&) override {
    asked.push_back(text);
    return answer;
  }
  // With `trash` set, a trash on `trash`'s file system: what goes keeps its path under "/trash".
  bool HasTrash() const override { return trash != nullptr; }
  bool MoveToTrash(const std::string& path) override {
    if (!trash) return false;
    const std::string prefix = WithSeparator(path);
    bool moved = false;
    for (auto it = trash->files.begin(); it != trash->files.end();) {
      if (it->first == path || it->first.starts_with(prefix)) {
        trash->files["/trash" + it->first] = it->second;
        it = trash->files.erase(it);
        moved = true;
      } else {
        ++it;
      }
    }
    if (trash->dirs.erase(path.substr(0, path.find_last_not_of('/') + 1)) > 0) moved = true;
    return moved;
  }

  std::int32_t max = -1;
  std::vector<std::string> names;
  std::function<void(const std::string&)> on_file;
  std::vector<std::string> asked;
  bool yes_no = true;
  TModalResult answer = mrYes;
  testing::TMemFileSystem* trash = nullptr;
};

class WebMaintenanceTest : public ::testing::Test {
 protected:
  WebMaintenanceTest() : profile_(w_.fs, "/home/u/.config/korvane/profile.ini", "/home/u/webs/") {
    EXPECT_TRUE(w_.fs.MakeDirs("/home/u/webs"));
    profile_.WriteWorkPath("/home/u/webs/");
    param_ = std::make_unique<TParam>(w_.fs, profile_, navigator_, nullptr);
    param_->LoadSettings();
    EXPECT_TRUE(param_->SaveSettings());  // as a first start writes them
  }

  // A web in `folder` with `files` captured pages and one address not found.
  std::unique_ptr<TWEB> CapturedWeb(int files, const std::string& folder = "/home/u/webs/site") {
    auto web = w_.NewWeb("http://site/", folder);
    web->SetTitle("Site");
    web->SetFileName(web->Path() + "local.web");
    for (int i = 0; i < files; ++i) {
      const std::string name = "p" + std::to_string(i) + ".htm";
      TWebFile* record = web->NewLink(TLinkItem{0, "http://site/" + name, ""}, nullptr);
      record->State = i % 2 ? wsFile : wsPage;
      record->SetFileName(name);
      w_.fs.files[web->Path() + name] = "page " + name;
    }
    TWebFile* lost = web->NewLink(TLinkItem{0, "http://site/lost.htm", ""}, nullptr);
    lost->State = wsNotFound;
    lost->SetFileName("NotFound.htm");
    web->SetCounters({.Captured = static_cast<std::uint16_t>(files)});
    web->SetTotalSize(1000);
    web->Log("a line");
    EXPECT_TRUE(web->SaveToFile(web->FileName()));
    return web;
  }
  bool Has(const std::string& path) { return w_.fs.FileExists(path); }

  testing::TWebFixture w_;
  TIniProfile profile_;
  testing::TQuietNavigator navigator_;
  std::unique_ptr<TParam> param_;
  TRecentWebs recent_;
  TRecorder rec_;
};

TEST_F(WebMaintenanceTest, CleanRestartsTheWebFromItsStartAddress) {
  auto web = CapturedWeb(3);
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "m.gif";
  map->MapFile = "m.map";
  web->MapList().Add(std::move(map));
  w_.fs.files[web->Path() + "m.map"] = "map";
  w_.fs.files[web->Path() + "_Home.htm"] = "home";
  w_.fs.files[web->Path() + "_IXH01.HTM"] = "index page of a web made where case does not matter";
  w_.fs.files[web->Path() + "korvane.css"] = "css";
  w_.fs.files[web->Path() + "NotFound.htm"] = "edited";
  const TOPTIONS options = web->Options();

  web->Clean();
  EXPECT_EQ(web->GetLinkCount(), 1);
  ASSERT_EQ(web->TodoList().size(), 1u);
  EXPECT_EQ(web->Tree().GetUrl(web->TodoList().front()), "http://site/");
  EXPECT_EQ(web->GetTodoCount(), 1);
  EXPECT_EQ(web->CapturedCount(), 0);
  EXPECT_EQ(web->TotalSize(), 0);
  EXPECT_EQ(web->MapList().Count(), 0);
  // Nothing is left that speaks of the deleted files: the home page and the indexes go too.
  for (const char* gone : {"p0.htm", "p1.htm", "p2.htm", "m.map", "LogFile.htm", "_Home.htm",
                           "_IXH01.HTM", "korvane.css"}) {
    EXPECT_FALSE(Has(web->Path() + gone)) << gone;
  }
  EXPECT_EQ(w_.fs.files[web->Path() + "NotFound.htm"], "<p>not found</p>");
  EXPECT_EQ(w_.fs.files[web->Path() + "BadLink.htm"], "<p>bad link</p>");
  EXPECT_EQ(web->Title(), "Site");
  EXPECT_EQ(web->Options().InternalLinkDepth, options.InternalLinkDepth);
}

TEST_F(WebMaintenanceTest, CopyIsWholeWithItsGeneratedPagesAndMapsAndAdvancesPerFile) {
  auto web = CapturedWeb(10);
  auto map = std::make_unique<TMapImg>();
  map->MapFile = "m.map";
  web->MapList().Add(std::move(map));
  const std::string site = web->Path();
  for (const char* page : {"_Home.htm", "_IxH.htm", "_IxI01.htm", "korvane.css", "m.map"}) {
    w_.fs.files[site + page] = page;
  }
  w_.fs.files[site + "local.cookies"] = "# Netscape HTTP Cookie File\n";
  TWebCopyResult result = CopyWeb(*web, "/home/u/webs/copy/copy.web", false, recent_, &rec_);
  EXPECT_TRUE(result.Saved);
  EXPECT_FALSE(Has("/home/u/webs/copy/copy.cookies"));  // a copy is to be read: no session
  EXPECT_TRUE(result.Failed.empty());
  // Ten files, the home page, two index pages, their stylesheet, the log, two stand-ins, a map.
  EXPECT_EQ(rec_.max, 18);
  EXPECT_EQ(rec_.names.size(), 18u);
  for (const char* page : {"_Home.htm", "_IxH.htm", "_IxI01.htm", "korvane.css", "m.map"}) {
    EXPECT_EQ(w_.fs.files["/home/u/webs/copy/" + std::string(page)], page);
  }
  EXPECT_TRUE(Has("/home/u/webs/copy/LogFile.htm"));
  EXPECT_TRUE(Has("/home/u/webs/copy/NotFound.htm"));
  EXPECT_EQ(web->Path(), "/home/u/webs/copy/");
  EXPECT_EQ(web->FileName(), "/home/u/webs/copy/copy.web");
  EXPECT_TRUE(Has("/home/u/webs/copy/copy.web"));
  EXPECT_EQ(recent_.Files().front(), "/home/u/webs/copy/copy.web");
  for (int i = 0; i < 10; ++i) {
    const std::string name = "p" + std::to_string(i) + ".htm";
    EXPECT_EQ(w_.fs.files["/home/u/webs/copy/" + name], "page " + name);
    EXPECT_TRUE(Has("/home/u/webs/site/" + name));  // a copy leaves the source
  }
}

TEST_F(WebMaintenanceTest, MoveDeletesEachSourceRightAfterItsCopy) {
  auto web = CapturedWeb(4);
  recent_.Add(web->FileName());
  std::string previous;
  rec_.on_file = [&](const std::string& name) {
    if (!previous.empty()) {
      EXPECT_FALSE(Has("/home/u/webs/site/" + previous)) << previous;
      EXPECT_TRUE(Has("/home/u/webs/moved/" + previous)) << previous;
    }
    previous = name;
  };
  w_.fs.files["/home/u/webs/site/local.cookies"] = "# Netscape HTTP Cookie File\n";
  TWebCopyResult result = CopyWeb(*web, "/home/u/webs/moved/m.web", true, recent_, &rec_);
  EXPECT_TRUE(result.Saved);
  EXPECT_FALSE(Has("/home/u/webs/site/local.cookies"));  // the session moves with the web
  EXPECT_TRUE(Has("/home/u/webs/moved/m.cookies"));
  EXPECT_FALSE(Has("/home/u/webs/site/NotFound.htm"));
  EXPECT_TRUE(Has("/home/u/webs/site/local.web"));  // the project file stays; the log moves
  EXPECT_FALSE(Has("/home/u/webs/site/LogFile.htm"));
  EXPECT_TRUE(Has("/home/u/webs/moved/LogFile.htm"));
  EXPECT_EQ(recent_.Files(), std::vector<std::string>{"/home/u/webs/moved/m.web"});
}

// A web in the site's own folders: a copy makes them, a move and a clean leave none of them
// behind, and deleting the web with its folder removes them all.
TEST_F(WebMaintenanceTest, TheSiteFoldersTravelWithTheirFilesAndGoWithThem) {
  auto put = [this](const std::string& path, const std::string& bytes) {
    ASSERT_TRUE(w_.fs.MakeDirs(path.substr(0, path.rfind('/'))));
    ASSERT_TRUE(w_.fs.WriteFile(path, bytes));
  };
  auto web = CapturedWeb(0);
  const std::vector<std::string> names = {"site/index.htm", "site/a/b/p.htm", "site/a/q.png",
                                          "site_81/x@q=1.htm"};
  for (const std::string& name : names) {
    TWebFile* record = web->NewLink(TLinkItem{0, "http://" + name, ""}, nullptr);
    record->State = wsFile;
    record->SetFileName(name);
    put(web->Path() + name, name);
  }
  ASSERT_TRUE(web->SaveToFile(web->FileName()));
  EXPECT_TRUE(CopyWeb(*web, "/home/u/webs/copy/c.web", false, recent_, &rec_).Saved);
  for (const std::string& name : names) {
    EXPECT_EQ(w_.fs.files["/home/u/webs/copy/" + name], name);
    EXPECT_TRUE(Has("/home/u/webs/site/" + name)) << name;
  }
  EXPECT_TRUE(CopyWeb(*web, "/home/u/webs/moved/m.web", true, recent_, &rec_).Saved);
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/copy/site"));
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/copy/site_81"));
  for (const std::string& name : names) EXPECT_TRUE(Has("/home/u/webs/moved/" + name)) << name;

  put("/home/u/webs/moved/site/a/mine.txt", "the user's");
  web->Clean();
  EXPECT_FALSE(Has("/home/u/webs/moved/site/a/b/p.htm"));
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/moved/site/a/b"));
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/moved/site_81"));
  EXPECT_TRUE(Has("/home/u/webs/moved/site/a/mine.txt"));  // not the web's: it stays

  auto other = CapturedWeb(0, "/home/u/webs/other");
  TWebFile* record = other->NewLink(TLinkItem{0, "http://site/a/b/p.htm", ""}, nullptr);
  record->State = wsPage;
  record->SetFileName("site/a/b/p.htm");
  put(other->Path() + "site/a/b/p.htm", "p");
  rec_.answer = mrYes;
  TBookMarks marks(w_.fs);
  EXPECT_TRUE(DeleteWeb(*other, *param_, marks, recent_, rec_, DataFolder()).FolderRemoved);
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/other"));
}

TEST_F(WebMaintenanceTest, MoveKeepsTheSourceOfEveryCopyThatFailed) {
  auto web = CapturedWeb(4);
  w_.fs.unwritable.insert("/home/u/webs/moved/p1.htm");
  TWebCopyResult result = web->WebCopy("/home/u/webs/moved/m.web", true, nullptr);
  EXPECT_EQ(result.Failed, std::vector<std::string>{"p1.htm"});
  EXPECT_EQ(w_.fs.files["/home/u/webs/site/p1.htm"], "page p1.htm");
  EXPECT_FALSE(Has("/home/u/webs/site/p2.htm"));  // the move went on
  EXPECT_TRUE(Has("/home/u/webs/moved/p3.htm"));

  // A disk that fills up half-way through a file: the partial copy never costs the source.
  auto other = CapturedWeb(2, "/home/u/webs/other");
  w_.fs.write_budget = 3;
  result = other->WebCopy("/home/u/webs/full/f.web", true, nullptr);
  EXPECT_EQ(result.Failed.size(), 5u);  // two pages, the log and the two stand-ins
  EXPECT_EQ(w_.fs.files["/home/u/webs/other/p0.htm"], "page p0.htm");
  EXPECT_FALSE(result.Saved);
}

TEST_F(WebMaintenanceTest, CopyIntoTheWebsOwnFolderKeepsEveryFile) {
  auto web = CapturedWeb(2);
  TWebCopyResult result = web->WebCopy("/home/u/webs/site/./again.web", true, nullptr);
  EXPECT_TRUE(result.SameFolder);
  EXPECT_TRUE(result.Saved);
  EXPECT_EQ(w_.fs.files["/home/u/webs/site/p0.htm"], "page p0.htm");
  EXPECT_EQ(w_.fs.files["/home/u/webs/site/NotFound.htm"], "<p>not found</p>");
}

TEST_F(WebMaintenanceTest, ResetAsksOnlyWhenTheWebHasFiles) {
  auto web = CapturedWeb(2);
  TWebForm form = ShowWeb(*web);
  rec_.yes_no = false;
  EXPECT_FALSE(ResetWeb(*web, form, rec_));
  EXPECT_TRUE(Has(web->Path() + "p0.htm"));
  rec_.yes_no = true;
  EXPECT_TRUE(ResetWeb(*web, form, rec_));
  EXPECT_FALSE(Has(web->Path() + "p0.htm"));
  EXPECT_EQ(rec_.asked.size(), 2u);
  EXPECT_TRUE(rec_.asked[0].starts_with(kResetQuestion)) << rec_.asked[0];
  EXPECT_TRUE(ResetWeb(*web, form, rec_));  // nothing captured: no question
  EXPECT_EQ(rec_.asked.size(), 2u);
}

TEST_F(WebMaintenanceTest, DeletingAWebInTheWorkPathDeletesOnlyItsProjectFile) {
  auto web = CapturedWeb(2, "/home/u/webs");
  w_.fs.files["/home/u/webs/other.web"] = "another web";
  TBookMarks marks(w_.fs);
  TDeleteWebResult result = DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder());
  EXPECT_TRUE(result.Deleted);
  EXPECT_FALSE(result.FolderRemoved);
  EXPECT_TRUE(rec_.asked.empty());
  EXPECT_FALSE(Has("/home/u/webs/local.web"));
  EXPECT_FALSE(Has("/home/u/webs/p0.htm"));  // cleaned
  EXPECT_TRUE(Has("/home/u/webs/other.web"));
  EXPECT_TRUE(Has("/home/u/webs/korvane.ini"));
  EXPECT_TRUE(w_.fs.DirectoryExists("/home/u/webs"));
}

// A file that cannot be deleted is reported, with the project file that stays: a deletion that
// left the web is never reported as done.
TEST_F(WebMaintenanceTest, FilesThatCannotBeDeletedAreReported) {
  auto web = CapturedWeb(2, "/home/u/webs");
  w_.fs.unremovable.insert("/home/u/webs/p1.htm");
  w_.fs.unremovable.insert("/home/u/webs/local.web");
  TBookMarks marks(w_.fs);
  TDeleteWebResult result = DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder());
  EXPECT_TRUE(result.Deleted);
  ASSERT_EQ(result.NotDeleted.size(), 2u);
  EXPECT_NE(result.NotDeleted[0].find("p1.htm"), std::string::npos) << result.NotDeleted[0];
  EXPECT_NE(result.NotDeleted[1].find("local.web"), std::string::npos) << result.NotDeleted[1];
  EXPECT_FALSE(Has("/home/u/webs/p0.htm"));
}

TEST_F(WebMaintenanceTest, DeletingWithTheFolderRemovesItsFilesAndItsBookmark) {
  param_->BookmarkFileName = "/home/u/bookmark.htm";
  TBookMarks marks(w_.fs);
  ASSERT_TRUE(CreateEmptyBookmarkFile(marks, param_->BookmarkFileName));
  auto web = CapturedWeb(2);
  struct TNoQuestion final : TBookmarkHooks {
    std::optional<std::string> ChooseOtherBookmarkFile(const std::string&) override { return {}; }
    void BookmarkError(const std::string&) override {}
  } no_question;
  ASSERT_TRUE(AddWebBookmark(marks, *param_, *web, 0, no_question));
  w_.fs.files["/home/u/webs/site/index/a.gif"] = "";
  recent_.Add(web->FileName());

  rec_.answer = mrCancel;
  EXPECT_FALSE(DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder()).Deleted);
  EXPECT_TRUE(Has("/home/u/webs/site/p0.htm"));

  rec_.answer = mrYes;
  TDeleteWebResult result = DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder());
  EXPECT_TRUE(result.FolderRemoved);
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/site"));
  EXPECT_TRUE(recent_.Files().empty());
  marks.SetFileName(param_->BookmarkFileName);
  ASSERT_EQ(marks.Read(), 0);
  EXPECT_TRUE(marks.Entries.empty());
}

// What Reset and Delete destroy can be had back: the questions say the folder, how many files go
// and where; No to the folder question deletes only the project file; what goes, goes to the
// trash where there is one (a folder whole), and is deleted where there is none.
TEST_F(WebMaintenanceTest, ResetAndDeleteSayWhatGoesAndLoseNothingUnasked) {
  auto web = CapturedWeb(3);
  w_.fs.files["/home/u/webs/site/local.cookies"] = "# Netscape HTTP Cookie File\n";
  rec_.answer = mrNo;
  TBookMarks marks(w_.fs);
  TDeleteWebResult kept = DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder());
  ASSERT_EQ(rec_.asked.size(), 1u);
  EXPECT_EQ(rec_.asked[0],
            "Delete associated directory?\r\nYes: 8 file(s) of /home/u/webs/site/ are deleted: "
            "there is no trash to have them back from. No: only the project file local.web goes; "
            "the captured files stay.");
  EXPECT_TRUE(kept.Deleted);
  EXPECT_FALSE(Has("/home/u/webs/site/local.web"));
  EXPECT_FALSE(Has("/home/u/webs/site/local.cookies"));  // a session on the site goes with it
  for (const char* stays : {"p0.htm", "p1.htm", "p2.htm", "LogFile.htm"}) {
    EXPECT_TRUE(Has("/home/u/webs/site/" + std::string(stays))) << stays;
  }

  web = CapturedWeb(3);
  rec_.trash = &w_.fs;
  TWebForm form = ShowWeb(*web);
  ASSERT_TRUE(ResetWeb(*web, form, rec_));
  EXPECT_EQ(rec_.asked[1],
            std::string(kResetQuestion) + "\r\n4 file(s) of /home/u/webs/site/ go to the trash.");
  EXPECT_EQ(w_.fs.files["/trash/home/u/webs/site/p1.htm"], "page p1.htm");
  EXPECT_TRUE(Has("/trash/home/u/webs/site/LogFile.htm"));
  EXPECT_FALSE(Has("/home/u/webs/site/p1.htm"));

  rec_.answer = mrYes;
  TDeleteWebResult gone = DeleteWeb(*web, *param_, marks, recent_, rec_, DataFolder());
  EXPECT_TRUE(gone.FolderRemoved && gone.Trashed);
  EXPECT_FALSE(w_.fs.DirectoryExists("/home/u/webs/site"));
  EXPECT_TRUE(Has("/trash/home/u/webs/site/local.web"));
  EXPECT_TRUE(Has("/trash/home/u/webs/site/NotFound.htm"));
}

TEST(DeletableFolderTest, NeverTheWorkPathTheProgramFolderOrTheRoot) {
  struct {
    const char* folder;
    bool deletable;
  } cases[] = {
      {"/w/site/", true}, {"/W/", false}, {"/w", false}, {"/w/./", false},
      {"/prog/", false},  {"/", false},   {"", false},   {"/w/site/../", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsDeletableWebFolder(c.folder, "/w/", "/prog/"), c.deletable) << c.folder;
  }
}

// On the real file system: links inside the web folder are removed as links, never followed.
TEST(DeleteWebOnDiskTest, LinksOutOfTheFolderAreNotFollowed) {
  namespace fs = std::filesystem;
  const fs::path root =
      fs::temp_directory_path() / ("korvane-delete-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "webs");
  fs::create_directories(root / "outside");
  std::ofstream(root / "outside" / "keep.txt") << "keep";
  TFileSystem& real = RealFileSystem();
  TIniProfile profile(real, (root / "profile.ini").string(), (root / "webs/").string());
  profile.WriteWorkPath((root / "webs/").string());
  testing::TQuietNavigator navigator;
  TParam param(real, profile, navigator, nullptr);
  param.LoadSettings();
  TOPTIONS defaults;
  TMIMELIST mime;
  TWEB web(defaults, real);
  EXPECT_TRUE(web.Init("http://site/", (root / "webs" / "site").string(), mime));
  web.SetFileName(web.Path() + "local.web");
  ASSERT_TRUE(web.SaveToFile(web.FileName()));
  fs::create_directory_symlink(root / "outside", root / "webs" / "site" / "index");
  fs::create_symlink(root / "outside" / "keep.txt", root / "webs" / "site" / "link.txt");

  TBookMarks marks(real);
  TRecentWebs recent;
  TRecorder yes;
  TDeleteWebResult result = DeleteWeb(web, param, marks, recent, yes, DataFolder());
  EXPECT_TRUE(result.FolderRemoved) << result.Error;
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "webs" / "site")));
  EXPECT_TRUE(fs::exists(root / "outside" / "keep.txt"));
  EXPECT_TRUE(fs::exists(root / "webs"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace korvane
