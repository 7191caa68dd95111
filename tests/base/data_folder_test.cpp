#include "base/data_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/file_system.h"

namespace korvane {
namespace {

TEST(DataFolderTest, FindsTheSpecialPagesFromABuildAndHonoursTheOverride) {
  unsetenv("KORVANE_DATA_DIR");
  const std::string folder = DataFolder();
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(RealFileSystem().FileExists(folder + "NotFound.htm")) << folder;
  EXPECT_TRUE(RealFileSystem().FileExists(folder + "BadLink.htm")) << folder;

  setenv("KORVANE_DATA_DIR", "/opt/korvane/data", 1);
  EXPECT_EQ(DataFolder(), "/opt/korvane/data/");
  unsetenv("KORVANE_DATA_DIR");
}

}  // namespace
}  // namespace korvane
