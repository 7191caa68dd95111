#include "pages/sommaire_param.h"

#include <gtest/gtest.h>

#include "base/binary_stream.h"
#include "base/ini_file.h"

namespace korvane {
namespace {

TEST(SommaireParamTest, IniKeysAndDefaults) {
  TIniFile ini;
  ini.LoadFromString("[SOMMAIRE]\nImgSize=96\nImgRatio=1\n");
  TSommaireParam p;
  p.LoadFromIni(ini, "sommaire");
  EXPECT_EQ(p.LigByPage, 10);
  EXPECT_EQ(p.ImgLigByPage, 2);
  EXPECT_EQ(p.ImgColByPage, 8);
  EXPECT_EQ(p.ImgSize, 96);
  EXPECT_EQ(p.ImgSizeMin, 0);
  EXPECT_TRUE(p.ImgRatio);

  TIniFile out;
  p.SaveToIni(out, "sommaire");
  EXPECT_EQ(out.SaveToString(),
            "[sommaire]\nLigByPage=10\nImgLigByPage=2\nImgColByPage=8\nImgSize=96\n"
            "ImgSizeMin=0\nImgRatio=1\n");
}

TEST(SommaireParamTest, StreamFormIsFiveWordsAndAByte) {
  TSommaireParam p;
  p.ImgSizeMin = 800;
  p.ImgRatio = true;
  std::string bytes;
  TBinaryWriter out(bytes);
  p.SaveToStream(out);
  EXPECT_EQ(bytes, std::string("\x0A\0\x02\0\x08\0\x40\0\x20\x03\x01", 11));
  TSommaireParam back;
  TBinaryReader in(bytes);
  back.LoadFromStream(in);
  EXPECT_EQ(back, p);

  // A value that does not fit a word is stored as the nearest one that does.
  p.LigByPage = 70000;
  bytes.clear();
  p.SaveToStream(out);
  TBinaryReader in2(bytes);
  back.LoadFromStream(in2);
  EXPECT_EQ(back.LigByPage, 32767);
}

}  // namespace
}  // namespace korvane
