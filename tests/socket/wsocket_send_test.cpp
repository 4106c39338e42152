// The send chain: buffering, completion notifications and lost connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "socket/winsock_errors.h"
#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

// Records the block sizes handed to the OS by each transmission call.
class ProbeSocket : public TWSocket {
 public:
  std::vector<std::vector<std::size_t>> calls;

 protected:
  int TransmitChunk(const iovec* Chunks, int Count) override {
    std::vector<std::size_t> sizes;
    for (int i = 0; i < Count; ++i) sizes.push_back(Chunks[i].iov_len);
    calls.push_back(sizes);
    return TWSocket::TransmitChunk(Chunks, Count);
  }
};

std::string Pattern(std::size_t size, int seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 31 + seed) & 0xFF);
  return text;
}

// Connected, with the first write notification after connecting seen.
struct ConnectedPair {
  PosixListener listener;
  Fd peer;
  explicit ConnectedPair(TWSocket& socket, EventLog& log) {
    peer = ConnectTo(socket, listener);
    RunUntil([&] { return log.Has("sent 0"); });
  }
};

// A connected probe whose send buffer and peer are full: the OS takes
// nothing until the peer reads.
class BlockedSend : public ::testing::Test {
 protected:
  BlockedSend() {
    ShrinkBuffers(socket.HSocket());
    filler = FillUntilBlocked(socket.HSocket());
    socket.calls.clear();
  }
  // Reads at the peer until `sent` has arrived behind the filler.
  std::string ReadBehindFiller(std::size_t sent) {
    std::string got;
    RunUntil([&] {
      got += ReadAvailable(pair.peer.Get());
      return got.size() >= filler + sent;
    });
    return got.substr(std::min(filler, got.size()));
  }

  ProbeSocket socket;
  EventLog log{socket};
  ConnectedPair pair{socket, log};
  std::size_t filler = 0;
};

TEST_F(BlockedSend, DataIsChainedIn1460ByteBlocksAndSentLater) {
  const std::string payload = Pattern(5000, 1);
  EXPECT_EQ(socket.Send(payload.data(), static_cast<int>(payload.size())), 5000);
  // Nothing was queued: the OS is offered the caller's bytes first.
  ASSERT_EQ(socket.calls.size(), 1u);
  EXPECT_EQ(socket.calls[0], (std::vector<std::size_t>{5000}));
  EXPECT_FALSE(socket.AllSent());

  EXPECT_EQ(ReadBehindFiller(payload.size()), payload);
  ASSERT_TRUE(RunUntil([&] { return log.Count("sent 0") == 2; }));
  EXPECT_TRUE(socket.AllSent());
  ASSERT_GE(socket.calls.size(), 2u);
  EXPECT_EQ(socket.calls[1], (std::vector<std::size_t>{1460, 1460, 1460, 620}));
}

TEST_F(BlockedSend, DataSentWhileTheChainHoldsBytesQueuesBehindThem) {
  const std::string first = Pattern(3000, 2);
  const std::string second = Pattern(100, 3);
  EXPECT_EQ(socket.Send(first.data(), static_cast<int>(first.size())), 3000);
  socket.calls.clear();
  EXPECT_EQ(socket.Send(second.data(), static_cast<int>(second.size())), 100);
  ASSERT_EQ(socket.calls.size(), 1u);
  EXPECT_EQ(socket.calls[0], (std::vector<std::size_t>{1460, 1460, 180}));
  EXPECT_EQ(ReadBehindFiller(first.size() + second.size()), first + second);
}

TEST(WSocketSend, CompletionComesFromTheLoopNeverFromInsideSend) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  bool inside_send = false;
  int sent_events = 0;
  int sent_inside = 0;
  int bytes_reported = 0;
  socket.OnDataSent = [&](TCustomWSocket*, std::uint16_t) {
    ++sent_events;
    sent_inside += inside_send ? 1 : 0;
  };
  socket.OnSendData = [&](TCustomWSocket*, int count) { bytes_reported += count; };
  inside_send = true;
  EXPECT_EQ(socket.SendStr("hello"), 5);
  inside_send = false;
  EXPECT_EQ(sent_events, 0);
  EXPECT_EQ(bytes_reported, 5);
  ASSERT_TRUE(RunUntil([&] { return sent_events == 1; }));
  EXPECT_EQ(sent_inside, 0);
  RunFor(30);
  EXPECT_EQ(sent_events, 1);
}

