// Name and address lookups of a socket. Names other than "localhost" go to a
// fake resolver, so no name server is ever asked.
#include <gtest/gtest.h>

#include <memory>

#include "socket/resolve.h"
#include "socket/winsock_errors.h"
#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

int FakeLookup(const std::string& name, std::vector<std::uint32_t>& addresses) {
  if (name == "three.test") {
    addresses = {htonl(0x0A000001), htonl(0x0A000002), htonl(0x0A000003)};
    return 0;
  }
  if (name == "localhost") {
    addresses = {htonl(INADDR_LOOPBACK)};
    return 0;
  }
  return WSAHOST_NOT_FOUND;
}

class WSocketDns : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetHostLookupFunction(&FakeLookup);
    socket_.OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t error) {
      results_.push_back(error);
    };
  }
  void TearDown() override {
    RunFor(20);
    SetHostLookupFunction(previous_);
  }

  HostLookupFunction previous_ = nullptr;
  TWSocket socket_;
  std::vector<int> results_;
};

TEST_F(WSocketDns, DottedAddressCompletesBeforeDnsLookupReturns) {
  socket_.DnsLookup("10.1.2.3");
  EXPECT_EQ(results_, (std::vector<int>{0}));
  EXPECT_EQ(socket_.DnsResult(), "10.1.2.3");
  EXPECT_TRUE(socket_.DnsResultList().empty());
}

TEST_F(WSocketDns, NameCompletesLaterWithEveryAddress) {
  socket_.DnsLookup("three.test");
  EXPECT_TRUE(results_.empty());
  ASSERT_TRUE(RunUntil([&] { return !results_.empty(); }));
  EXPECT_EQ(results_, (std::vector<int>{0}));
  EXPECT_EQ(socket_.DnsResultList(),
            (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  EXPECT_EQ(socket_.DnsResult(), "10.0.0.1");
}

TEST_F(WSocketDns, UnknownNameEndsWithHostNotFound) {
  socket_.DnsLookup("missing.test");
  ASSERT_TRUE(RunUntil([&] { return !results_.empty(); }));
  EXPECT_EQ(results_, (std::vector<int>{WSAHOST_NOT_FOUND}));
  EXPECT_EQ(socket_.DnsResult(), "");
}

TEST_F(WSocketDns, CancelEndsWithInterruptedOnce) {
  socket_.DnsLookup("localhost");
  socket_.CancelDnsLookup();
  EXPECT_EQ(results_, (std::vector<int>{WSAEINTR}));
  RunFor(100);
  EXPECT_EQ(results_, (std::vector<int>{WSAEINTR}));
  socket_.CancelDnsLookup();  // nothing pending: nothing happens
  EXPECT_EQ(results_.size(), 1u);
}

TEST_F(WSocketDns, SecondLookupSilentlyReplacesTheFirst) {
  socket_.DnsLookup("missing.test");
  socket_.DnsLookup("localhost");
  ASSERT_TRUE(RunUntil([&] { return !results_.empty(); }));
  RunFor(100);
  EXPECT_EQ(results_, (std::vector<int>{0}));
  EXPECT_EQ(socket_.DnsResult(), "127.0.0.1");
}

TEST_F(WSocketDns, EmptyNameIsReportedThenEndsWithInvalidArgument) {
  try {
    socket_.DnsLookup("");
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "DNS lookup: invalid host name.");
  }
  EXPECT_TRUE(results_.empty());
  int errors = 0;
  socket_.OnError = [&](TCustomWSocket*) { ++errors; };
  socket_.DnsLookup("");
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(results_, (std::vector<int>{WSAEINVAL}));
}

TEST_F(WSocketDns, ReverseLookupOfLoopbackGivesOneName) {
  socket_.ReverseDnsLookup("127.0.0.1");
  EXPECT_TRUE(results_.empty());
  ASSERT_TRUE(RunUntil([&] { return !results_.empty(); }));
  ASSERT_EQ(results_, (std::vector<int>{0}));
  EXPECT_FALSE(socket_.DnsResult().empty());
  EXPECT_EQ(socket_.DnsResultList(), (std::vector<std::string>{socket_.DnsResult()}));
}

TEST_F(WSocketDns, ReverseLookupOfAnOverlongTextIsRefused) {
  socket_.OnError = [](TCustomWSocket*) {};
  socket_.ReverseDnsLookup(std::string(257, '1'));
  EXPECT_EQ(results_, (std::vector<int>{WSAEINVAL}));
}

TEST_F(WSocketDns, AbortCancelsAPendingLookup) {
  socket_.DnsLookup("localhost");
  socket_.Abort();
  EXPECT_EQ(results_, (std::vector<int>{WSAEINTR}));
}

TEST_F(WSocketDns, DestroyedSocketNeverHearsOfItsLookup) {
  int late = 0;
  auto doomed = std::make_unique<TWSocket>();
  doomed->OnDnsLookupDone = [&](TCustomWSocket*, std::uint16_t) { ++late; };
  doomed->DnsLookup("three.test");
  doomed.reset();
  RunFor(100);
  EXPECT_EQ(late, 0);
}

TEST_F(WSocketDns, ConnectResolvesAHostNameItself) {
  PosixListener listener;
  socket_.SetAddr("localhost");
  socket_.SetPort(listener.PortText());
  socket_.Connect();
  Fd peer = listener.Accept();
  ASSERT_TRUE(RunUntil([&] { return socket_.State() == wsConnected; }));
  EXPECT_EQ(socket_.PeerAddr(), "127.0.0.1");
}

}  // namespace
}  // namespace varnel::socket
