// The receive side: read notifications, the receive loop, and the end of a
// connection seen from the reading socket.
#include <gtest/gtest.h>

#include "socket/winsock_errors.h"
#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

std::string Pattern(std::size_t size) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>('a' + (i * 7) % 26);
  return text;
}

struct PendingCase {
  const char* name;
  TWSocketOptions options;
  bool through_pipe;  // ReceiveToPipe instead of Receive
};

class PeerCloseWithPendingData : public ::testing::TestWithParam<PendingCase> {};

TEST_P(PeerCloseWithPendingData, EveryByteArrivesBeforeSessionClosed) {
  PosixListener listener;
  TWSocket socket;
  socket.SetComponentOptions(GetParam().options);
  Fd peer = ConnectTo(socket, listener);
  EventLog log(socket);
  TestPipe pipe;
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t error) {
    EXPECT_EQ(error, 0);
    if (GetParam().through_pipe) {
      pipe.Receive(*s, received);
    } else {
      char buffer[4096];
      const int n = s->Receive(buffer, sizeof buffer);
      if (n > 0) received.append(buffer, static_cast<std::size_t>(n));
    }
    log.Add("data");
  };
  std::size_t at_close = 0;
  std::int64_t read_at_close = 0;
  socket.OnSessionClosed = [&](TCustomWSocket* s, std::uint16_t error) {
    at_close = received.size();
    read_at_close = s->ReadCount();
    log.Add("closed " + std::to_string(error) + " in " + StateName(s->State()));
  };
  const std::string sent = Pattern(200000);
  ASSERT_TRUE(WriteAll(peer.Get(), sent));
  peer.Reset();
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  EXPECT_EQ(received, sent);
  EXPECT_EQ(at_close, sent.size());
  EXPECT_EQ(read_at_close, static_cast<std::int64_t>(sent.size()));
  ASSERT_GE(log.entries.size(), 3u);
  EXPECT_EQ(log.entries[log.entries.size() - 2], "closed 0 in connected");
  EXPECT_EQ(log.entries.back(), "state connected>closed");
  EXPECT_EQ(log.Count("closed 0 in connected"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Options, PeerCloseWithPendingData,
    ::testing::Values(PendingCase{"Loop", TWSocketOptions{}, false},
                      PendingCase{"NoLoop", TWSocketOptions{wsoNoReceiveLoop}, false},
                      PendingCase{"LoopThroughPipe", TWSocketOptions{}, true},
                      PendingCase{"NoLoopThroughPipe", TWSocketOptions{wsoNoReceiveLoop}, true}),
    [](const ::testing::TestParamInfo<PendingCase>& c) { return std::string(c.param.name); });

TEST(WSocketReceive, WithoutHandlerDataIsReadAndDiscarded) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  std::int64_t read_at_close = -1;
  socket.OnSessionClosed = [&](TCustomWSocket* s, std::uint16_t) {
    read_at_close = s->ReadCount();
  };
  ASSERT_TRUE(WriteAll(peer.Get(), Pattern(5000)));
  peer.Reset();
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  EXPECT_EQ(read_at_close, 5000);
  EXPECT_EQ(socket.ReadCount(), 0);  // reset with the other defaults
}

TEST(WSocketReceive, NoFurtherReadNotificationUntilTheSocketIsRead) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  int notifications = 0;
  socket.OnDataAvailable = [&](TCustomWSocket*, std::uint16_t) { ++notifications; };
  ASSERT_TRUE(WriteAll(peer.Get(), "abc"));
  ASSERT_TRUE(RunUntil([&] { return notifications == 1; }));
  RunFor(100);
  EXPECT_EQ(notifications, 1);
  char byte = 0;
  ASSERT_EQ(socket.Receive(&byte, 1), 1);
  EXPECT_EQ(byte, 'a');
  ASSERT_TRUE(RunUntil([&] { return notifications == 2; }));
  EXPECT_EQ(socket.RcvdCount(), 2);
  EXPECT_EQ(socket.ReceiveStr(), "bc");
  EXPECT_EQ(socket.ReadCount(), 3);
}

TEST(WSocketReceive, PeerResetEndsTheSessionWithConnectionReset) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  EventLog log(socket);
  const linger abortive{1, 0};
  ::setsockopt(peer.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  peer.Reset();
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  ASSERT_GE(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[log.entries.size() - 2], "closed 10054 in connected");
  EXPECT_EQ(log.entries.back(), "state connected>closed");
}

TEST(WSocketReceive, ReceiveOnAClosedSocketFailsWithoutException) {
  TWSocket socket;
  char buffer[16];
  EXPECT_EQ(socket.Receive(buffer, sizeof buffer), -1);
  EXPECT_NE(socket.LastError(), 0);
  TestPipe pipe;
  std::string received;
  EXPECT_EQ(pipe.Receive(socket, received), -1);
  EXPECT_NE(socket.LastError(), 0);
  EXPECT_EQ(socket.ReadCount(), 0);
}

enum class EndInHandler { kClose, kAbort };

class EndInsideDataAvailable : public ::testing::TestWithParam<EndInHandler> {};

TEST_P(EndInsideDataAvailable, NothingIsRaisedAfterTheHandlerEndedTheSocket) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  EventLog log(socket);
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    log.Add("data");
    if (GetParam() == EndInHandler::kClose) {
      s->Close();
    } else {
      s->Abort();
    }
  };
  // Data and the peer's close arrive together: one readiness with both bits.
  ASSERT_TRUE(WriteAll(peer.Get(), Pattern(3000)));
  ::shutdown(peer.Get(), SHUT_WR);
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  RunFor(50);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"data", "state connected>closed",
                                                   "closed 0 in closed"}));
  bool eof = false;
  ASSERT_TRUE(RunUntil([&] {
    ReadAvailable(peer.Get(), &eof);
    return eof;
  }));
}

INSTANTIATE_TEST_SUITE_P(Ways, EndInsideDataAvailable,
                         ::testing::Values(EndInHandler::kClose, EndInHandler::kAbort));

}  // namespace
}  // namespace varnel::socket