TEST(WSocketSend, ZeroBytesOnAnEmptyChainPostNothingAndFlushReturns) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  EXPECT_EQ(socket.Send(nullptr, 0), 0);
  EXPECT_EQ(socket.SendStr(""), 0);
  RunFor(30);
  EXPECT_EQ(log.Count("sent 0"), 1);
  EXPECT_TRUE(socket.AllSent());
  socket.Flush();
  EXPECT_EQ(socket.State(), wsConnected);
}

TEST(WSocketSend, SendOnAClosedSocketIsNotConnected) {
  TWSocket socket;
  try {
    socket.SendStr("x");
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Error 10057 in function Send\r\nSocket is not connected");
  }
  socket.OnError = [](TCustomWSocket*) {};
  EXPECT_EQ(socket.SendStr("x"), -1);
  EXPECT_EQ(socket.LastError(), WSAENOTCONN);
}

TEST(WSocketSend, CloseDropsQueuedDataAndForgetsThePort) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  ShrinkBuffers(socket.HSocket());
  FillUntilBlocked(socket.HSocket());
  const std::string payload = Pattern(5000, 2);
  socket.SendStr(payload);
  const std::string port = socket.Port();
  socket.Close();
  EXPECT_EQ(socket.State(), wsClosed);
  EXPECT_EQ(socket.Port(), port);
  try {
    socket.Connect();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Connect: No Port Specified");
  }
}

TEST(WSocketSend, LostConnectionWhileSendingClosesWithoutError) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  const linger abortive{1, 0};
  ::setsockopt(pair.peer.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  pair.peer.Reset();
  const std::string payload = Pattern(100000, 3);
  for (int i = 0; i < 4 && socket.State() == wsConnected; ++i) {
    EXPECT_NO_THROW(socket.SendStr(payload));
  }
  EXPECT_EQ(socket.State(), wsClosed);
  const bool reset = log.Has("closed 10054 in closed") || log.Has("closed 10058 in closed");
  EXPECT_TRUE(reset) << ::testing::PrintToString(log.entries);
}

TEST(WSocketSend, BulkTransferArrivesIntactAndIsReportedByteForByte) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  const std::string payload = Pattern(8 * 1024 * 1024 + 17, 4);
  std::size_t offset = 0;
  std::int64_t reported = 0;
  auto send_next = [&](TCustomWSocket* s) {
    if (offset >= payload.size()) return;
    const std::size_t piece = std::min<std::size_t>(65536, payload.size() - offset);
    s->Send(payload.data() + offset, static_cast<int>(piece));
    offset += piece;
  };
  socket.OnDataSent = [&](TCustomWSocket* s, std::uint16_t) { send_next(s); };
  socket.OnSendData = [&](TCustomWSocket*, int count) { reported += count; };
  send_next(&socket);
  std::string got;
  ASSERT_TRUE(RunUntil(
      [&] {
        got += ReadAvailable(pair.peer.Get());
        return got.size() >= payload.size();
      },
      20000));
  EXPECT_TRUE(got == payload);
  EXPECT_EQ(reported, static_cast<std::int64_t>(payload.size()));
}

TEST(WSocketSend, FlushReturnsOnceTheOsHasEverything) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  const std::string payload = Pattern(4 * 1024 * 1024, 5);
  std::string got;
  std::thread reader([&] {
    const int fd = pair.peer.Get();
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    char buffer[65536];
    while (got.size() < payload.size()) {
      const auto n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
  });
  socket.SendStr(payload);
  socket.Flush();
  EXPECT_TRUE(socket.AllSent());
  reader.join();
  EXPECT_TRUE(got == payload);
}

// A peer that never reads: Flush gives up after FlushTimeout seconds with
// the rest still queued, instead of waiting forever.
TEST(WSocketSend, FlushToAPeerThatNeverReadsEndsAfterFlushTimeout) {
  TWSocket socket;
  EventLog log(socket);
  ConnectedPair pair(socket, log);
  // More than the kernel buffers of both ends take, however they grow.
  socket.SendStr(std::string(32 * 1024 * 1024, 'x'));
  ASSERT_FALSE(socket.AllSent());
  socket.SetFlushTimeout(1);
  socket.Flush();
  EXPECT_FALSE(socket.AllSent());
  EXPECT_EQ(socket.State(), wsConnected);
}

}  // namespace
}  // namespace varnel::socket
