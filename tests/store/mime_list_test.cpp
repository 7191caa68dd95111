#include "store/mime_list.h"

#include <gtest/gtest.h>

#include "support/mem_file_system.h"

namespace korvane {
namespace {

using testing::TMemFileSystem;

// Extension and Valid of every entry, as "ext+" / "ext-", in table order.
std::string States(const TMIMELIST& list) {
  std::string out;
  for (int i = 0; i < list.Count(); ++i) {
    const TMimeItem* item = list.GetMimebyIndex(i);
    out += item->Extension + (item->Valid ? "+ " : "- ");
  }
  return out;
}

TEST(MimeListTest, LooksUpAndUpdatesWithoutRegardToCase) {
  TMIMELIST list;
  list.SetToDefault();
  ASSERT_EQ(list.Count(), 7);
  EXPECT_EQ(list.GetMimeByString("TEXT/HTML"), list.GetMimebyIndex(0));
  EXPECT_EQ(list.GetMimebyIndex(7), nullptr);
  EXPECT_EQ(list.GetMimebyIndex(-1), nullptr);

  list.AddMime("Image/GIF", "gifxyz", "sound", false);
  EXPECT_EQ(list.Count(), 7);
  const TMimeItem* gif = list.GetMimebyIndex(2);
  EXPECT_EQ(gif->ContentType, "image/gif");
  EXPECT_EQ(gif->Extension, "gifxy");
  EXPECT_EQ(gif->MimeClass, mcSound);
  EXPECT_FALSE(gif->Valid);

  list.AddMime("Image/PNG", "png", "picture", true);
  EXPECT_EQ(list.GetMimebyIndex(7)->ContentType, "Image/PNG");
  EXPECT_EQ(list.GetMimebyIndex(7)->MimeClass, mcOther);
  EXPECT_EQ(MimeClassOf("iMaGe"), mcImage);
}

TEST(MimeListTest, CommandLineListsApplyLeftToRight) {
  struct Case {
    const char* list;
    const char* states;
  } cases[] = {
      {"-all", "htm- txt- gif- jpg- avi- wav- aif- "},
      {"-all,Image,-gif", "htm- txt- gif- jpg+ avi- wav- aif- "},
      {"-all,sound", "htm- txt- gif- jpg- avi- wav+ aif+ "},
      {"-all,+html,GIF", "htm+ txt- gif+ jpg- avi- wav- aif- "},
      {"-all,nothing", "htm- txt- gif- jpg- avi- wav- aif- "},
      {"-all,,+,-", "htm- txt- gif- jpg- avi- wav- aif- "},
      {"-other,-video", "htm+ txt+ gif+ jpg+ avi- wav+ aif+ "},
      {"", "htm+ txt+ gif+ jpg+ avi+ wav+ aif+ "},
  };
  for (const auto& c : cases) {
    TMIMELIST list;
    list.SetToDefault();
    list.AddMime("x/none", "", "Other", false);
    list.SetCmdLine(c.list);
    EXPECT_EQ(States(list), std::string(c.states) + "- ") << c.list;
    // What the list names and the table does not know is what a front end refuses.
    const auto unknown = list.UnknownCmdLineNames(c.list);
    EXPECT_EQ(unknown, std::string(c.list) == "-all,nothing" ? std::vector<std::string>{"nothing"}
                                                             : std::vector<std::string>{})
        << c.list;
  }
  TMIMELIST table;
  table.SetToDefault();
  EXPECT_EQ(table.UnknownCmdLineNames("+ALL,-Vidoe,Gif,webp"),
            (std::vector<std::string>{"Vidoe", "webp"}));
  // Only the first entry with a given extension follows an extension item.
  TMIMELIST twice;
  twice.AddMime("a/x", "ext", "Other", false);
  twice.AddMime("b/x", "EXT", "Other", false);
  twice.SetCmdLine("ext");
  EXPECT_EQ(States(twice), "ext+ EXT- ");
}

TEST(MimeListTest, MergingAppendsNewTypesDisabled) {
  TMIMELIST global;
  global.SetToDefault();
  TMIMELIST web;
  web.AddMime("TEXT/HTML", "xyz", "Text", false);
  web.AddMime("image/x-new", "new", "Image", true);
  EXPECT_EQ(global.AddMimeList(&web), 1);
  EXPECT_EQ(global.GetMimeByString("text/html")->Extension, "htm");
  const TMimeItem* png = global.GetMimebyIndex(7);
  EXPECT_EQ(png->ContentType, "image/x-new");
  EXPECT_EQ(png->MimeClass, mcImage);
  EXPECT_FALSE(png->Valid);
  EXPECT_EQ(global.AddMimeList(&web), 0);
  EXPECT_EQ(global.AddMimeList(nullptr), 0);
}

TEST(MimeListBlockTest, SavesTheDefaultTableByteExactAndReadsItBack) {
  TMIMELIST list;
  list.SetToDefault();
  std::string out;
  TBinaryWriter w(out);
  list.SaveToStream(w);
  std::string expected("\x01\x00\x07\x00", 4);
  expected += std::string("\x09text/html\x03htm\x00\x01", 15);
  ASSERT_EQ(out.substr(0, expected.size()), expected);
  std::size_t strings = 0;
  for (int i = 0; i < 7; ++i) {
    strings += 2 + list.GetMimebyIndex(i)->ContentType.size() + 3;
  }
  EXPECT_EQ(out.size(), 4 + strings + 7 * 2);

  TMIMELIST back;
  back.AddMime("left/over", "", "", true);
  TBinaryReader r(out);
  back.LoadFromStream(r);
  EXPECT_TRUE(r.AtEnd());
  EXPECT_EQ(States(back), States(list));
  EXPECT_EQ(back.GetMimebyIndex(6)->MimeClass, mcSound);
  EXPECT_EQ(back.GetMimeByString("left/over"), nullptr);
}

TEST(MimeListBlockTest, ReadsFormatZeroAndToleratesDamage) {
  std::string format0("\x02\x00", 2);
  format0 += std::string(
      "\x03"
      "a/b"
      "\x02"
      "ab"
      "\x01"
      "\x03"
      "c/d"
      "\x00"
      "\x00",
      14);
  TMIMELIST list;
  TBinaryReader r0(format0);
  list.LoadFromStream(r0);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetMimebyIndex(0)->MimeClass, mcOther);
  EXPECT_TRUE(list.GetMimebyIndex(0)->Valid);
  EXPECT_FALSE(list.GetMimebyIndex(1)->Valid);

