// The socket component's dispatch of library callbacks to the component that owns the handle.
#include "net/scx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_socket_library.h"

namespace korvane {
namespace {

using testing::TScriptedSocketLibrary;

class ScxTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallSocketLibrary(&lib_); }
  void TearDown() override { UninstallSocketLibrary(); }

  TSocketCallbacks& Raise() { return *lib_.Callbacks(); }

  TScriptedSocketLibrary lib_;
};

TEST_F(ScxTest, CallbacksReachOnlyTheComponentHoldingTheHandle) {
  TSCX a, b;
  std::vector<std::string> seen;
  a.OnData = [&](TSCX&, const char* buf, int len) { seen.push_back("a:" + std::string(buf, len)); };
  b.OnData = [&](TSCX&, const char* buf, int len) { seen.push_back("b:" + std::string(buf, len)); };
  TScxHandle ha = a.Go("one", "80", 30);
  TScxHandle hb = b.Go("two", "81", 30);
  ASSERT_NE(ha, hb);
  Raise().Data(hb, "xy", 2);
  Raise().Data(ha, "z", 1);
  Raise().Data(0, "zero", 4);
  Raise().Data(hb + 1000, "unknown", 7);
  EXPECT_EQ(seen, (std::vector<std::string>{"b:xy", "a:z"}));
}

TEST_F(ScxTest, StateChangesBeforeTheHandlerRuns) {
  TSCX c;
  std::vector<TSCX_State> states;
  auto record = [&](TSCX& s) { states.push_back(s.State); };
  c.OnOkHost = c.OnNoHost = c.OnFail = c.OnCut = record;
  c.OnConnect = [&](TSCX& s, const std::string&) { states.push_back(s.State); };
  EXPECT_EQ(c.State, scxIdle);
  TScxHandle h = c.Go("host", "80", 30);
  Raise().OkHost(h);
  Raise().Connect(h, "10.0.0.1");
  Raise().Cut(h);
  Raise().NoHost(h);
  Raise().Fail(h);
  EXPECT_EQ(states, (std::vector<TSCX_State>{scxOkHost, scxConnect, scxCut, scxNoHost, scxFail}));
}

TEST_F(ScxTest, DistantAddressIsCutTo80Characters) {
  TSCX c;
  std::string got;
  c.OnConnect = [&](TSCX&, const std::string& ip) { got = ip; };
  TScxHandle h = c.Go("host", "80", 30);
  Raise().Connect(h, std::string(80, 'a') + "bcd");
  EXPECT_EQ(got, std::string(80, 'a'));
}

TEST_F(ScxTest, NothingIsDeliveredAfterAbort) {
  TSCX c;
  int data = 0;
  c.OnData = [&](TSCX&, const char*, int) { ++data; };
  TScxHandle h = c.Go("host", "80", 30);
  c.Abort();
  EXPECT_EQ(c.Handle(), 0u);
  Raise().Data(h, "late", 4);
  Raise().Cut(h);
  EXPECT_EQ(data, 0);
  EXPECT_EQ(c.State, scxIdle);  // Abort itself changes no state
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{h});
}

TEST_F(ScxTest, GoStoresItsArgumentsAndAFreedComponentAbortsItsConnection) {
  TScxHandle h;
  {
    TSCX c;
    h = c.Go("example.org", "8080", 12);
    EXPECT_EQ(c.Host, "example.org");
    EXPECT_EQ(c.Port, "8080");
    ASSERT_EQ(lib_.gos.size(), 1u);
    EXPECT_EQ(lib_.gos[0].timeout_secs, 12);
  }
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{h});
  Raise().Cut(h);  // the component is gone: dropped, not a crash
}

TEST_F(ScxTest, SendGoesToTheLibraryOnlyWithAConnection) {
  TSCX c;
  EXPECT_EQ(c.Send("early"), 0);
  TScxHandle h = c.Go("host", "80", 30);
  EXPECT_EQ(c.Send("GET"), 3);
  EXPECT_EQ(lib_.SentOn(h), "GET");
}

TEST(ScxWithoutLibraryTest, GoReturnsZeroAndTheFirstComponentWarns) {
  std::vector<std::string> warnings;
  SetSocketWarningHandler([&](std::string_view m) { warnings.emplace_back(m); });
  {
    TSCX first;
    TSCX second;  // another component exists: no second warning
    EXPECT_EQ(first.Go("host", "80", 30), 0u);
    EXPECT_EQ(first.Send("x"), 0);
    EXPECT_TRUE(first.Host.empty());
  }
  SetSocketWarningHandler(nullptr);
  EXPECT_EQ(warnings, std::vector<std::string>{"Cannot load SCX.DLL!"});
}

TEST(ScxUninstallTest, UninstallAbortsEveryLiveConnectionThenShutsTheLibrary) {
  TScriptedSocketLibrary lib;
  InstallSocketLibrary(&lib);
  TSCX a, b;
  TScxHandle ha = a.Go("a", "80", 30), hb = b.Go("b", "80", 30);
  UninstallSocketLibrary();
  EXPECT_TRUE(lib.shut);
  EXPECT_EQ(lib.aborted, (std::vector<TScxHandle>{ha, hb}));
  EXPECT_EQ(a.Go("a", "80", 30), 0u);
}

}  // namespace
}  // namespace korvane
