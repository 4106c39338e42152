#include "socket/dns_resolver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "runtime/test_event_loop.h"
#include "socket/resolve.h"
#include "socket/winsock_errors.h"

namespace varnel::socket {
namespace {

using runtime::EventLoop;
using runtime::NotifyTarget;

// Refused by the C resolver before any query leaves the machine.
const std::string kImpossibleName = std::string(64, 'a') + ".invalid";

struct NameResult {
  bool done = false;
  int error = -1;
  std::vector<std::string> addresses;
  std::thread::id thread;
};

DnsResolver::NameDone Record(NameResult& result) {
  return [&result](int error, std::vector<std::string> addresses) {
    result.done = true;
    result.error = error;
    result.addresses = std::move(addresses);
    result.thread = std::this_thread::get_id();
  };
}

// Lookups on the fake resolver: "multi.test" has three addresses (one of them
// twice), "block.test" waits until released, everything else is unknown.
std::mutex g_block_mutex;
std::condition_variable g_block_cv;
bool g_blocked = false;

int FakeLookup(const std::string& name, std::vector<std::uint32_t>& addresses) {
  if (name == "block.test") {
    std::unique_lock lock(g_block_mutex);
    g_block_cv.wait(lock, [] { return !g_blocked; });
    return WSANO_DATA;
  }
  if (name == "multi.test") {
    addresses = {htonl(0x0A000003), htonl(0x0A000001), htonl(0x0A000002)};
    return 0;
  }
  return WSAHOST_NOT_FOUND;
}

void SetBlocked(bool blocked) {
  {
    std::lock_guard lock(g_block_mutex);
    g_blocked = blocked;
  }
  g_block_cv.notify_all();
}

class DnsResolverTest : public ::testing::Test {
 protected:
  // Runs the loop until `done` is set; the limit only guards against a hang.
  bool RunUntil(const bool& done) {
    return varnel::testing::RunLoopUntil(loop_, [&] { return done; }, 60000);
  }

  // The worker answers in request order: once a later lookup is delivered,
  // every earlier result has been posted and dispatched (or dropped).
  void Drain() {
    NameResult sentinel;
    DnsResolver::LookupName(loop_, target_.Id(), "127.0.0.1", Record(sentinel));
    ASSERT_TRUE(RunUntil(sentinel.done));
  }

  EventLoop loop_;
  NotifyTarget target_{loop_};
};

TEST_F(DnsResolverTest, LocalhostResolvesOnTheLoopAfterTheCallReturned) {
  NameResult result;
  const std::uint64_t id = DnsResolver::LookupName(loop_, target_.Id(),
                                                   "localhost", Record(result));
  EXPECT_NE(id, 0u);
  loop_.WaitForWork(60000);
  EXPECT_FALSE(result.done) << "delivered before returning to the loop";
  ASSERT_TRUE(RunUntil(result.done));
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(result.addresses, std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(result.thread, std::this_thread::get_id());
  EXPECT_FALSE(DnsResolver::Cancel(id)) << "already delivered";
}

TEST_F(DnsResolverTest, ReverseLookupOfLoopbackGivesItsName) {
  bool done = false;
  int error = -1;
  std::string name;
  DnsResolver::LookupAddr(loop_, target_.Id(), "127.0.0.1",
                          [&](int e, std::string host) {
                            done = true;
                            error = e;
                            name = std::move(host);
                          });
  ASSERT_TRUE(RunUntil(done));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(name, "localhost");
}

TEST_F(DnsResolverTest, UnknownNameFailsWithAResolverCode) {
  NameResult result;
  DnsResolver::LookupName(loop_, target_.Id(), kImpossibleName, Record(result));
  ASSERT_TRUE(RunUntil(result.done));
  EXPECT_GE(result.error, WSAHOST_NOT_FOUND);
  EXPECT_LE(result.error, WSANO_DATA);
  EXPECT_TRUE(result.addresses.empty());
}

TEST_F(DnsResolverTest, RequestIdsAreDistinctAndNeverZero) {
  std::set<std::uint64_t> ids;
  std::vector<NameResult> results(3);
  for (NameResult& result : results) {
    ids.insert(DnsResolver::LookupName(loop_, target_.Id(), "127.0.0.1",
                                       Record(result)));
  }
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids.count(0), 0u);
  ASSERT_TRUE(RunUntil(results.back().done));
  EXPECT_TRUE(results[0].done && results[1].done);
}

TEST_F(DnsResolverTest, CancelPreventsTheCallbackAndReleasesIt) {
  auto token = std::make_shared<int>(0);
  bool called = false;
  const std::uint64_t id = DnsResolver::LookupName(
      loop_, target_.Id(), "localhost",
      [&called, token](int, std::vector<std::string>) { called = true; });
  EXPECT_TRUE(DnsResolver::Cancel(id));
  EXPECT_FALSE(DnsResolver::Cancel(id)) << "a second cancel finds nothing";
  EXPECT_EQ(token.use_count(), 1);
  Drain();
  EXPECT_FALSE(called);
}

TEST_F(DnsResolverTest, CancelOfUnknownRequestFails) {
  EXPECT_FALSE(DnsResolver::Cancel(0));
  EXPECT_FALSE(DnsResolver::Cancel(0xFFFFFFFFFFFFull));
}

TEST_F(DnsResolverTest, DestroyedTargetDropsTheResultAndItsCallback) {
  auto token = std::make_shared<int>(0);
  bool called = false;
  const runtime::TargetId doomed = loop_.CreateTarget();
  DnsResolver::LookupAddr(
      loop_, doomed, "127.0.0.1",
      [&called, token](int, std::string) { called = true; });
  loop_.DestroyTarget(doomed);
  Drain();
  EXPECT_FALSE(called);
  EXPECT_EQ(token.use_count(), 1) << "the dropped callback was kept";
}

class FakeResolverTest : public DnsResolverTest {
 protected:
  void SetUp() override { previous_ = SetHostLookupFunction(&FakeLookup); }
  void TearDown() override { SetHostLookupFunction(previous_); }

 private:
  HostLookupFunction previous_ = nullptr;
};

TEST_F(FakeResolverTest, AllAddressesArriveInTheResolversOrder) {
  NameResult result;
  DnsResolver::LookupName(loop_, target_.Id(), "multi.test", Record(result));
  ASSERT_TRUE(RunUntil(result.done));
  EXPECT_EQ(result.error, 0);
  EXPECT_EQ(result.addresses,
            (std::vector<std::string>{"10.0.0.3", "10.0.0.1", "10.0.0.2"}));
}

// A thread that ends with a lookup pending takes its loop with it; the
// result must not be posted to that loop (ASan reports it if it is).
TEST_F(FakeResolverTest, RequestsOfAnEndedThreadAreDropped) {
  SetBlocked(true);
  NameResult blocker;
  DnsResolver::LookupName(loop_, target_.Id(), "block.test", Record(blocker));

  auto token = std::make_shared<int>(0);
  std::thread requester([token] {
    EventLoop& loop = EventLoop::Current();
    NotifyTarget target(loop);
    DnsResolver::LookupName(loop, target.Id(), "multi.test",
                            [token](int, std::vector<std::string>) {});
  });
  requester.join();
  EXPECT_EQ(token.use_count(), 1) << "the ended thread's request was kept";

  SetBlocked(false);
  ASSERT_TRUE(RunUntil(blocker.done));
  EXPECT_EQ(blocker.error, WSANO_DATA);
  Drain();
}

}  // namespace
}  // namespace varnel::socket