  // A class beyond the names, an extension longer than 5, duplicates: all read safely.
  std::string damaged("\x01\x00\x02\x00", 4);
  damaged += std::string(
      "\x03"
      "a/b"
      "\x07"
      "abcdefg"
      "\xC8"
      "\x01",
      14);
  damaged += std::string(
      "\x03"
      "A/B"
      "\x00"
      "\x02"
      "\x00",
      7);
  TBinaryReader rd(damaged);
  list.LoadFromStream(rd);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetMimebyIndex(0)->Extension, "abcde");
  EXPECT_EQ(list.GetMimebyIndex(0)->MimeClass, mcOther);
  EXPECT_EQ(list.GetMimebyIndex(1)->MimeClass, mcImage);

  std::string negative("\xFF\xFF", 2);
  TBinaryReader rn(negative);
  list.LoadFromStream(rn);
  EXPECT_EQ(list.Count(), 0);

  std::string cut(
      "\x01\x00\x03\x00\x03"
      "a/b",
      8);
  TBinaryReader rc(cut);
  EXPECT_THROW(list.LoadFromStream(rc), TReadError);
}

class GlobalMimeListTest : public ::testing::Test {
 protected:
  GlobalMimeListTest() { fs_.dirs.insert("/work"); }
  TMemFileSystem fs_;
  TGlobalMimeList global_{fs_, "/work"};
};

TEST_F(GlobalMimeListTest, CreatesTheFileWithTheDefaultsWhenMissing) {
  EXPECT_EQ(global_.Load(), TGlobalMimeList::TLoadResult::kCreated);
  ASSERT_TRUE(fs_.FileExists("/work/mime.def"));
  std::string expected;
  TBinaryWriter w(expected);
  global_.List().SaveToStream(w);
  w.WriteShortString("Korvane MIME revision");
  w.WriteU16(2);
  EXPECT_EQ(fs_.files["/work/mime.def"], expected);

  TGlobalMimeList again(fs_, "/work/");
  EXPECT_EQ(again.Load(), TGlobalMimeList::TLoadResult::kRead);
  EXPECT_EQ(again.List().Count(), global_.List().Count());
  // A new mime.def holds what today's pages need, captured, after the original seven types.
  ASSERT_EQ(again.List().Count(), 29);
  EXPECT_EQ(again.List().GetMimebyIndex(6)->ContentType, "audio/x-aiff");
  const TMimeItem* font = again.List().GetMimeByString("font/woff2");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Extension, "woff2");
  EXPECT_TRUE(font->Valid);
  EXPECT_EQ(again.List().GetMimeByString("text/css")->MimeClass, mcText);
  EXPECT_EQ(again.List().GetMimeByString("image/webp")->MimeClass, mcImage);
}

