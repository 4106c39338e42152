// Datagram sockets: Connect and Listen of UDP, SendTo and ReceiveFrom.
#include <gtest/gtest.h>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;
using Entries = std::vector<std::string>;

struct UdpPair {
  TWSocket server;
  TWSocket client;
  std::vector<std::string> datagrams;
  sockaddr_in last_from{};

  UdpPair() {
    server.SetProto("udp");
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) {
      char buffer[4096];
      sockaddr_in from{};
      int length = sizeof from;
      const int n = s->ReceiveFrom(buffer, sizeof buffer, from, length);
      if (n < 0) return;
      datagrams.emplace_back(buffer, static_cast<std::size_t>(n));
      last_from = from;
    };
    client.SetProto("udp");
    client.SetAddr("127.0.0.1");
  }
};

TEST(WSocketDatagram, ListenIsReadyAtOnce) {
  UdpPair pair;
  EventLog log(pair.server);
  pair.server.Listen();
  EXPECT_EQ(log.entries, (Entries{"state closed>bound", "state bound>listening",
                                  "state listening>connected", "connected 0"}));
  EXPECT_NE(pair.server.GetLocalPortText(), "0");
}

TEST(WSocketDatagram, ConnectIsReadyAtOnceAndBindsALocalPort) {
  UdpPair pair;
  pair.server.Listen();
  pair.client.SetPort(pair.server.GetLocalPortText());
  EventLog log(pair.client);
  pair.client.Connect();
  EXPECT_EQ(log.entries, (Entries{"state closed>opened", "state opened>connected", "connected 0"}));
  EXPECT_NE(pair.client.LocalPort(), "0");
  EXPECT_EQ(pair.client.LocalPort(), pair.client.GetLocalPortText());
}

TEST(WSocketDatagram, ExchangeWithSendAndSendTo) {
  UdpPair pair;
  pair.server.Listen();
  pair.client.SetPort(pair.server.GetLocalPortText());
  EventLog client_log(pair.client, true);
  pair.client.Connect();
  EXPECT_EQ(pair.client.SendStr("ping"), 4);
  ASSERT_TRUE(RunUntil([&] { return pair.datagrams.size() == 1; }));
  EXPECT_EQ(pair.datagrams[0], "ping");
  EXPECT_EQ(std::to_string(ntohs(pair.last_from.sin_port)), pair.client.LocalPort());
  int reported = 0;
  pair.server.OnSendData = [&](TCustomWSocket*, int count) { reported += count; };
  EXPECT_EQ(pair.server.SendTo(pair.last_from, sizeof pair.last_from, "pong", 4), 4);
  EXPECT_EQ(reported, 4);
  ASSERT_TRUE(RunUntil([&] { return client_log.received == "pong"; }));
}

TEST(WSocketDatagram, EachSendBlockTravelsAsOneDatagram) {
  UdpPair pair;
  pair.server.Listen();
  pair.client.SetPort(pair.server.GetLocalPortText());
  pair.client.Connect();
  const std::string payload(5000, 'u');
  EXPECT_EQ(pair.client.SendStr(payload), 5000);
  ASSERT_TRUE(RunUntil([&] { return pair.datagrams.size() == 4; }));
  std::vector<std::size_t> sizes;
  for (const auto& d : pair.datagrams) sizes.push_back(d.size());
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1460, 1460, 1460, 620}));
}

TEST(WSocketDatagram, AcceptIsNotForDatagramSockets) {
  UdpPair pair;
  pair.server.Listen();
  int errors = 0;
  pair.server.OnError = [&](TCustomWSocket*) { ++errors; };
  EXPECT_EQ(pair.server.Accept(), -1);
  EXPECT_EQ(errors, 1);
}

}  // namespace
}  // namespace varnel::socket
