#include "store/options.h"

#include <gtest/gtest.h>

#include "base/binary_stream.h"
#include "base/ini_file.h"
#include "store/capture_info.h"

namespace korvane {
namespace {

TEST(OptionsTest, SavesEveryKeyInTheFixedOrder) {
  TOPTIONS o;
  o.MaxFileSize = 512;
  o.Username = "ann";
  TIniFile ini;
  o.SaveToIni(ini, "default");
  EXPECT_EQ(ini.SaveToString(),
            "[default]\nInternalPathLimit=1\nExternalPathLimit=1\nInternalLinkDepth=100\n"
            "ExternalWebDepth=0\nExternalLinkDepth=0\nRefLimit=0\nListGifFlag=1\nListJpegFlag=1\n"
            "ListAviFlag=1\nListWavFlag=1\nResolvedUrlFlag=1\nErrorUrlFlag=0\nTodoUrlFlag=0\n"
            "FilteredUrlFlag=0\nStretchImageFlag=1\nRealLinkFlag=1\nSuppressLinkFlag=1\n"
            "BackgroundOnlyFlag=0\nMaxFileCount=0\nMaxFileSize=512\nMinFileSize=0\n"
            "MaxDiskSize=0\nMaxTime=0\nCheckDomainMachineFlag=0\nUsername=ann\nPassword=\n"
            "PageRequisites=1\nCaFile=\nUnsafeNoCertificateCheck=0\nLowSpeedLimit=100\n"
            "LowSpeedTime=60\nCookies=1\nSendReferer=1\nRobots=1\nPerHost=0\nWait=0\nRandomWait="
            "0\nLimitRate=0\nSiteLayout=1\nProtocol=1.1\nDeleteGone=0\n");
}

TEST(OptionsTest, MissingKeysTakeDefaultsOnLoadAndKeepValuesOnMerge) {
  TIniFile ini;
  ini.LoadFromString("[OPTIONS]\nRefLimit=1\nMaxTime=15\nPassword=p\n");
  TOPTIONS current;
  current.InternalLinkDepth = 3;
  current.SuppressLinkFlag = false;
  current.Username = "bob";

  TOPTIONS loaded = current;
  loaded.LoadFromIni(ini, "options");
  EXPECT_EQ(loaded.InternalLinkDepth, 100);
  EXPECT_TRUE(loaded.SuppressLinkFlag);
  EXPECT_EQ(loaded.Username, "");
  EXPECT_TRUE(loaded.RefLimit);
  EXPECT_EQ(loaded.MaxTime, 15);

  TOPTIONS merged = current;
  merged.MergeFromIni(ini, "options");
  EXPECT_EQ(merged.InternalLinkDepth, 3);
  EXPECT_FALSE(merged.SuppressLinkFlag);
  EXPECT_EQ(merged.Username, "bob");
  EXPECT_TRUE(merged.RefLimit);
  EXPECT_EQ(merged.Password, "p");
}

TEST(OptionsTest, RoundTripThroughTheSettingsFile) {
  TOPTIONS o;
  o.InternalPathLimit = false;
  o.ExternalWebDepth = 2;
  o.MaxDiskSize = -5;
  o.CheckDomainMachineFlag = true;
  o.Password =
      "s\xE9"
      "cret";
  TIniFile ini;
  o.SaveToIni(ini, "default");
  TOPTIONS back;
  back.LoadFromIni(ini, "DEFAULT");
  EXPECT_EQ(back, o);
}

// korvane.ini and options files hold the lists under the same numbered keys; a shorter list
// leaves no item of the longer one behind, and a bad item is refused by its key.
TEST(OptionsTest, ListsRoundTripThroughSettingsAndBadItemsAreNamed) {
  TOPTIONS o;
  o.SendReferer = false;
  o.AddressRules = {"- **.zip", "+ re:/docs/", "- http://a.com/*/private/**"};
  o.RequestHeaders = {"X-Token: abc"};
  TIniFile ini;
  o.SaveToIni(ini, "default");
  TOPTIONS back;
  back.LoadFromIni(ini, "DEFAULT");
  EXPECT_EQ(back, o);
  o.AddressRules.resize(1);
  o.SaveToIni(ini, "default");
  back.LoadFromIni(ini, "default");
  EXPECT_EQ(back.AddressRules, o.AddressRules);

  // An options file's items come in number order; an empty first item empties the list.
  ini.LoadFromString("[OPTIONS]\nRule2=- b\nrule1=+ a\nHeader1=\n");
  back.MergeFromIni(ini, "OPTIONS");
  EXPECT_EQ(back.AddressRules, (std::vector<std::string>{"+ a", "- b"}));
  EXPECT_TRUE(back.RequestHeaders.empty());
  EXPECT_EQ(TOPTIONS::CheckIni(ini, "OPTIONS"), "");

  struct TCase {
    const char* file;
    std::string problem;
  } cases[] = {
      {"[O]\nRule3=- re:(\n", "Rule3=- re:(: the regular expression cannot be read ("},
      {"[O]\nHeader1=Host: evil.com\n", "Header1=Host: evil.com: Host is written by the request"},
      {"[O]\nRule0=+ a\n", "Rule0 is no option key"},
      {"[O]\nRule01=+ a\n", "Rule01 is no option key"},
      {"[O]\nSendReferer=yes\n", "SendReferer=yes: 0 or 1 is expected"},
  };
  for (const TCase& c : cases) {
    ini.LoadFromString(c.file);
    EXPECT_EQ(TOPTIONS::CheckIni(ini, "O").substr(0, c.problem.size()), c.problem) << c.file;
  }
}

TEST(OptionsTest, AssignKeepsTheTargetsDomainMachineFlag) {
  TOPTIONS source;
  source.CheckDomainMachineFlag = true;
  source.MaxFileCount = 40;
  TOPTIONS target;
  target.Assign(source);
  EXPECT_FALSE(target.CheckDomainMachineFlag);
  EXPECT_EQ(target.MaxFileCount, 40);
}

TEST(CaptureInfoTest, StreamFormIsByteExact) {
  TCaptureInfo info;
  info.StartTime = 1.5;
  info.StopTime = 2.0;
  info.SizeKb = 0x01020304;
  info.ErrorCount = -1;
  std::string bytes;
  TBinaryWriter out(bytes);
  info.SaveToStream(out);
  ASSERT_EQ(bytes.size(), 40u);
  // 693595.5 and 693596.0 as little-endian IEEE doubles.
  TBinaryReader raw(bytes);
  EXPECT_EQ(raw.ReadF64(), 693595.5);
  EXPECT_EQ(raw.ReadF64(), 693596.0);
  EXPECT_EQ(bytes.substr(16, 8), std::string("\0\0\0\0\x04\x03\x02\x01", 8));
  EXPECT_EQ(bytes.substr(36, 4), "\xFF\xFF\xFF\xFF");

  TCaptureInfo back;
  TBinaryReader in(bytes);
  back.LoadFromStream(in);
  EXPECT_EQ(back, info);
  TBinaryReader truncated(std::string_view(bytes).substr(0, 39));
  EXPECT_THROW(back.LoadFromStream(truncated), TReadError);
}

TEST(CaptureInfoTest, FillRoundsKilobytesDownAndKeepsReserved) {
  TCaptureInfo info;
  info.Reserved = 7;
  info.Fill(100.25, 100.5, 2047, 3, 4, 5, 6);
  EXPECT_EQ(info.StartTime, 100.25);
  EXPECT_EQ(info.StopTime, 100.5);
  EXPECT_EQ(info.SizeKb, 1);
  EXPECT_EQ(info.CapturedCount, 3);
  EXPECT_EQ(info.FilteredCount, 4);
  EXPECT_EQ(info.NotFoundCount, 5);
  EXPECT_EQ(info.ErrorCount, 6);
  EXPECT_EQ(info.Reserved, 7);
}

}  // namespace
}  // namespace korvane
