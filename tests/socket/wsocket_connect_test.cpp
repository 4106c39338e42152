// Connecting, listening, accepting and the order of the events they raise.
#include <gtest/gtest.h>

#include <memory>

#include "socket/winsock_errors.h"
#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;
using Entries = std::vector<std::string>;

TEST(WSocketConnect, SuccessRaisesStatesThenConnectedThenFirstDataSent) {
  PosixListener listener;
  TWSocket socket;
  EventLog log(socket);
  socket.SetAddr("127.0.0.1");
  socket.SetPort(listener.PortText());
  socket.Connect();
  EXPECT_EQ(log.entries, (Entries{"state closed>opened", "state opened>connecting"}));
  Fd peer = listener.Accept();
  ASSERT_TRUE(RunUntil([&] { return log.Has("sent 0"); }));
  EXPECT_EQ(log.entries, (Entries{"state closed>opened", "state opened>connecting",
                                  "state connecting>connected", "connected 0", "sent 0"}));
  EXPECT_EQ(socket.PeerAddr(), "127.0.0.1");
  EXPECT_EQ(socket.PeerPort(), listener.PortText());
  EXPECT_EQ(socket.GetLocalAddrText(), "127.0.0.1");
  EXPECT_NE(socket.GetLocalPortText(), "error");
}

TEST(WSocketConnect, RefusedConnectPassesThroughConnectedThenCloses) {
  TWSocket socket;
  EventLog log(socket);
  socket.SetAddr("127.0.0.1");
  socket.SetPort(RefusingPortText());
  socket.Connect();
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  RunFor(50);
  EXPECT_EQ(log.entries,
            (Entries{"state closed>opened", "state opened>connecting",
                     "state connecting>connected", "connected 10061",
                     "state connected>closed", "closed 0 in closed"}));
}

TEST(WSocketConnect, LocalCloseIsClosedBeforeSessionClosed) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  EventLog log(socket);
  socket.Close();
  EXPECT_EQ(log.entries, (Entries{"state connected>closed", "closed 0 in closed"}));
  EXPECT_EQ(socket.PeerAddr(), "error");
  EXPECT_EQ(socket.PeerPort(), "error");
  EXPECT_EQ(socket.GetLocalPortText(), "error");
  RunFor(30);
  EXPECT_EQ(log.Count("closed 0 in closed"), 1);
}

TEST(WSocketConnect, SecondConnectWhileOpenIsRefused) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  try {
    socket.Connect();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Connect: Socket already in use");
  }
  EXPECT_EQ(socket.State(), wsConnected);
}

TEST(WSocketConnect, UnresolvableTargetReportsWithConnectPrefix) {
  TWSocket socket;
  socket.SetAddr("127.0.0.1");
  socket.SetPort("21");
  socket.SetProto("no-such-protocol-name");
  try {
    socket.Connect();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("connect: WSocketResolveProto: Cannot convert protocol "
                                          "'no-such-protocol-name'",
                                          0),
              0u)
        << e.what();
  }
  EXPECT_EQ(socket.State(), wsClosed);
  EXPECT_EQ(socket.HSocket(), -1);
}

TEST(WSocketConnect, LocalPortZeroShowsThePortTheOsChose) {
  PosixListener listener;
  TWSocket socket;
  socket.SetLocalAddr("127.0.0.1");
  socket.SetLocalPort("0");
  Fd peer = ConnectTo(socket, listener);
  ASSERT_EQ(socket.State(), wsConnected);
  EXPECT_NE(socket.LocalPort(), "0");
  EXPECT_EQ(socket.LocalPort(), socket.GetLocalPortText());
}

TEST(WSocketConnect, ReusedObjectNeedsPortAndAddrAgainAfterClose) {
  PosixListener listener;
  TWSocket socket;
  Fd first = ConnectTo(socket, listener);
  socket.Close();
  EXPECT_EQ(socket.Port(), listener.PortText());
  socket.SetAddr("127.0.0.1");
  socket.SetPort(listener.PortText());
  Fd second = ConnectTo(socket, listener);
  EXPECT_EQ(socket.State(), wsConnected);
  EXPECT_GE(second.Get(), 0);
}

