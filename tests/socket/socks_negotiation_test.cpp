// SOCKS negotiations that succeed, against a scripted proxy: the exact bytes
// the socket sends, the order of its events, replies split across reads and
// application bytes that arrive with the last reply.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <string>
#include <vector>

#include "socket/resolve.h"
#include "socks_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;
using Entries = std::vector<std::string>;

// OnDataSent may come at any point of a negotiation; the order of the
// other events is what matters.
Entries WithoutSent(const Entries& entries) {
  Entries kept;
  for (const auto& e : entries) {
    if (e.rfind("sent ", 0) != 0) kept.push_back(e);
  }
  return kept;
}

const Entries kTcpToProxy = {"state closed>opened", "state opened>connecting",
                             "state connecting>connected", "socks connected 0"};

Entries Concat(Entries head, const Entries& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

// Data both ways once the relay is up.
void ExchangeData(TWSocket& socket, FakeProxy& proxy, SocksLog& log) {
  EXPECT_EQ(socket.SendStr("USER anna\r\n"), 11);
  EXPECT_EQ(proxy.Next(11), "USER anna\r\n");
  ASSERT_TRUE(proxy.Reply("331 password\r\n"));
  ASSERT_TRUE(RunUntil([&] { return log.received == "331 password\r\n"; })) << log.received;
}

// Connects `socket` through `proxy` at version 5 to h:21 and answers its
// method selection, so that the proxy has read the CONNECT request and the
// socket waits for the reply.
::testing::AssertionResult ReachV5Request(TWSocket& socket, FakeProxy& proxy) {
  proxy.Use(socket, "5", "h", "21");
  socket.Connect();
  if (!proxy.Accept()) return ::testing::AssertionFailure() << "the proxy saw no connection";
  if (proxy.Next(3) != Bytes({5, 1, 0}) || !proxy.Reply(Bytes({5, 0})) ||
      proxy.Next(8) != Bytes({5, 1, 0, 3, 1, 'h', 0, 21})) {
    return ::testing::AssertionFailure() << "the negotiation went astray";
  }
  return ::testing::AssertionSuccess();
}

TEST(SocksNegotiation, Version5WithoutAuthenticationSendsExactBytes) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  proxy.Use(socket, "5", "ftp.example", "21");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(3), Bytes({5, 1, 0}));
  EXPECT_EQ(proxy.Rest(), "");  // nothing more before the method reply
  EXPECT_EQ(socket.SocksState(), socksWaitingMethod);
  ASSERT_TRUE(proxy.Reply(Bytes({5, 0})));
  EXPECT_EQ(proxy.Next(18), Bytes({5, 1, 0, 3, 11}) + "ftp.example" + Bytes({0, 21}));
  EXPECT_EQ(socket.SocksState(), socksWaitingReply);
  EXPECT_FALSE(log.Has("connected 0"));
  ASSERT_TRUE(proxy.Reply(V5Granted()));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
  EXPECT_EQ(socket.SocksState(), socksIdle);
  ExchangeData(socket, proxy, log);
  EXPECT_EQ(WithoutSent(log.entries), Concat(kTcpToProxy, {"connected 0", "data 0"}));
  EXPECT_EQ(socket.ReadCount(), 14);  // the proxy's replies are not application data
}

TEST(SocksNegotiation, Version5WithUserAndPassword) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  proxy.Use(socket, "5", "10.0.0.7", "2121");
  socket.SetSocksAuthentication(socksAuthenticateUsercode);
  socket.SetSocksUsercode("user");
  socket.SetSocksPassword("secret");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(3), Bytes({5, 1, 2}));
  ASSERT_TRUE(proxy.Reply(Bytes({5, 2})));
  EXPECT_EQ(proxy.Next(13), Bytes({1, 4, 'u', 's', 'e', 'r', 6}) + "secret");
  EXPECT_EQ(socket.SocksState(), socksWaitingAuth);
  EXPECT_EQ(proxy.Rest(), "");  // the request waits for the proxy's verdict
  ASSERT_TRUE(proxy.Reply(Bytes({1, 0})));
  EXPECT_EQ(proxy.Next(15), Bytes({5, 1, 0, 3, 8}) + "10.0.0.7" + Bytes({0x08, 0x49}));
  ASSERT_TRUE(proxy.Reply(V5Granted()));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
  ExchangeData(socket, proxy, log);
  EXPECT_EQ(WithoutSent(log.entries),
            Concat(kTcpToProxy, {"auth starting", "auth succeeded", "connected 0", "data 0"}));
}

