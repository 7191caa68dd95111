#include "app/app_core.h"

#include <gtest/gtest.h>

#include "support/mem_file_system.h"
#include "support/quiet_navigator.h"

namespace korvane {
namespace {

class AppCoreTest : public ::testing::Test {
 protected:
  AppCoreTest() : profile_(fs_, "/home/u/.config/korvane/profile.ini", "/home/u/webs/") {
    EXPECT_TRUE(fs_.MakeDirs("/w"));
    profile_.WriteWorkPath("/w/");
  }
  TAppSetup CoreSetup() {
    TAppSetup setup;
    setup.FileSystem = &fs_;
    setup.Profile = &profile_;
    setup.Navigator = &navigator_;
    return setup;
  }

  testing::TMemFileSystem fs_;
  TIniProfile profile_;
  testing::TQuietNavigator navigator_;
};

// What each front end may find on start, and what it leaves of the user's settings file.
TEST_F(AppCoreTest, SettingsAreWrittenBackOnlyAsAskedAndNeverOverAnUnreadableFile) {
  const std::string own = "[Options]\nMaxSockets=7\n";
  fs_.files["/w/korvane.ini"] = own;
  {
    TAppCore core(CoreSetup());
    EXPECT_EQ(core.Start(TSettingsWriteBack::kWhenMissing), "");
    EXPECT_EQ(core.Param().MaxSockets, 7);
    EXPECT_EQ(fs_.files["/w/korvane.ini"], own);  // read, left as it was
  }
  {
    TAppCore core(CoreSetup());
    EXPECT_EQ(core.Start(TSettingsWriteBack::kAlways), "");
    EXPECT_NE(fs_.files["/w/korvane.ini"], own);  // written back with every key
    EXPECT_EQ(core.Param().MaxSockets, 7);
  }
  fs_.files["/w/korvane.ini"] = own;
  fs_.unreadable.insert("/w/korvane.ini");
  for (TSettingsWriteBack write_back :
       {TSettingsWriteBack::kWhenMissing, TSettingsWriteBack::kAlways}) {
    TAppCore core(CoreSetup());
    const std::string warning = core.Start(write_back);
    EXPECT_NE(warning.find("cannot be read"), std::string::npos) << warning;
    EXPECT_EQ(fs_.files["/w/korvane.ini"], own);
    EXPECT_EQ(core.Param().MaxSockets, 5);  // the defaults hold
  }
  fs_.unreadable.clear();
  fs_.unwritable.insert("/w/korvane.ini");
  TAppCore core(CoreSetup());
  EXPECT_NE(core.Start(TSettingsWriteBack::kAlways), "");  // a file that cannot be written is said
}

TEST_F(AppCoreTest, AWorkPathGivenForTheSessionIsCreatedAndNeverWrittenToTheProfile) {
  TAppSetup setup = CoreSetup();
  setup.WorkPath = "/given//";
  TAppCore core(setup);
  EXPECT_EQ(core.Start(TSettingsWriteBack::kWhenMissing), "");
  EXPECT_EQ(core.Param().WorkPath(), "/given/");
  EXPECT_TRUE(fs_.FileExists("/given/korvane.ini"));  // a first run writes its settings
  EXPECT_EQ(profile_.ReadWorkPath(), "/w/");
  EXPECT_EQ(core.GlobalMime().FilePath(), "/given/mime.def");  // the table of that work path
}

}  // namespace
}  // namespace korvane
