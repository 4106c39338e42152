#include "runtime/event_loop.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace varnel::runtime {
namespace {

bool DescriptorReadable(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1;
}

struct SocketPair {
  int a = -1, b = -1;
  SocketPair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) == 0) {
      a = fds[0];
      b = fds[1];
    }
  }
  ~SocketPair() {
    ::close(a);
    ::close(b);
  }
};

TEST(EventLoop, PostedNotificationsRunLaterInPostingOrder) {
  EventLoop loop;
  NotifyTarget target(loop);
  std::vector<int> order;
  target.Post([&] {
    order.push_back(1);
    // Posted from inside a handler: runs in a later pass, after 2.
    target.Post([&] { order.push_back(3); });
  });
  target.Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());
  loop.DispatchPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  loop.DispatchPending();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(EventLoop, NotificationsOfADestroyedTargetAreDropped) {
  EventLoop loop;
  int delivered = 0;
  auto target = std::make_unique<NotifyTarget>(loop);
  NotifyTarget other(loop);
  target->Post([&] { ++delivered; });
  target->Loop().StartTimer(0, target->Id(), [&] { ++delivered; });
  other.Post([&] { delivered += 10; });
  target.reset();
  while (loop.RunOnce(20)) {
  }
  EXPECT_EQ(delivered, 10);
}

TEST(EventLoop, DescriptorIsReadableExactlyWhileSomethingIsPending) {
  EventLoop loop;
  NotifyTarget target(loop);
  EXPECT_FALSE(DescriptorReadable(loop.Descriptor()));
  int runs = 0;
  target.Post([&] {
    ++runs;
    target.Post([&] { ++runs; });
  });
  EXPECT_TRUE(DescriptorReadable(loop.Descriptor()));
  loop.DispatchPending();
  // The notification posted inside the pass keeps the descriptor readable.
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(DescriptorReadable(loop.Descriptor()));
  loop.DispatchPending();
  EXPECT_EQ(runs, 2);
  EXPECT_FALSE(DescriptorReadable(loop.Descriptor()));
}

TEST(EventLoop, InterestChangedOutsideAPassWakesAnEmbeddingHost) {
  EventLoop loop;
  NotifyTarget target(loop);
  SocketPair pair;
  ASSERT_EQ(::write(pair.b, "x", 1), 1);
  int calls = 0;
  WatchId watch = loop.Watch(pair.a, target.Id(), [&](std::uint32_t) {
    ++calls;
    loop.SetInterest(watch, 0);
  });
  // A host loop only runs a pass when the descriptor is readable; a watch
  // that nobody has registered yet must still get it there.
  loop.SetInterest(watch, EPOLLIN);
  ASSERT_TRUE(DescriptorReadable(loop.Descriptor()));
  while (DescriptorReadable(loop.Descriptor())) loop.DispatchPending();
  EXPECT_EQ(calls, 1);
  loop.Unwatch(watch);
}

TEST(EventLoop, ReadinessJoinsTheFifoInTheOrderItHappened) {
  EventLoop loop;
  NotifyTarget target(loop);
  SocketPair pair;
  std::vector<std::string> order;
  WatchId watch = loop.Watch(pair.a, target.Id(), [&](std::uint32_t events) {
    order.push_back(events & EPOLLIN ? "read" : "other");
    char buffer[16];
    while (::read(pair.a, buffer, sizeof buffer) > 0) {
    }
  });
  loop.SetInterest(watch, EPOLLIN);
  loop.DispatchPending();  // applies the interest
  ASSERT_EQ(::write(pair.b, "x", 1), 1);
  target.Post([&] { order.push_back("posted"); });
  loop.DispatchPending();
  // Readiness found by the pass's wait comes after what was already queued.
  EXPECT_EQ(order, (std::vector<std::string>{"posted", "read"}));
  loop.Unwatch(watch);
}

TEST(EventLoop, ReadinessOfOneWatchIsQueuedOnceAndUnwatchDropsIt) {
  EventLoop loop;
  NotifyTarget target(loop);
  SocketPair pair;
  int calls = 0;
  WatchId watch = loop.Watch(pair.a, target.Id(), [&](std::uint32_t) {
    ++calls;
    char buffer[16];
    while (::read(pair.a, buffer, sizeof buffer) > 0) {
    }
  });
  loop.SetInterest(watch, EPOLLIN);
  ASSERT_EQ(::write(pair.b, "x", 1), 1);
  // A handler that pumps while the readiness entry waits behind it: the
  // nested waits report the same readiness again, which must be merged into
  // the waiting entry rather than queued a second time.
  target.Post([&] {
    loop.DispatchPending();
    loop.DispatchPending();
  });
  loop.DispatchPending();
  loop.DispatchPending();
  EXPECT_EQ(calls, 1);

  // A readiness entry whose watch is removed before its delivery is dropped.
  ASSERT_EQ(::write(pair.b, "y", 1), 1);
  target.Post([&] { loop.Unwatch(watch); });
  loop.DispatchPending();
  loop.DispatchPending();
  EXPECT_EQ(calls, 1);
}

