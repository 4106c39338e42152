// Options set on the handle, pausing, and the waits that pump the loop.
#include <gtest/gtest.h>
#include <netinet/tcp.h>

#include <thread>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

int IntOption(int fd, int level, int name) {
  int value = 0;
  socklen_t length = sizeof value;
  ::getsockopt(fd, level, name, &value, &length);
  return value;
}

TEST(WSocketOptions, StreamConnectSetsReuseKeepAliveLingerAndOptionalNoDelay) {
  PosixListener listener;
  TWSocket socket;
  socket.SetComponentOptions({wsoTcpNoDelay});
  socket.SetLingerTimeout(7);
  Fd peer = ConnectTo(socket, listener);
  const int fd = socket.HSocket();
  EXPECT_NE(IntOption(fd, SOL_SOCKET, SO_REUSEADDR), 0);
  EXPECT_NE(IntOption(fd, SOL_SOCKET, SO_KEEPALIVE), 0);
  EXPECT_NE(IntOption(fd, IPPROTO_TCP, TCP_NODELAY), 0);
  linger value{};
  socklen_t length = sizeof value;
  ::getsockopt(fd, SOL_SOCKET, SO_LINGER, &value, &length);
  EXPECT_EQ(value.l_onoff, 1);
  EXPECT_EQ(value.l_linger, 7);
  EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_NE(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
}

TEST(WSocketOptions, DatagramToTheBroadcastAddressMayBroadcast) {
  TWSocket socket;
  socket.SetProto("udp");
  socket.SetAddr("255.255.255.255");
  socket.SetPort("9");
  socket.Connect();
  EXPECT_NE(IntOption(socket.HSocket(), SOL_SOCKET, SO_BROADCAST), 0);
}

TEST(WSocketOptions, MulticastTtlIsSetForDatagrams) {
  TWSocket socket;
  socket.SetProto("udp");
  socket.SetAddr("127.0.0.1");
  socket.SetPort("9");
  socket.SetMultiCast(true);
  socket.SetMultiCastIpTTL(5);
  socket.Connect();
  EXPECT_EQ(IntOption(socket.HSocket(), IPPROTO_IP, IP_MULTICAST_TTL), 5);
}

TEST(WSocketOptions, PauseHoldsNotificationsUntilResume) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
  socket.Pause();
  ASSERT_TRUE(WriteAll(peer.Get(), "held"));
  RunFor(60);
  EXPECT_EQ(received, "");
  socket.Resume();
  ASSERT_TRUE(RunUntil([&] { return received == "held"; }));
}

TEST(WSocketOptions, ShutdownOfTheSendSideReachesThePeer) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  socket.Shutdown(1);
  bool eof = false;
  ASSERT_TRUE(RunUntil([&] {
    ReadAvailable(peer.Get(), &eof);
    return eof;
  }));
  EXPECT_EQ(socket.State(), wsConnected);
}

TEST(WSocketOptions, WaitForCloseDeliversDataUntilThePeerCloses) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
  std::thread writer([fd = peer.Get()] {
    for (int i = 0; i < 5; ++i) {
      ::send(fd, "chunk", 5, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::shutdown(fd, SHUT_WR);
  });
  socket.WaitForClose();
  writer.join();
  RunUntil([&] { return socket.State() == wsClosed; });
  EXPECT_EQ(received, "chunkchunkchunkchunkchunk");
  EXPECT_EQ(socket.State(), wsClosed);
}

}  // namespace
}  // namespace varnel::socket
