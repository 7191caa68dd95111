// The socket component's dispatch of library callbacks to the component that owns the handle.
#include "net/scx.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "net/socket_hub.h"
#include "support/scripted_socket_library.h"

namespace korvane {
namespace {

using testing::TScriptedSocketLibrary;

class ScxTest : public ::testing::Test {
 protected:
  TSocketCallbacks& Raise() { return *lib_.Callbacks(); }

  TScriptedSocketLibrary lib_;
  TSocketHub hub_{&lib_};
};

TEST_F(ScxTest, CallbacksReachOnlyTheComponentHoldingTheHandle) {
  TSCX a(hub_), b(hub_);
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
  TSCX c(hub_);
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
  Raise().Fail(h, {TNetError::kRefused, "connection refused"});
  EXPECT_EQ(states, (std::vector<TSCX_State>{scxOkHost, scxConnect, scxCut, scxNoHost, scxFail}));
}

TEST_F(ScxTest, DistantAddressIsCutTo80Characters) {
  TSCX c(hub_);
  std::string got;
  c.OnConnect = [&](TSCX&, const std::string& ip) { got = ip; };
  TScxHandle h = c.Go("host", "80", 30);
  Raise().Connect(h, std::string(80, 'a') + "bcd");
  EXPECT_EQ(got, std::string(80, 'a'));
}

TEST_F(ScxTest, NothingIsDeliveredAfterAbort) {
  TSCX c(hub_);
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
    TSCX c(hub_);
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
  TSCX c(hub_);
  EXPECT_EQ(c.Send("early"), 0);
  TScxHandle h = c.Go("host", "80", 30);
  EXPECT_EQ(c.Send("GET"), 3);
  EXPECT_EQ(lib_.SentOn(h), "GET");
}

// What a handler throws stops at the hub: the component's connection ends, its OnException says
// why, and the library's caller (its event loop) sees nothing.
TEST_F(ScxTest, AnExceptionOfAHandlerIsContainedAndReported) {
  TSCX c(hub_), other(hub_);
  std::vector<std::string> reported;
  c.OnData = [](TSCX&, const char*, int) { throw std::runtime_error("Integer overflow"); };
  c.OnException = [&](TSCX&, const std::string& error) { reported.push_back(error); };
  int other_data = 0;
  other.OnData = [&](TSCX&, const char*, int) { ++other_data; };
  TScxHandle h = c.Go("host", "80", 30);
  TScxHandle ho = other.Go("other", "80", 30);
  EXPECT_NO_THROW(Raise().Data(h, "x", 1));
  EXPECT_EQ(reported, std::vector<std::string>{"Integer overflow"});
  EXPECT_EQ(c.Handle(), 0u);
  EXPECT_EQ(lib_.aborted, std::vector<TScxHandle>{h});
  Raise().Data(ho, "y", 1);  // the others carry on
  EXPECT_EQ(other_data, 1);

  // Without OnException, and with one that throws too, still nothing escapes.
  TSCX silent(hub_);
  silent.OnCut = [](TSCX&) { throw 42; };
  EXPECT_NO_THROW(Raise().Cut(silent.Go("h", "80", 30)));
  silent.OnException = [](TSCX&, const std::string&) { throw std::logic_error("again"); };
  silent.OnCut = [](TSCX&) { throw std::runtime_error("first"); };
  EXPECT_NO_THROW(Raise().Cut(silent.Go("h", "80", 30)));
}

TEST(ScxWithoutLibraryTest, GoReturnsZeroAndTheFirstComponentWarns) {
  std::vector<std::string> warnings;
  TSocketHub hub(nullptr, [&](std::string_view m) { warnings.emplace_back(m); });
  {
    TSCX first(hub);
    TSCX second(hub);  // another component exists: no second warning
    EXPECT_EQ(first.Go("host", "80", 30), 0u);
    EXPECT_EQ(first.Send("x"), 0);
    EXPECT_TRUE(first.Host.empty());
  }
  EXPECT_EQ(warnings, std::vector<std::string>{"Cannot load SCX.DLL!"});
}

TEST(ScxShutTest, ShuttingTheHubAbortsEveryLiveConnectionThenShutsTheLibrary) {
  TScriptedSocketLibrary lib;
  TSocketHub hub(&lib);
  TSCX a(hub), b(hub);
  TScxHandle ha = a.Go("a", "80", 30), hb = b.Go("b", "80", 30);
  hub.Shut();
  EXPECT_TRUE(lib.shut);
  EXPECT_EQ(lib.aborted, (std::vector<TScxHandle>{ha, hb}));
  EXPECT_EQ(a.Go("a", "80", 30), 0u);
}

}  // namespace
}  // namespace korvane
