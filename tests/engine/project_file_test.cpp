#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

#include "base/binary_stream.h"
#include "engine/web.h"
#include "support/web_fixture.h"

namespace korvane {
namespace {

class ProjectFileTest : public ::testing::Test, public testing::TWebFixture {
 protected:
  // Loads `bytes` as /webs/moved/Local.Web into a fresh web.
  std::unique_ptr<TWEB> Load(const std::string& bytes, bool* loaded) {
    (void)fs.MakeDirs("/webs/moved");
    fs.files["/webs/moved/Local.Web"] = bytes;
    auto web = std::make_unique<TWEB>(defaults, fs);
    *loaded = web->LoadFromFile("/webs/moved/Local.Web");
    return web;
  }
  // The options of a web made before the extension block: none of them is written there.
  static void UseOnlyVersion21Options(TWEB& web) {
    web.EditOptions().PageRequisites = false;
    web.EditOptions().Cookies = false;
    web.EditOptions().SendReferer = false;
    web.EditOptions().Politeness.Robots = false;
    web.EditOptions().SiteLayout = false;
    web.EditOptions().Protocol = "1.0";
  }
};

// A project file built field by field, as the layout of each version has it.
class TOldFile {
 public:
  TOldFile& Str(std::string_view s) { return w_.WriteShortString(s), *this; }
  TOldFile& Word(std::int16_t v) { return w_.WriteI16(v), *this; }
  TOldFile& Byte(std::uint8_t v) { return w_.WriteU8(v), *this; }
  TOldFile& Int(std::int32_t v) { return w_.WriteI32(v), *this; }
  TOldFile& U32(std::uint32_t v) { return w_.WriteU32(v), *this; }
  TOldFile& I64(std::int64_t v) { return w_.WriteI64(v), *this; }
  TOldFile& Date(double v) { return w_.WriteF64(v + 693594.0), *this; }
  // The MIME block of format 1 with one type, then (when asked) nothing else.
  TOldFile& Mime() { return Word(1).Word(1).Str("text/html").Str("htm").Byte(0).Byte(1); }
  TOldFile& OldMime() {
    return Word(2).Str("text/html").Str("html").Byte(1).Str("image/gif").Str("gif").Byte(0);
  }
  // A tree of two records: the start page and a picture.
  TOldFile& Tree(int version) {
    if (version >= 22) {
      U32(2);
    } else {
      Word(2);
    }
    Byte(wsPage)
        .Byte(version < 16 ? 0 : 1)
        .Byte(0)
        .Byte(0)
        .Str("http://www.a.com/")
        .Str("INDEX.htm")
        .Str("Home");
    if (version >= 2) Str("text/html");
    Byte(wsFile)
        .Byte(version < 16 ? 1 : 0)
        .Byte(0)
        .Byte(0)
        .Str("http://www.a.com/p.gif")
        .Str("P.gif")
        .Str("");
    if (version >= 2) Str("image/gif");
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  TBinaryWriter w_{bytes_};
};

void ExpectTreeLoaded(TWEB& web) {
  EXPECT_EQ(web.GetLinkCount(), 2);
  TWebFile* home = web.Tree().Find("http://www.a.com/");
  ASSERT_NE(home, nullptr);
  EXPECT_EQ(home->State, wsPage);
  EXPECT_EQ(home->GetLinkType(), 0);
  EXPECT_EQ(home->GetFileName(), "INDEX.htm");
  EXPECT_EQ(home->GetDescription(), "Home");
  TWebFile* picture = web.Tree().Find("http://www.a.com/p.gif");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetLinkType(), 1);
  EXPECT_EQ(picture->GetFileName(), "P.gif");
}

TEST_F(ProjectFileTest, Version0) {
  TOldFile f;
  f.Str("KORVANE").Str("http://www.a.com/").Str("C:\\WEBS\\A\\").Str("Old web");
  f.Str("dropped").Word(7);           // discarded before version 9
  f.Word(1).Word(2).Word(3).Word(4);  // counters
  f.OldMime().Tree(0);
  bool loaded = false;
  auto web = Load(f.Bytes(), &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(web->Url(), "http://www.a.com/");
  EXPECT_EQ(web->Path(), "/webs/moved/");  // the project file's own folder
  EXPECT_EQ(web->Title(), "Old web");
  EXPECT_EQ(web->CapturedCount(), 1);
  EXPECT_EQ(web->FilteredCount(), 2);
  EXPECT_EQ(web->NotFoundCount(), 3);
  EXPECT_EQ(web->ErrorCount(), 4);
  TOPTIONS original;  // an old web keeps the original behaviour
  original.PageRequisites = false;
  original.Cookies = false;
  original.SendReferer = false;
  original.Politeness = TPoliteness::Original();
  original.SiteLayout = false;
  original.Protocol = "1.0";
  EXPECT_EQ(web->Options(), original);
  ASSERT_EQ(web->MimeList().Count(), 2);
  EXPECT_EQ(web->MimeList().GetMimebyIndex(0)->Extension, "html");  // kept up to 5
  EXPECT_EQ(web->MapList().Count(), 0);
  ExpectTreeLoaded(*web);
  EXPECT_EQ(web->Tree().Find("http://www.a.com/")->GetMimeType(), "");
}

TEST_F(ProjectFileTest, Version1And2) {
  for (int version : {1, 2}) {
    TOldFile f;
    f.Str("KRVNF")
        .Word(static_cast<std::int16_t>(version))
        .Str("http://www.a.com/")
        .Str("C:\\W\\")
        .Str("T");
    f.Str("dropped").Word(0);
    f.Word(10).Word(0).Word(0).Word(0);
    f.Byte(0).Byte(0);                           // ExternalPathLimit, InternalPathLimit
    if (version >= 2) f.Byte(1);                 // RefLimit
    f.Word(5);                                   // InternalLinkDepth
    f.Word(6).Word(7).Word(8).Word(9).Word(11);  // MaxFileCount .. MaxTime
    f.Mime().Tree(version);
    bool loaded = false;
    auto web = Load(f.Bytes(), &loaded);
    ASSERT_TRUE(loaded) << version;
    EXPECT_FALSE(web->Options().ExternalPathLimit);
    EXPECT_FALSE(web->Options().InternalPathLimit);
    EXPECT_EQ(web->Options().RefLimit, version >= 2);
    EXPECT_EQ(web->Options().InternalLinkDepth, 5);
    EXPECT_EQ(web->Options().MaxFileCount, 6);
    EXPECT_EQ(web->Options().MaxFileSize, 7);
    EXPECT_EQ(web->Options().MinFileSize, 8);
    EXPECT_EQ(web->Options().MaxDiskSize, 9);
    EXPECT_EQ(web->Options().MaxTime, 11);
    // Flags that came later keep their defaults.
    EXPECT_TRUE(web->Options().RealLinkFlag);
    EXPECT_TRUE(web->Options().SuppressLinkFlag);
    EXPECT_TRUE(web->Options().ListGifFlag);
    EXPECT_EQ(web->TotalSize(), 0);
    EXPECT_EQ(web->MapList().Count(), 0);
    ExpectTreeLoaded(*web);
  }
}

// Fields 10 to 38 of a file of `version`, with recognisable values.
void OptionFields(TOldFile& f, int version) {
  f.Byte(0).Byte(0).Byte(1);                                             // 10-12
  f.Word(3);                                                             // 13 InternalLinkDepth
  if (version >= 7) f.Word(2);                                           // 14 ExternalWebDepth
  if (version >= 8) f.Word(4);                                           // 15 ExternalLinkDepth
  f.Word(-1).Word(100).Word(1).Word(32767).Word(60);                     // 16-20
  f.Byte(0).Byte(0).Byte(0);                                             // 21-23
  f.Byte(0);                                                             // 24 ListGifFlag
  f.Byte(0);                                                             // 25 ListJpegFlag
  if (version >= 18) f.Byte(0).Byte(0).Byte(0).Byte(1).Byte(1).Byte(1);  // 26-31
  f.Byte(1);                                                             // 32 DisplayOnlineImage
  f.Byte(0);                                                             // 33 StretchImageFlag
  if (version >= 21) f.Str("ann").Str("s3cret");                         // 34-35
  if (version >= 22) {
    f.I64(5000000000);  // 36 TotalSize
  } else {
    f.Int(123456);
  }
  f.Date(46000.5);  // 37 CaptureStart
  f.Byte(1);        // 38 BackgroundOnlyFlag
}

TEST_F(ProjectFileTest, Version12SkipsItsOddItems) {
  TOldFile f;
  f.Str("KRVNF").Word(12).Str("http://www.a.com/").Str("C:\\W\\").Str("T");
  f.Str("dropped").Byte(1).Byte(2).Byte(3).Word(9);  // one string, three bytes, one word
  f.Word(1).Word(2).Word(3).Word(4);
  f.Byte(0).Byte(0).Byte(1).Word(3).Word(2).Word(4).Word(-1).Word(100).Word(1).Word(32767).Word(60);
  f.Byte(0).Byte(0).Byte(0).Byte(0).Byte(0).Byte(1).Byte(0).Int(123456);  // 21-25, 32, 33, 36
  f.Mime().Tree(12);
  bool loaded = false;
  auto web = Load(f.Bytes(), &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(web->ErrorCount(), 4);
  EXPECT_EQ(web->Options().ExternalWebDepth, 2);
  EXPECT_EQ(web->Options().MaxFileCount, -1);
  EXPECT_EQ(web->Options().MaxDiskSize, 32767);
  EXPECT_TRUE(web->DisplayOnlineImage());
  EXPECT_EQ(web->TotalSize(), 123456);
  EXPECT_EQ(web->CaptureStart(), 0.0);  // from version 14
  ExpectTreeLoaded(*web);
}

TEST_F(ProjectFileTest, Versions15To21ReadTheirBlocks) {
  for (int version : {15, 17, 19, 21}) {
    TOldFile f;
    f.Str("KRVNF")
        .Word(static_cast<std::int16_t>(version))
        .Str("http://www.a.com/")
        .Str("/old/")
        .Str("T");
    f.Word(1).Word(2).Word(3).Word(-2);  // the last counter is 65534, read unsigned
    OptionFields(f, version);
    f.Mime();
    if (version >= 17) {
      f.Word(1)
          .Str("P.gif")
          .Str("P.map")
          .Str("http://www.a.com/cgi/map")
          .Str("Map")
          .Str("http://www.a.com/");
      if (version >= 20) f.Str("_top");
    }
    if (version >= 19) f.Date(1.0).Date(2.0).Int(0).Int(10).Int(2).Int(3).Int(4).Int(5);
    f.Tree(version);
    bool loaded = false;
    auto web = Load(f.Bytes(), &loaded);
    ASSERT_TRUE(loaded) << version;
    EXPECT_EQ(web->ErrorCount(), 65534);
    EXPECT_EQ(web->Options().ExternalLinkDepth, 4);
    EXPECT_TRUE(web->Options().RefLimit);
    EXPECT_EQ(web->Options().MaxFileCount, -1);
    EXPECT_FALSE(web->Options().ListGifFlag);
    EXPECT_EQ(web->Options().FilteredUrlFlag, version >= 18);
    EXPECT_EQ(web->Options().Username, version >= 21 ? "ann" : "");
    EXPECT_EQ(web->Options().Password, version >= 21 ? "s3cret" : "");
    EXPECT_DOUBLE_EQ(web->CaptureStart(), 46000.5);
    EXPECT_TRUE(web->Options().BackgroundOnlyFlag);
    EXPECT_EQ(web->MapList().Count(), version >= 17 ? 1 : 0);
    if (version >= 17) {
      EXPECT_EQ(web->MapList().Item(0).MapUrl, "http://www.a.com/cgi/map");
      EXPECT_EQ(web->MapList().Item(0).Target, version >= 20 ? "_top" : "");
    }
    EXPECT_EQ(web->LastCaptureInfo().SizeKb, version >= 19 ? 10 : 0);
    ExpectTreeLoaded(*web);
  }
}

TEST_F(ProjectFileTest, SavedWebLoadsBackEqual) {
  auto web = NewWeb("http://www.a.com/docs/");
  web->SetTitle("Caf\xE9");
  web->SetCounters({.Captured = 40000, .Filtered = 7});  // beyond a signed word
  web->SetTotalSize(1 << 30);
  web->StartCapture(46363.75);
  web->SetDisplayOnlineImage(true);
  web->EditOptions().ExternalWebDepth = 3;
  web->EditOptions().Username = "ann";
  web->EditOptions().Password = "pw";
  web->EditOptions().ListAviFlag = false;
  TCaptureInfo info;
  info.Fill(1.5, 2.5, 4096, 1, 2, 3, 4);
  web->SetLastCaptureInfo(info);
  auto map = std::make_unique<TMapImg>();
  map->ImageFile = "P.gif";
  map->MapFile = "P.map";
  map->Target = "main";
  web->MapList().Add(std::move(map));
  TWebFile* page =
      web->NewLink({1, "http://www.a.com/docs/p.gif", "Picture"}, web->Tree().Find(web->Url()));
  page->SetFileName("P.gif");
  page->SetMimeType("image/gif");
  page->State = wsFile;
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  EXPECT_EQ(web->FileName(), "/webs/site/Local.Web");
  EXPECT_TRUE(fs.owner_only.count("/webs/site/Local.Web.tmp"));

  TWEB back(defaults, fs);
  ASSERT_TRUE(back.LoadFromFile("/webs/site/Local.Web"));
  EXPECT_EQ(back.Url(), web->Url());
  EXPECT_EQ(back.Path(), "/webs/site/");
  EXPECT_EQ(back.Title(), web->Title());
  EXPECT_EQ(back.CapturedCount(), 40000);
  EXPECT_EQ(back.FilteredCount(), 7);
  EXPECT_EQ(back.TotalSize(), 1 << 30);
  EXPECT_EQ(back.CaptureStart(), 46363.75);
  EXPECT_TRUE(back.DisplayOnlineImage());
  EXPECT_TRUE(back.SpareFlag());
  EXPECT_EQ(back.Options(), web->Options());
  EXPECT_EQ(back.LastCaptureInfo(), web->LastCaptureInfo());
  EXPECT_EQ(back.MimeList().Count(), web->MimeList().Count());
  ASSERT_EQ(back.MapList().Count(), 1);
  EXPECT_EQ(back.MapList().Item(0).Target, "main");
  TWebFile* loaded = back.Tree().Find("http://www.a.com/docs/p.gif");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetFileName(), "P.gif");
  EXPECT_EQ(loaded->GetMimeType(), "image/gif");
  EXPECT_EQ(loaded->GetDescription(), "Picture");
  EXPECT_EQ(loaded->GetLinkType(), 1);
  EXPECT_EQ(loaded->State, wsFile);

  // Saved again, the bytes are the same.
  ASSERT_TRUE(back.SaveToFile("/webs/site/Again.Web"));
  std::string first = fs.files["/webs/site/Local.Web"];
  std::string second = fs.files["/webs/site/Again.Web"];
  EXPECT_EQ(first, second);
}

// A file of version 21 or 22 as this program writes it: every field in place, counters as given.
TOldFile WrittenFile(int version, std::uint32_t captured) {
  TOldFile f;
  f.Str("KRVNF").Word(static_cast<std::int16_t>(version)).Str("http://www.a.com/");
  f.Str("/webs/moved/").Str("T");
  for (std::uint32_t counter : {captured, 2u, 3u, 65535u}) {
    if (version >= 22) {
      f.U32(counter);
    } else {
      f.Word(static_cast<std::int16_t>(counter));
    }
  }
  OptionFields(f, version);
  f.Mime();
  f.Word(1).Str("P.gif").Str("P.map").Str("http://www.a.com/cgi/map").Str("Map");
  f.Str("http://www.a.com/").Str("_top");
  f.Date(1.0).Date(2.0).Int(0).Int(10).Int(2).Int(3).Int(4).Int(5);
  f.Tree(version);
  return f;
}

// Version 22 is version 21 with wider counts, and is written only for a web whose counts do not
// fit the words of 21: every other web is written as before, byte for byte.
TEST_F(ProjectFileTest, TheWideFormatIsWrittenOnlyWhenACountNeedsIt) {
  for (const std::uint32_t captured : {65535u, 65536u, 70000u}) {
    const int version = captured > 65535 ? 22 : 21;
    const std::string file = WrittenFile(version, captured).Bytes();
    bool loaded = false;
    auto web = Load(file, &loaded);
    ASSERT_TRUE(loaded) << captured;
    EXPECT_EQ(web->CapturedCount(), captured);
    EXPECT_EQ(web->NotFoundCount(), 3u);
    EXPECT_EQ(web->ErrorCount(), 65535u);
    EXPECT_EQ(web->TotalSize(), version == 22 ? 5000000000 : 123456);
    EXPECT_EQ(web->Options().MaxFileCount, -1);
    EXPECT_EQ(web->LastCaptureInfo().SizeKb, 10);
    ExpectTreeLoaded(*web);
    ASSERT_TRUE(web->SaveToFile("/webs/moved/Local.Web"));
    EXPECT_EQ(fs.files["/webs/moved/Local.Web"], file) << captured;
  }
  // A wide file whose counts all fit is written back in version 21, its size saturated there.
  bool loaded = false;
  auto web = Load(WrittenFile(22, 65535).Bytes(), &loaded);
  ASSERT_TRUE(loaded);
  ASSERT_TRUE(web->SaveToFile("/webs/moved/Local.Web"));
  auto narrow = Load(fs.files["/webs/moved/Local.Web"], &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(fs.files["/webs/moved/Local.Web"].substr(0, 8), std::string("\x05KRVNF\x15\x00", 8));
  EXPECT_EQ(narrow->TotalSize(), INT32_MAX);
  EXPECT_EQ(narrow->ErrorCount(), 65535u);
}

// A damaged file of the wide format is refused in words, and leaves nothing behind; a count that
// says more than the file can hold is refused before anything is made of it.
TEST_F(ProjectFileTest, DamagedWideFilesAreRefused) {
  const std::string bytes = WrittenFile(22, 70000).Bytes();
  bool loaded = true;
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    auto web = Load(bytes.substr(0, cut), &loaded);
    EXPECT_FALSE(loaded) << cut;
    EXPECT_FALSE(web->LoadError().empty()) << cut;
    EXPECT_EQ(web->GetLinkCount(), 0u) << cut;
  }
  // The tree block ends the file: its count starts where the block of two records does.
  TOldFile tree;
  tree.Tree(22);
  const std::size_t count_at = bytes.size() - tree.Bytes().size();
  for (const char* count : {"\xFF\xFF\xFF\xFF", "\x00\x00\x01\x00"}) {
    std::string absurd = bytes;
    absurd.replace(count_at, 4, count, 4);
    auto web = Load(absurd, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_NE(web->LoadError().find("it is damaged: its list of addresses says"), std::string::npos)
        << web->LoadError();
    EXPECT_EQ(web->GetLinkCount(), 0u);
  }
  std::string one_more = bytes;
  one_more[count_at] = 3;  // a record that is not there
  auto web = Load(one_more, &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(web->GetLinkCount(), 0u);
  EXPECT_EQ(web->LoadError(), "it is not a web project file, or it is damaged");
  // A later format still says what it is.
  std::string later = bytes;
  later[6] = 23;
  web = Load(later, &loaded);
  EXPECT_FALSE(loaded);
  EXPECT_EQ(web->LoadError(),
            "it was written by a newer version of Korvane (format 23; this one reads formats up "
            "to 22)");
}

// A web of more than 65,535 addresses, with counters past a word and a size past 32 bits, keeps
// every record and figure through a save and a load, and its newer options after the tree.
TEST_F(ProjectFileTest, AWebOfMoreThan65535AddressesRoundTrips) {
  auto web = NewWeb("http://www.a.com/");
  TWebFile* home = web->Tree().Find(web->Url());
  for (int i = 0; i < 70000; ++i) {
    const std::string n = std::to_string(i);
    TWebFile* record =
        web->NewLink({0, "http://www.a.com/d" + n + "/p" + n + ".htm", "P" + n}, home);
    ASSERT_NE(record, nullptr);
    record->SetFileName("P" + n + ".htm");
    record->SetMimeType(i % 3 ? "text/html" : "image/gif");
    if (i < 66000) {
      web->MarkCaptured(*record, 40000, i % 2 == 0);
    } else if (i % 2) {
      web->MarkNotFound(*record);
    }
  }
  web->EditOptions().AddressRules = {"- **/private/**"};
  web->EditOptions().MaxFileCount = 100000;
  ASSERT_EQ(web->GetLinkCount(), 70001u);
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string bytes = fs.files["/webs/site/Local.Web"];
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x05KRVNF\x16\x00", 8));
  EXPECT_NE(bytes.find("\x05KRVNX"), std::string::npos);

  TWEB back(defaults, fs);
  ASSERT_TRUE(back.LoadFromFile("/webs/site/Local.Web")) << back.LoadError();
  EXPECT_EQ(back.GetLinkCount(), 70001u);
  EXPECT_EQ(back.CapturedCount(), 66000u);
  EXPECT_EQ(back.NotFoundCount(), 2000u);
  EXPECT_EQ(back.GetTodoCount(), 2001u);
  EXPECT_EQ(back.TotalSize(), 66000LL * 40000);
  EXPECT_EQ(back.Options(), web->Options());
  using TRow = std::tuple<std::string, int, int, int, std::string, std::string, std::string>;
  auto rows = [](const TWEB& w) {
    std::vector<TRow> out;
    w.Tree().Explore([&](TWebFile& r, const std::string& url) {
      out.emplace_back(url, r.State, r.Flags, r.LinkDepth, r.GetFileName(), r.GetDescription(),
                       r.GetMimeType());
      return false;
    });
    return out;
  };
  EXPECT_EQ(rows(back), rows(*web));
  ASSERT_TRUE(back.SaveToFile("/webs/site/Again.Web"));
  EXPECT_EQ(fs.files["/webs/site/Again.Web"], bytes);
  // Bytes after the block are left alone, as in version 21.
  bool loaded = false;
  auto trailing = Load(bytes + "later", &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(trailing->GetLinkCount(), 70001u);
  EXPECT_EQ(trailing->Options().AddressRules, web->Options().AddressRules);
}

TEST_F(ProjectFileTest, OptionsBeyondAWordAreClampedNotWrapped) {
  auto web = NewWeb("http://www.a.com/");
  web->EditOptions().MaxDiskSize = 100000;  // kilobytes
  web->EditOptions().MaxFileCount = -70000;
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  TWEB back(defaults, fs);
  ASSERT_TRUE(back.LoadFromFile("/webs/site/Local.Web"));
  EXPECT_EQ(back.Options().MaxDiskSize, 32767);
  EXPECT_EQ(back.Options().MaxFileCount, -32768);

  // A file count limit beyond a word is kept whole after the tree; a reader that stops at the
  // tree takes the largest limit the word holds.
  web->EditOptions().PageRequisites = false;
  web->EditOptions().MaxFileCount = 200000;
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string bytes = fs.files["/webs/site/Local.Web"];
  bool loaded = false;
  EXPECT_EQ(Load(bytes, &loaded)->Options().MaxFileCount, 200000);
  const std::size_t block = bytes.rfind("\x05KRVNX");
  ASSERT_NE(block, std::string::npos);
  EXPECT_EQ(Load(bytes.substr(0, block), &loaded)->Options().MaxFileCount, 32767);
  EXPECT_TRUE(loaded);
}

TEST_F(ProjectFileTest, FailedSaveKeepsThePreviousFile) {
  auto web = NewWeb("http://www.a.com/");
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string before = fs.files["/webs/site/Local.Web"];
  web->SetTitle("changed");
  fs.write_budget = 10;
  EXPECT_FALSE(web->SaveToFile("/webs/site/Local.Web"));
  EXPECT_EQ(fs.files["/webs/site/Local.Web"], before);
  EXPECT_FALSE(fs.FileExists("/webs/site/Local.Web.tmp"));
  fs.write_budget = -1;
  fs.fail_renames = true;
  EXPECT_FALSE(web->SaveToFile("/webs/site/Local.Web"));
  EXPECT_EQ(fs.files["/webs/site/Local.Web"], before);
}

TEST_F(ProjectFileTest, RealFileIsReadableByItsOwnerOnly) {
  std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "korvane_web_perm";
  std::filesystem::create_directories(dir);
  TWEB web(defaults);
  web.SetUrl("http://www.a.com/");
  web.SetPath(dir.string());
  ASSERT_TRUE(web.SaveToFile((dir / "Local.Web").string()));
  auto perms = std::filesystem::status(dir / "Local.Web").permissions();
  using std::filesystem::perms;
  EXPECT_EQ(perms & (perms::group_all | perms::others_all), perms::none);
  std::filesystem::remove_all(dir);
}

TEST_F(ProjectFileTest, BadFilesFailAndLeaveNothingBehind) {
  bool loaded = true;
  auto web = Load(std::string("\x05KRVNX\x15\x00", 8), &loaded);
  EXPECT_FALSE(loaded);
  web = Load(std::string("\x05KRVNF\x63\x00", 8), &loaded);  // version 99
  EXPECT_FALSE(loaded);
  web = Load("", &loaded);
  EXPECT_FALSE(loaded);
  auto missing = std::make_unique<TWEB>(defaults, fs);
  EXPECT_FALSE(missing->LoadFromFile("/nowhere/Local.Web"));

  // Every truncation of a good file fails, and the web is left empty; a file cut exactly at the
  // end of its tree is a version 21 file without the newer options.
  auto good = NewWeb("http://www.a.com/");
  good->NewLink({0, "http://www.a.com/b.htm", "B"}, good->Tree().Find(good->Url()));
  ASSERT_TRUE(good->Options().PageRequisites);
  ASSERT_TRUE(good->SaveToFile("/webs/site/Local.Web"));
  const std::string bytes = fs.files["/webs/site/Local.Web"];
  const std::size_t tree_end = bytes.rfind("\x05KRVNX");
  ASSERT_NE(tree_end, std::string::npos);
  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    web = Load(bytes.substr(0, cut), &loaded);
    if (cut >= tree_end && cut <= tree_end + 5) {
      EXPECT_TRUE(loaded) << cut;
      EXPECT_FALSE(web->Options().PageRequisites) << cut;
      continue;
    }
    EXPECT_FALSE(loaded) << cut;
    EXPECT_EQ(web->GetLinkCount(), 0) << cut;
    EXPECT_TRUE(web->TodoList().empty());
  }
}

// Options newer than version 21 travel after the tree: a web that uses none is written as the
// original program writes it, and entries this program does not know are kept.
TEST_F(ProjectFileTest, NewerOptionsFollowTheTreeOnlyWhenUsed) {
  auto web = NewWeb("http://www.a.com/");
  UseOnlyVersion21Options(*web);
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string original = fs.files["/webs/site/Local.Web"];
  EXPECT_EQ(original.find("KRVNX"), std::string::npos);

  web->EditOptions().PageRequisites = true;
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string extended = fs.files["/webs/site/Local.Web"];
  ASSERT_EQ(extended.substr(0, original.size()), original);  // a version 21 file, then the block
  EXPECT_EQ(extended.substr(original.size()), std::string("\x05KRVNX\x01\x00\x0ePageRequisites\x01"
                                                          "1",
                                                          25));

  // A later program's entry survives a load and a save here.
  const std::string later = original + std::string("\x05KRVNX\x02\x00", 8) +
                            "\x0ePageRequisites\x01"
                            "1" +
                            "\x06"
                            "Future\x03"
                            "yes";
  bool loaded = false;
  auto back = Load(later, &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(back->Options().PageRequisites);
  ASSERT_TRUE(back->SaveToFile("/webs/moved/Local.Web"));
  EXPECT_NE(fs.files["/webs/moved/Local.Web"].find("\x06"
                                                   "Future\x03"
                                                   "yes"),
            std::string::npos);

  // The web's trust for https travels the same way.
  back->EditOptions().CaFile = "/etc/company/ca.pem";
  back->EditOptions().UnsafeNoCertificateCheck = true;
  ASSERT_TRUE(back->SaveToFile("/webs/moved/Local.Web"));
  auto trusted = Load(fs.files["/webs/moved/Local.Web"], &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(trusted->Options().CaFile, "/etc/company/ca.pem");
  EXPECT_TRUE(trusted->Options().UnsafeNoCertificateCheck);

  // And so does its politeness, robots.txt on or off.
  for (const bool robots : {true, false}) {
    TPoliteness polite{robots, 2, 5, true, 204800};
    back->EditOptions().Politeness = polite;
    ASSERT_TRUE(back->SaveToFile("/webs/moved/Local.Web"));
    auto paced = Load(fs.files["/webs/moved/Local.Web"], &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(paced->Options().Politeness, polite);
  }

  // And the HTTP version: a block holding only it is written for 1.1.
  back->EditOptions() = web->Options();
  back->EditOptions().Protocol = "1.1";
  ASSERT_TRUE(back->SaveToFile("/webs/moved/Local.Web"));
  const std::string modern = fs.files["/webs/moved/Local.Web"];
  EXPECT_NE(modern.find(std::string("\x08Protocol\x03"
                                    "1.1")),
            std::string::npos);
  EXPECT_EQ(Load(modern, &loaded)->Options().Protocol, "1.1");
  EXPECT_EQ(Load(original, &loaded)->Options().Protocol, "1.0");
}

// A list is stored one item a key, so that it may be longer than one stored value; a web read
// without the block sends no Referer, as its requests always did.
TEST_F(ProjectFileTest, RulesAndHeadersTravelOneItemAKey) {
  auto web = NewWeb("http://www.a.com/");
  TOPTIONS& o = web->EditOptions();
  for (int i = 0; i < 300; ++i) o.AddressRules.push_back("- **/p" + std::to_string(i) + "/**");
  o.AddressRules.push_back("+ re:^https?://cdn\\.a\\.com/");
  o.RequestHeaders = {"X-Token: abc", "Authorization: Bearer t"};
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string bytes = fs.files["/webs/site/Local.Web"];
  EXPECT_NE(bytes.find("\x06Rule10\x0a- **/p9/**"), std::string::npos);
  bool loaded = false;
  auto back = Load(bytes, &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(back->Options(), o);
  auto old = Load(bytes.substr(0, bytes.rfind("\x05KRVNX")), &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_FALSE(old->Options().SendReferer);
  EXPECT_TRUE(old->Options().AddressRules.empty());
}

// A record's name may be a path inside the folder (the site's own folders), never one that
// leads out of it.
TEST_F(ProjectFileTest, FileNamesThatLeadOutOfTheFolderAreDropped) {
  const std::pair<const char*, const char*> names[] = {
      {"../../etc/passwd", ""}, {"/etc/passwd", ""}, {"a/../../b.gif", ""},
      {"a//b.gif", ""},         {"a\\b.gif", ""},    {"www.a.com/x.gif", "www.a.com/x.gif"},
      {"X.gif", "X.gif"},
  };
  for (const auto& [stored, kept] : names) {
    TOldFile f;
    f.Str("KRVNF").Word(16).Str("http://www.a.com/").Str("/x/").Str("T");
    f.Word(0).Word(0).Word(0).Word(0);
    OptionFields(f, 16);
    f.Mime();
    f.Word(1)
        .Byte(wsFile)
        .Byte(0)
        .Byte(0)
        .Byte(0)
        .Str("http://www.a.com/x.gif")
        .Str(stored)
        .Str("")
        .Str("image/gif");
    bool loaded = false;
    auto web = Load(f.Bytes(), &loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(web->Tree().Find("http://www.a.com/x.gif")->GetFileName(), kept) << stored;
  }
}

// What an update asks with: the validators of each stored file, in a block after the others that
// a version 21 reader never reaches, for every address of a record reached by two.
TEST_F(ProjectFileTest, ValidatorsFollowTheBlocksAndSurviveALoad) {
  auto web = NewWeb("http://www.a.com/");
  UseOnlyVersion21Options(*web);
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string plain = fs.files["/webs/site/Local.Web"];

  TWebFile* home = web->Tree().Find("http://www.a.com/");
  ASSERT_NE(home, nullptr);
  home->SetValidators("\"abc\"", "Tue, 01 Dec 2026 10:00:00 GMT");
  auto picture = std::make_unique<TWebFile>();
  picture->SetValidators("", "Wed, 02 Dec 2026 10:00:00 GMT");
  TWebFile* gif = picture.get();
  ASSERT_TRUE(web->AddRecord("http://www.a.com/p.gif", std::move(picture)));
  ASSERT_TRUE(web->AddAlias("http://www.a.com/q.gif", gif));
  auto bare = std::make_unique<TWebFile>();
  bare->SetValidators("\"x\r\nInjected: 1\"", "");  // never goes back into a request
  ASSERT_TRUE(web->AddRecord("http://www.a.com/r.gif", std::move(bare)));
  ASSERT_TRUE(web->SaveToFile("/webs/site/Local.Web"));
  const std::string kept = fs.files["/webs/site/Local.Web"];
  const std::size_t block = kept.find("\x05KRVNV");
  ASSERT_NE(block, std::string::npos);
  EXPECT_EQ(kept.find("Injected"), std::string::npos);
  EXPECT_EQ(kept.substr(block + 6, 4), std::string("\x03\x00\x00\x00", 4));  // three entries

  bool loaded = false;
  auto back = Load(kept, &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(back->Tree().Find("http://www.a.com/")->GetETag(), "\"abc\"");
  EXPECT_EQ(back->Tree().Find("http://www.a.com/")->GetLastModified(),
            "Tue, 01 Dec 2026 10:00:00 GMT");
  EXPECT_EQ(back->Tree().Find("http://www.a.com/q.gif")->GetETag(), "");
  EXPECT_EQ(back->Tree().Find("http://www.a.com/q.gif")->GetLastModified(),
            "Wed, 02 Dec 2026 10:00:00 GMT");
  EXPECT_FALSE(back->Tree().Find("http://www.a.com/r.gif")->HasValidators());

  // Entries that name no record (out of order, past the list) are dropped; a count larger than
  // the bytes left, or a block cut short, is damage.
  const std::string head = kept.substr(0, block);
  const auto with_block = [&](std::uint32_t count, std::vector<std::uint32_t> entries) {
    std::string b = head + "\x05KRVNV";
    TBinaryWriter w(b);
    w.WriteU32(count);
    for (std::uint32_t e : entries) {
      w.WriteU32(e);
      w.WriteShortString("\"t\"");
      w.WriteShortString("");
      w.WriteI64(42);  // the hash of the bytes
    }
    return b;
  };
  auto odd = Load(with_block(3, {3, 1, 99}), &loaded);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(odd->Tree().Find("http://www.a.com/r.gif")->GetETag(), "\"t\"");
  EXPECT_EQ(odd->Tree().Find("http://www.a.com/r.gif")->BodyHash, 42u);
  EXPECT_FALSE(odd->Tree().Find("http://www.a.com/")->HasValidators());
  (void)Load(with_block(1000000, {0}), &loaded);
  EXPECT_FALSE(loaded);
  (void)Load(with_block(2, {0}), &loaded);
  EXPECT_FALSE(loaded);
  // Without validators nothing is written: the file is as before, byte for byte.
  for (const char* url :
       {"http://www.a.com/", "http://www.a.com/p.gif", "http://www.a.com/q.gif"}) {
    back->Tree().Find(url)->SetValidators("", "");
  }
  ASSERT_TRUE(back->SaveToFile("/webs/moved/Local.Web"));
  EXPECT_EQ(fs.files["/webs/moved/Local.Web"].find("KRVNV"), std::string::npos);
  EXPECT_EQ(plain.find("KRVNV"), std::string::npos);
}

}  // namespace
}  // namespace korvane