TEST(SocksNegotiation, ProxyThatSkipsOfferedAuthenticationGetsTheRequestAtOnce) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket);
  proxy.Use(socket, "5", "h", "21");
  socket.SetSocksAuthentication(socksAuthenticateUsercode);
  socket.SetSocksUsercode("user");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(3), Bytes({5, 1, 2}));
  ASSERT_TRUE(proxy.Reply(Bytes({5, 0})));
  EXPECT_EQ(proxy.Next(8), Bytes({5, 1, 0, 3, 1, 'h', 0, 21}));
  ASSERT_TRUE(proxy.Reply(V5Granted()));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
  EXPECT_EQ(WithoutSent(log.entries), Concat(kTcpToProxy, {"auth skipped", "connected 0"}));
}

TEST(SocksNegotiation, ReplySplitAcrossReadsWaitsForItsRest) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  proxy.Use(socket, "5", "h", "21");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  proxy.Next(3);
  ASSERT_TRUE(proxy.Reply(Bytes({5})));
  EXPECT_EQ(proxy.Rest(), "");
  ASSERT_TRUE(proxy.Reply(Bytes({0})));
  proxy.Next(8);
  const std::string reply = V5Granted();
  ASSERT_TRUE(proxy.Reply(reply.substr(0, 4)));
  RunFor(50);
  EXPECT_FALSE(log.Has("connected 0"));
  EXPECT_FALSE(log.Has("data 0"));
  ASSERT_TRUE(proxy.Reply(reply.substr(4)));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
  RunFor(30);
  EXPECT_FALSE(log.Has("data 0"));
  EXPECT_EQ(log.received, "");
}

TEST(SocksNegotiation, BytesBehindTheVersion5ReplyComeFirst) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted() + "abc"));
  ASSERT_TRUE(RunUntil([&] { return log.received == "abc"; })) << log.received;
  EXPECT_EQ(WithoutSent(log.entries), Concat(kTcpToProxy, {"connected 0", "data 0"}));
  EXPECT_EQ(socket.ReadCount(), 3);
  ASSERT_TRUE(proxy.Reply("def"));
  ASSERT_TRUE(RunUntil([&] { return log.received == "abcdef"; })) << log.received;
  EXPECT_EQ(socket.ReadCount(), 6);
}

TEST(SocksNegotiation, BytesBehindTheReplyReachAPipeBeforeLaterOnes) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket);
  TestPipe pipe;
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { pipe.Receive(*s, received); };
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted() + "abc"));
  ASSERT_TRUE(RunUntil([&] { return received == "abc"; })) << received;
  ASSERT_TRUE(proxy.Reply("def"));
  ASSERT_TRUE(RunUntil([&] { return received == "abcdef"; })) << received;
  EXPECT_EQ(socket.ReadCount(), 6);
}

TEST(SocksNegotiation, LeftoverTakenByteByByteIsAllDelivered) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket);
  std::string received;
  std::vector<int> counts;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    counts.push_back(s->RcvdCount());
    char byte = 0;
    if (s->Receive(&byte, 1) == 1) received += byte;
  };
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted() + "xyz"));
  ASSERT_TRUE(RunUntil([&] { return received == "xyz"; })) << received;
  EXPECT_EQ(counts, (std::vector<int>{3, 2, 1}));
}

class PeekingSocket : public TWSocket {
 public:
  int Peek(void* Buffer, int Size) { return RecvRaw(Buffer, Size, MSG_PEEK); }
};

