#include "base/message_pump.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace korvane {
namespace {

TEST(MessagePumpTest, RunsPendingMessagesInOrderOnTheCallingThread) {
  TQueuedMessagePump pump;
  std::vector<int> seen;
  pump.Post([&] { seen.push_back(1); });
  pump.Post([&] {
    seen.push_back(2);
    // Posted while running: waits for the next round, so a chain cannot starve the caller.
    pump.Post([&] { seen.push_back(3); });
  });
  pump.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_TRUE(pump.HasPending());
  pump.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST(MessagePumpTest, WaitReturnsWhenAMessageIsPostedFromAnotherThread) {
  TQueuedMessagePump pump;
  EXPECT_FALSE(pump.WaitMessages(std::chrono::milliseconds(1)));
  bool ran = false;
  std::thread poster([&] { pump.Post([&] { ran = true; }); });
  EXPECT_TRUE(pump.WaitMessages(std::chrono::seconds(30)));
  poster.join();
  pump.ProcessMessages();
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace korvane