TEST(EventLoop, EmptyInterestSilencesEvenAHangUp) {
  EventLoop loop;
  NotifyTarget target(loop);
  SocketPair pair;
  int calls = 0;
  WatchId watch = loop.Watch(pair.a, target.Id(), [&](std::uint32_t) { ++calls; });
  loop.SetInterest(watch, EPOLLIN | EPOLLRDHUP);
  loop.DispatchPending();
  loop.SetInterest(watch, 0);
  ::shutdown(pair.b, SHUT_RDWR);
  for (int i = 0; i < 3; ++i) loop.DispatchPending();
  EXPECT_EQ(calls, 0);
  loop.SetInterest(watch, EPOLLIN | EPOLLRDHUP);
  loop.DispatchPending();
  loop.DispatchPending();
  EXPECT_GE(calls, 1);
  loop.Unwatch(watch);
}

TEST(EventLoop, AWatchThatCannotBeRegisteredReportsAnError) {
  EventLoop loop;
  NotifyTarget target(loop);
  std::uint32_t seen = 0;
  WatchId watch = loop.Watch(-1, target.Id(), [&](std::uint32_t events) { seen = events; });
  loop.SetInterest(watch, EPOLLIN);
  loop.DispatchPending();
  loop.DispatchPending();
  EXPECT_TRUE(seen & EPOLLERR);
  loop.Unwatch(watch);
}

TEST(EventLoop, TimersFireInDeadlineOrderAndCancelledOnesNever) {
  EventLoop loop;
  NotifyTarget target(loop);
  std::vector<int> fired;
  loop.StartTimer(30, target.Id(), [&] { fired.push_back(30); });
  loop.StartTimer(5, target.Id(), [&] { fired.push_back(5); });
  TimerId cancelled = loop.StartTimer(10, target.Id(), [&] { fired.push_back(10); });
  loop.CancelTimer(cancelled);
  std::int64_t deadline = TickCount() + 2000;
  while (fired.size() < 2 && TickCount() < deadline) loop.RunOnce(100);
  EXPECT_EQ(fired, (std::vector<int>{5, 30}));
}

TEST(EventLoop, TimerCancelledAfterExpiryButBeforeDeliveryDoesNotRun) {
  EventLoop loop;
  NotifyTarget target(loop);
  int fired = 0;
  TimerId timer = 0;
  // The first entry cancels the timer that expires in the same pass.
  loop.StartTimer(0, target.Id(), [&] { loop.CancelTimer(timer); });
  timer = loop.StartTimer(0, target.Id(), [&] { ++fired; });
  ::usleep(2000);
  loop.DispatchPending();
  loop.DispatchPending();
  EXPECT_EQ(fired, 0);
}

TEST(EventLoop, PostsFromOtherThreadsArrive) {
  EventLoop loop;
  NotifyTarget target(loop);
  int arrived = 0;
  std::thread poster([&] {
    for (int i = 0; i < 100; ++i) loop.PostFromAnyThread(target.Id(), [&] { ++arrived; });
  });
  poster.join();
  std::int64_t deadline = TickCount() + 2000;
  while (arrived < 100 && TickCount() < deadline) loop.RunOnce(100);
  EXPECT_EQ(arrived, 100);
}

TEST(EventLoop, WaitForWorkReturnsWhenSomethingIsPendingOrTimesOut) {
  EventLoop loop;
  NotifyTarget target(loop);
  std::thread poster([&] {
    ::usleep(20000);
    loop.PostFromAnyThread(target.Id(), [] {});
  });
  loop.WaitForWork(5000);
  EXPECT_TRUE(DescriptorReadable(loop.Descriptor()));
  poster.join();
  EXPECT_TRUE(loop.RunOnce(0));
}

TEST(EventLoop, PumpUsesTheHookWhenInstalled) {
  EventLoop loop;
  NotifyTarget target(loop);
  int hook_calls = 0, delivered = 0;
  target.Post([&] { ++delivered; });
  loop.SetPumpHook([&] { ++hook_calls; });
  loop.Pump();
  EXPECT_EQ(hook_calls, 1);
  EXPECT_EQ(delivered, 0);
  loop.SetPumpHook(nullptr);
  loop.Pump();
  EXPECT_EQ(delivered, 1);
}

// An embedding host sleeps in its own loop; work already pending means no
// sleep at all.
TEST(EventLoop, WaitForWorkSleepsInTheWaitHookWhenInstalled) {
  EventLoop loop;
  NotifyTarget target(loop);
  std::vector<int> sleeps;
  loop.SetWaitHook([&](int timeout_ms) { sleeps.push_back(timeout_ms); });
  loop.WaitForWork(250);
  loop.WaitForWork(-1);
  target.Post([] {});
  loop.WaitForWork(250);
  loop.SetWaitHook(nullptr);
  EXPECT_EQ(sleeps, (std::vector<int>{250, -1}));
}

TEST(EventLoop, RunStopsWhenAskedAndExceptionsLeaveTheLoopUsable) {
  EventLoop loop;
  NotifyTarget target(loop);
  target.Post([] { throw std::runtime_error("handler failed"); });
  target.Post([&] { loop.Stop(); });
  EXPECT_THROW(loop.DispatchPending(), std::runtime_error);
  loop.Run();  // the second notification is still delivered and stops it
  EXPECT_FALSE(DescriptorReadable(loop.Descriptor()));
}

}  // namespace
}  // namespace varnel::runtime
