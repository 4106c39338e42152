// The synchronous waits: WaitForFlag and RunAndWait on the thread's loop.
#include <gtest/gtest.h>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

// Sets `flag` from the loop after `delay_ms`.
void SetLater(runtime::NotifyTarget& target, int delay_ms, bool& flag) {
  target.Loop().StartTimer(delay_ms, target.Id(), [&flag] { flag = true; });
}

TEST(SyncWait, AFlagSetFromTheLoopEndsTheWaitWithZero) {
  TWSocket socket;
  runtime::NotifyTarget target;
  bool done = false;
  SetLater(target, 20, done);
  EXPECT_EQ(socket.WaitForFlag(done), 0);
  EXPECT_TRUE(done);
}

TEST(SyncWait, ThePassingOfTheTimeLimitEndsTheWaitWith12001) {
  TWSocket socket;
  socket.SetWaitTimeout(30);
  runtime::NotifyTarget target;
  bool fired = false;
  SetLater(target, 10, fired);
  bool done = false;
  EXPECT_EQ(socket.WaitForFlag(done), 12001);
  EXPECT_EQ(SyncWaitFailed, 12001);
  EXPECT_FALSE(done);
  EXPECT_TRUE(fired);  // the loop ran during the wait
}

TEST(SyncWait, TheApplicationTerminatingEndsAWaitWithoutLimit) {
  TWSocket socket;
  runtime::NotifyTarget target;
  target.Loop().StartTimer(10, target.Id(), [] { runtime::SetApplicationTerminating(true); });
  bool done = false;
  const int result = socket.WaitForFlag(done);
  runtime::SetApplicationTerminating(false);
  EXPECT_EQ(result, 12001);
}

TEST(SyncWait, RunAndWaitWhoseProcSetsTheFlagReturnsWithoutPumping) {
  TWSocket socket;
  runtime::NotifyTarget target;
  bool pumped = false;
  target.Post([&] { pumped = true; });
  bool done = true;
  EXPECT_EQ(socket.RunAndWait([&] { done = true; }, done), 0);
  EXPECT_FALSE(pumped);
  RunUntil([&] { return pumped; });
}

TEST(SyncWait, RunAndWaitClearsTheFlagBeforeWaiting) {
  TWSocket socket;
  socket.SetWaitTimeout(20);
  bool done = true;
  EXPECT_EQ(socket.RunAndWait(nullptr, done), 12001);
  EXPECT_FALSE(done);
}

// The wait sleeps on the loop until work arrives or its limit passes: an
// idle wait pumps once or twice, not once every few milliseconds.
TEST(SyncWait, AnIdleWaitSleepsUntilItsLimit) {
  TWSocket socket;
  socket.SetWaitTimeout(100);
  auto& loop = runtime::EventLoop::Current();
  int pumps = 0;
  loop.SetPumpHook([&] {
    ++pumps;
    loop.DispatchPending();
  });
  bool done = false;
  const int result = socket.WaitForFlag(done);
  loop.SetPumpHook(nullptr);
  EXPECT_EQ(result, 12001);
  EXPECT_GT(pumps, 0);
  EXPECT_LE(pumps, 3);
}

TEST(SyncWait, ASocketReleasedDuringItsOwnWaitEndsTheWait) {
  auto* socket = new TWSocket;
  runtime::NotifyTarget target;
  target.Loop().StartTimer(10, target.Id(), [socket] { socket->Release(); });
  bool done = false;
  EXPECT_EQ(socket->WaitForFlag(done), 12001);
}

}  // namespace
}  // namespace varnel::socket