TEST(SocksNegotiation, PeekingAtLeftoverBytesLeavesThemInPlace) {
  FakeProxy proxy;
  PeekingSocket socket;
  std::string peeked;
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    char bytes[8] = {};
    const int n = socket.Peek(bytes, 2);
    peeked.assign(bytes, static_cast<std::size_t>(n > 0 ? n : 0));
    received += s->ReceiveStr();
  };
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted() + "xyz"));
  ASSERT_TRUE(RunUntil([&] { return received == "xyz"; })) << received;
  EXPECT_EQ(peeked, "xy");
}

TEST(SocksNegotiation, DomainNameReplyLongerThanItsOldAreaIsAccepted) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  const std::string bound(200, 'b');
  ASSERT_TRUE(proxy.Reply(Bytes({5, 0, 0, 3, 200}) + bound + Bytes({0, 21}) + "220 hi\r\n"));
  ASSERT_TRUE(RunUntil([&] { return log.received == "220 hi\r\n"; })) << log.received;
  EXPECT_TRUE(log.Has("connected 0"));
}

TEST(SocksNegotiation, Version4SendsResolvedAddressAndUserId) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  proxy.Use(socket, "4", "192.168.7.9", "21");
  socket.SetSocksUsercode("usr");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(12), Bytes({4, 1, 0, 21, 192, 168, 7, 9, 'u', 's', 'r', 0}));
  EXPECT_EQ(socket.SocksState(), socksWaitingReply);
  // The reply and the server's first bytes in one write.
  ASSERT_TRUE(proxy.Reply(Bytes({0, 90, 0, 0, 0, 0, 0, 0}) + "220 ready\r\n"));
  ASSERT_TRUE(RunUntil([&] { return log.received == "220 ready\r\n"; })) << log.received;
  EXPECT_EQ(WithoutSent(log.entries), Concat(kTcpToProxy, {"connected 0", "data 0"}));
  EXPECT_EQ(socket.ReadCount(), 11);
}

int NameLookup(const std::string& name, std::vector<std::uint32_t>& addresses) {
  if (name != "ftp.test") return 11001;
  addresses = {htonl(0x0A090807)};
  return 0;
}

TEST(SocksNegotiation, Version4ResolvesAHostNameItself) {
  const HostLookupFunction previous = SetHostLookupFunction(&NameLookup);
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket);
  proxy.Use(socket, "4", "ftp.test", "ftp");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(9), Bytes({4, 1, 0, 21, 10, 9, 8, 7, 0}));
  SetHostLookupFunction(previous);
}

TEST(SocksNegotiation, Version4ASendsTheNameWithAnEmptyUserId) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket);
  proxy.Use(socket, "4a", "ftp.example", "21");
  EXPECT_EQ(socket.SocksLevel(), "4A");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  EXPECT_EQ(proxy.Next(21), Bytes({4, 1, 0, 21, 0, 0, 0, 1, 0}) + "ftp.example" + Bytes({0}));
  ASSERT_TRUE(proxy.Reply(Bytes({0, 90, 0, 0, 0, 0, 0, 0})));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
}

// The engine reads its control connection in line mode: the proxy's reply
// is no line, the server's first line behind it is.
TEST(SocksNegotiation, LineModeSeesOnlyTheServersLines) {
  FakeProxy proxy;
  TWSocket socket;
  socket.SetLineMode(true);
  SocksLog log(socket);
  Entries lines;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    lines.push_back(s->ReceiveStr());
  };
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted() + "220-a\r\n220 b\r\n"));
  ASSERT_TRUE(RunUntil([&] { return lines.size() == 2; }));
  EXPECT_EQ(lines, (Entries{"220-a\r\n", "220 b\r\n"}));
}

TEST(SocksNegotiation, ConnectWhileRelayingIsRefusedAndTheRelayGoesOn) {
  FakeProxy proxy;
  TWSocket socket;
  SocksLog log(socket, true);
  ASSERT_TRUE(ReachV5Request(socket, proxy));
  ASSERT_TRUE(proxy.Reply(V5Granted()));
  ASSERT_TRUE(RunUntil([&] { return log.Has("connected 0"); }));
  EXPECT_THROW(socket.Connect(), ESocketException);
  EXPECT_EQ(socket.SocksState(), socksIdle);
  ExchangeData(socket, proxy, log);
}

}  // namespace
}  // namespace varnel::socket