TEST(WSocketListen, AcceptAndDupHandOverTheConnection) {
  TWSocket server;
  server.SetAddr("127.0.0.1");
  server.SetPort("0");
  std::unique_ptr<TWSocket> session;
  server.OnSessionAvailable = [&](TCustomWSocket* sender, std::uint16_t error) {
    EXPECT_EQ(error, 0);
    session = std::make_unique<TWSocket>();
    session->Dup(sender->Accept());
  };
  server.Listen();
  ASSERT_EQ(server.State(), wsListening);
  const std::string port = server.GetLocalPortText();
  ASSERT_NE(port, "0");

  TWSocket client;
  EventLog client_log(client, true);
  client.SetAddr("127.0.0.1");
  client.SetPort(port);
  client.Connect();
  ASSERT_TRUE(RunUntil([&] { return session != nullptr && client.State() == wsConnected; }));
  EXPECT_EQ(session->State(), wsConnected);
  EXPECT_EQ(session->PeerPort(), client.GetLocalPortText());

  std::string got;
  session->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { got += s->ReceiveStr(); };
  client.SendStr("ping");
  ASSERT_TRUE(RunUntil([&] { return got == "ping"; }));
  session->SendStr("pong");
  ASSERT_TRUE(RunUntil([&] { return client_log.received == "pong"; }));
}

TEST(WSocketListen, AcceptOnANonListeningSocketReportsInvalidArgument) {
  TWSocket socket;
  try {
    socket.Accept();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10022 in function not a listening socket\r\nInvalid argument");
  }
  int errors = 0;
  socket.OnError = [&](TCustomWSocket*) { ++errors; };
  EXPECT_EQ(socket.Accept(), -1);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(socket.LastError(), WSAEINVAL);
}

TEST(WSocketListen, MissingPortIsReportedAsInvalidArgument) {
  TWSocket socket;
  socket.SetAddr("127.0.0.1");
  try {
    socket.Listen();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10022 in function listen: port not assigned\r\nInvalid argument");
  }
}

TEST(WSocketListen, BindFailureLeavesNoHandleOpen) {
  TWSocket first;
  first.SetAddr("127.0.0.1");
  first.SetPort("0");
  first.Listen();
  TWSocket second;
  second.SetAddr("127.0.0.1");
  second.SetPort(first.GetLocalPortText());
  const int before = OpenDescriptorCount();
  try {
    second.Listen();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10048 in function Bind\r\nAddress already in use");
  }
  EXPECT_EQ(second.HSocket(), -1);
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(WSocketDup, InvalidHandleIsRefused) {
  TWSocket socket;
  try {
    socket.Dup(-1);
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10022 in function Dup\r\nInvalid argument");
  }
}

TEST(WSocketDup, ReplacesAnOpenConnection) {
  PosixListener listener;
  TWSocket socket;
  Fd first_peer = ConnectTo(socket, listener);
  EventLog log(socket);
  Fd other(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(std::stoi(listener.PortText())));
  ASSERT_EQ(::connect(other.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  Fd second_peer = listener.Accept();
  socket.Dup(::dup(other.Get()));
  EXPECT_EQ(log.entries, (Entries{"state connected>closed", "state closed>connected"}));
  bool eof = false;
  ASSERT_TRUE(RunUntil([&] {
    ReadAvailable(first_peer.Get(), &eof);
    return eof;
  }));
  socket.SendStr("over the new one");
  std::string got;
  ASSERT_TRUE(RunUntil([&] {
    got += ReadAvailable(second_peer.Get());
    return got == "over the new one";
  }));
}

}  // namespace
}  // namespace varnel::socket