TEST_F(GlobalMimeListTest, RewritesTheFileOnlyWhenAMergeAddedATypes) {
  ASSERT_EQ(global_.Load(), TGlobalMimeList::TLoadResult::kCreated);
  TMIMELIST web;
  global_.CopyTo(web);
  web.AddMime("image/x-new", "new", "Image", true);
  bool written = false;
  EXPECT_EQ(global_.Merge(web, &written), 1);
  EXPECT_TRUE(written);
  std::string after_first = fs_.files["/work/mime.def"];

  fs_.files["/work/mime.def"] = "sentinel";
  EXPECT_EQ(global_.Merge(web, &written), 0);
  EXPECT_FALSE(written);
  EXPECT_EQ(fs_.files["/work/mime.def"], "sentinel");

  TGlobalMimeList reread(fs_, "/work");
  fs_.files["/work/mime.def"] = after_first;
  ASSERT_EQ(reread.Load(), TGlobalMimeList::TLoadResult::kRead);
  EXPECT_FALSE(reread.List().GetMimeByString("image/x-new")->Valid);
}

// A mime.def of an earlier version: without today's types, or with them merged in disabled by a
// capture. They are enabled once, the user's own types kept as they were; later choices stay.
TEST_F(GlobalMimeListTest, AnEarlierFileGetsTodaysTypesCapturedOnce) {
  TMIMELIST old;
  old.SetToDefault();
  old.AddMime("image/png", "png", "Image", false);
  old.AddMime("image/x-mine", "min", "Image", false);
  std::string bytes;
  TBinaryWriter w(bytes);
  old.SaveToStream(w);
  fs_.files["/work/mime.def"] = bytes;

  ASSERT_EQ(global_.Load(), TGlobalMimeList::TLoadResult::kRead);
  EXPECT_TRUE(global_.List().GetMimeByString("image/png")->Valid);
  EXPECT_TRUE(global_.List().GetMimeByString("text/css")->Valid);
  EXPECT_FALSE(global_.List().GetMimeByString("image/x-mine")->Valid);
  EXPECT_EQ(global_.List().Count(), 29 + 1);
  EXPECT_NE(fs_.files["/work/mime.def"], bytes);

  global_.List().GetMimeByString("image/png")->Valid = false;  // the user's choice
  TMIMELIST web;
  web.AddMime("image/x-new", "new", "Image", true);
  ASSERT_EQ(global_.Merge(web), 1);
  TGlobalMimeList reread(fs_, "/work");
  ASSERT_EQ(reread.Load(), TGlobalMimeList::TLoadResult::kRead);
  EXPECT_FALSE(reread.List().GetMimeByString("image/png")->Valid);
}

TEST_F(GlobalMimeListTest, ADamagedFileOrAFailedWriteLosesNothing) {
  fs_.files["/work/mime.def"] = std::string("\x01\x00\x05\x00", 4);
  EXPECT_EQ(global_.Load(), TGlobalMimeList::TLoadResult::kUnreadable);
  EXPECT_EQ(global_.List().Count(), 7);  // the original table, as a damaged file gives
  EXPECT_EQ(fs_.files["/work/mime.def"].size(), 4u);

  fs_.files["/work/mime.def"] = "old";
  fs_.fail_renames = true;
  TMIMELIST web;
  web.AddMime("image/x-new", "new", "Image", true);
  bool written = true;
  EXPECT_EQ(global_.Merge(web, &written), 1);
  EXPECT_FALSE(written);
  EXPECT_EQ(fs_.files["/work/mime.def"], "old");
  EXPECT_FALSE(fs_.FileExists("/work/mime.def.tmp"));

  fs_.files.clear();
  fs_.unwritable.insert("/work/mime.def.tmp");
  TGlobalMimeList fresh(fs_, "/work");
  EXPECT_EQ(fresh.Load(), TGlobalMimeList::TLoadResult::kNotWritten);
  EXPECT_EQ(fresh.List().Count(), 29);
}

}  // namespace
}  // namespace korvane
