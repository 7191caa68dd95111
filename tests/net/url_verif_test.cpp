// The connection check: which host and port it tries, and what it tells the user.
#include "net/url_verif.h"

#include <gtest/gtest.h>

#include "support/scripted_socket_library.h"

namespace korvane {
namespace {

using testing::TScriptedSocketLibrary;
using testing::TScriptStep;

class UrlVerifTest : public ::testing::Test {
 protected:
  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
};

TEST_F(UrlVerifTest, ChecksTheAddressPortWithTwentySeconds) {
  TUrlVerif check(hub_, "http://www.site.com:8080/dir/page.htm");
  check.Start();
  ASSERT_EQ(lib_.gos.size(), 1u);
  EXPECT_EQ(lib_.gos[0].host, "www.site.com");
  EXPECT_EQ(lib_.gos[0].port, "8080");
  EXPECT_EQ(lib_.gos[0].timeout_secs, 20);
  EXPECT_EQ(check.Caption(), "Please wait, checking www.site.com...");
  EXPECT_EQ(check.Address(), "www.site.com");
  EXPECT_FALSE(check.Answered());
}

TEST_F(UrlVerifTest, ResolvedHostIsAPossibleConnectionAndALaterFailureReplacesIt) {
  lib_.Expect({{TScriptStep::kOkHost, ""}});
  TUrlVerif check(hub_, "http://www.site.com/");
  int changes = 0;
  check.OnChange = [&] { ++changes; };
  check.Start();
  lib_.Run();
  EXPECT_EQ(lib_.gos[0].port, "80");
  EXPECT_EQ(check.Caption(), "Web www.site.com : connection possible");
  EXPECT_TRUE(check.Result());
  lib_.Callbacks()->Fail(lib_.LastHandle(), {TNetError::kRefused, "connection refused"});
  EXPECT_EQ(check.Caption(), "www.site.com : cannot connect to this Web");
  EXPECT_FALSE(check.Result());
  EXPECT_EQ(changes, 3);  // waiting, possible, cannot
}

TEST_F(UrlVerifTest, UnknownHostCannotConnect) {
  lib_.Expect({{TScriptStep::kNoHost, ""}});
  TUrlVerif check(hub_, "http://www.gone.com/");
  check.Start();
  lib_.Run();
  EXPECT_EQ(check.Caption(), "www.gone.com : cannot connect to this Web");
  EXPECT_TRUE(check.Answered());
}

TEST_F(UrlVerifTest, ClosingTheCheckAbortsItsConnection) {
  auto check = std::make_unique<TUrlVerif>(hub_, "http://www.site.com/");
  check->Start();
  TScxHandle h = lib_.LastHandle();
  check.reset();
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{h});
}

TEST(UrlVerifWithoutLibraryTest, TheWaitingMessageStays) {
  TSocketHub none(nullptr);
  TUrlVerif check(none, "http://www.site.com/");
  check.Start();
  EXPECT_EQ(check.Caption(), "Please wait, checking www.site.com...");
  EXPECT_FALSE(check.Answered());
}

}  // namespace
}  // namespace korvane
