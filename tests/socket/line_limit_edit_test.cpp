// Line mode limits (LineLimit, the buffer bound), editing and echo, a wait
// inside a line handler, and line mode behind a SOCKS 5 negotiation.
#include <gtest/gtest.h>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

struct LinePeer {
  LinePeer() {
    socket.SetLineMode(true);
    peer = ConnectTo(socket, listener);
    socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) {
      lines.push_back(s->ReceiveStr());
    };
  }
  PosixListener listener;
  TWSocket socket;
  Fd peer;
  std::vector<std::string> lines;
};

TEST(LineLimit, AnOverlongLineIsReportedAndDiscarded) {
  LinePeer p;
  p.socket.SetLineLimit(10);
  std::vector<int> reported;
  p.socket.OnLineLimitExceeded = [&](TCustomWSocket*, int length, bool& clear) {
    EXPECT_TRUE(clear);
    reported.push_back(length);
  };
  ASSERT_TRUE(WriteAll(p.peer.Get(), "abcdefghijk"));
  ASSERT_TRUE(RunUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(p.socket.LineBufferCount(), 0);
  ASSERT_TRUE(WriteAll(p.peer.Get(), "xy\r\n"));
  ASSERT_TRUE(RunUntil([&] { return !p.lines.empty(); }));
  EXPECT_EQ(p.lines, (std::vector<std::string>{"xy\r\n"}));
  EXPECT_EQ(reported, (std::vector<int>{11}));
}

TEST(LineLimit, KeptBytesAreReportedAgainAfterEachReadAndEndTheLine) {
  LinePeer p;
  p.socket.SetLineLimit(10);
  std::vector<int> reported;
  p.socket.OnLineLimitExceeded = [&](TCustomWSocket*, int length, bool& clear) {
    reported.push_back(length);
    clear = false;
  };
  ASSERT_TRUE(WriteAll(p.peer.Get(), "abcdefghijk"));
  ASSERT_TRUE(RunUntil([&] { return reported.size() == 1; }));
  ASSERT_TRUE(WriteAll(p.peer.Get(), "z"));
  ASSERT_TRUE(RunUntil([&] { return reported.size() == 2; }));
  ASSERT_TRUE(WriteAll(p.peer.Get(), "\r\n"));
  ASSERT_TRUE(RunUntil([&] { return !p.lines.empty(); }));
  EXPECT_EQ(reported, (std::vector<int>{11, 12}));
  EXPECT_EQ(p.lines, (std::vector<std::string>{"abcdefghijkz\r\n"}));
}

TEST(LineLimit, AnEndlessLineIsDiscardedWithinTheBound) {
  LinePeer p;
  int most = 0;
  p.socket.OnLineLimitExceeded = [&](TCustomWSocket*, int length, bool&) {
    most = std::max(most, length);
  };
  ASSERT_TRUE(WriteAll(p.peer.Get(), std::string(3 << 20, 'x') + "end\r\n"));
  ASSERT_TRUE(RunUntil([&] { return !p.lines.empty(); }));
  EXPECT_GT(most, 65536);
  EXPECT_LE(most, static_cast<int>(TWSocket::MaxLineBuffer));
  ASSERT_EQ(p.lines.size(), 1u);
  EXPECT_LE(p.lines[0].size(), TWSocket::MaxLineBuffer);
  EXPECT_EQ(p.lines[0].substr(p.lines[0].size() - 6), "xend\r\n");
}

struct Unbounded {
  const char* name;
  int limit;
  bool keep;  // the limit handler keeps the bytes
};

class UnboundedLine : public ::testing::TestWithParam<Unbounded> {};

TEST_P(UnboundedLine, IsHandedOverInBoundedPiecesWithNothingLost) {
  LinePeer p;
  p.socket.SetLineLimit(GetParam().limit);
  p.socket.OnLineLimitExceeded = [&](TCustomWSocket*, int, bool& clear) {
    clear = !GetParam().keep;
  };
  std::string sent(3 << 20, '\0');
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(WriteAll(p.peer.Get(), sent));
  ASSERT_TRUE(RunUntil([&] {
    std::size_t taken = 0;
    for (const auto& piece : p.lines) taken += piece.size();
    return taken + static_cast<std::size_t>(p.socket.LineBufferCount()) == sent.size();
  }));
  std::string received;
  for (const auto& piece : p.lines) {
    EXPECT_LE(piece.size(), TWSocket::MaxLineBuffer);
    received += piece;
  }
  EXPECT_GE(p.lines.size(), 2u);
  EXPECT_EQ(received, sent.substr(0, received.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnboundedLine,
                         ::testing::Values(Unbounded{"NoLimit", 0, false},
                                           Unbounded{"LimitKeptByHandler", 1000, true}),
                         [](const auto& case_info) { return case_info.param.name; });

struct Editing {
  const char* name;
  bool edit;
  bool echo;
  std::vector<std::string> chunks;
  std::vector<std::string> lines;
  std::string echoed;
};

class LineEditing : public ::testing::TestWithParam<Editing> {};

TEST_P(LineEditing, LinesAndEchoAsATerminalWouldShowThem) {
  const Editing& c = GetParam();
  LinePeer p;
  p.socket.SetLineEdit(c.edit);
  p.socket.SetLineEcho(c.echo);
  std::string echoed;
  for (const auto& chunk : c.chunks) {
    const std::size_t lines_before = p.lines.size();
    const std::size_t echo_before = echoed.size();
    ASSERT_TRUE(WriteAll(p.peer.Get(), chunk));
    // Each chunk is one read: it has been read once it was echoed or a line
    // came out of it.
    ASSERT_TRUE(RunUntil([&] {
      echoed += ReadAvailable(p.peer.Get());
      return echoed.size() > echo_before || p.lines.size() > lines_before;
    }));
  }
  ASSERT_TRUE(RunUntil([&] { return p.lines.size() >= c.lines.size(); }));
  RunFor(20);
  echoed += ReadAvailable(p.peer.Get());
  EXPECT_EQ(p.lines, c.lines);
  EXPECT_EQ(echoed, c.echoed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEditing,
    ::testing::Values(
        Editing{"BackspaceErasesAndEchoesErase", true, true, {"xy\bz\r\n"}, {"xz\r\n"},
                "xy\b \bz\r\n"},
        Editing{"TabToNextStop", true, false, {"abc\tX\r\n"}, {"abc     X\r\n"}, ""},
        Editing{"TabAtLineStartIsAFullStop", true, true, {"\tX\r\n"}, {"        X\r\n"},
                "        X\r\n"},
        Editing{"BackspaceReachesAnEarlierRead", true, true, {"ab", "\b\bc\r\n"}, {"c\r\n"},
                "ab\b \b\b \bc\r\n"},
        Editing{"BackspaceStopsAtLineStart", true, true, {"ab\b\b\bc\r\n\bd\r\n"},
                {"c\r\n", "d\r\n"}, "ab\b \b\b \bc\r\nd\r\n"},
        Editing{"EchoWithoutEditingIsUnchanged", false, true, {"xy\bz\t\r\n"}, {"xy\bz\t\r\n"},
                "xy\bz\t\r\n"}),
    [](const auto& case_info) { return case_info.param.name; });

// A handler that waits (pumping the loop) is not raised again meanwhile;
// the line that arrived during the wait follows once it returned.
TEST(LineMode, AWaitInsideTheHandlerDefersTheNextLine) {
  LinePeer p;
  p.socket.SetWaitTimeout(5000);
  runtime::NotifyTarget target;
  std::vector<std::string> events;
  int depth = 0;
  std::function<void(bool&)> poll_buffer = [&](bool& done) {
    if (p.socket.LineBufferCount() > 0) {
      done = true;
      return;
    }
    target.Loop().StartTimer(5, target.Id(), [&] { poll_buffer(done); });
  };
  p.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    ++depth;
    const std::string line = s->ReceiveStr();
    events.push_back("in " + line + " depth " + std::to_string(depth));
    if (line == "first\r\n") {
      bool done = false;
      const int result = p.socket.RunAndWait(
          [&] {
            ::send(p.peer.Get(), "second\r\n", 8, MSG_NOSIGNAL);
            poll_buffer(done);
          },
          done);
      events.push_back("wait " + std::to_string(result));
    }
    --depth;
  };
  ASSERT_TRUE(WriteAll(p.peer.Get(), "first\r\n"));
  ASSERT_TRUE(RunUntil([&] { return events.size() >= 3; }));
  EXPECT_EQ(events, (std::vector<std::string>{"in first\r\n depth 1", "wait 0",
                                              "in second\r\n depth 1"}));
}

// Reads exactly `count` bytes from a non-blocking peer while running the loop.
std::string ReadBytes(int fd, std::size_t count) {
  std::string text;
  RunUntil([&] {
    char byte;
    while (text.size() < count && ::recv(fd, &byte, 1, 0) == 1) text += byte;
    return text.size() == count;
  });
  return text;
}

TEST(LineMode, TheProxyRepliesAreNotLinesAndTrailingBytesAre) {
  PosixListener proxy;
  TWSocket socket;
  socket.SetLineMode(true);
  socket.SetSocksServer("127.0.0.1");
  socket.SetSocksPort(proxy.PortText());
  socket.SetAddr("127.0.0.1");
  socket.SetPort("21");
  std::vector<std::string> lines;
  bool connected = false;
  socket.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t e) { connected = e == 0; };
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    lines.push_back(s->ReceiveStr());
  };
  socket.Connect();
  Fd peer = proxy.Accept();
  ASSERT_EQ(ReadBytes(peer.Get(), 3), std::string("\x05\x01\x00", 3));
  ASSERT_TRUE(WriteAll(peer.Get(), std::string("\x05\x00", 2)));
  const std::string head = ReadBytes(peer.Get(), 5);
  ASSERT_EQ(head.size(), 5u);
  ReadBytes(peer.Get(), static_cast<std::size_t>(static_cast<unsigned char>(head[4])) + 2);
  // The success reply, with the first server bytes in the same segment.
  ASSERT_TRUE(WriteAll(peer.Get(), std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x15", 10) +
                                       "220 hello\r\n230 "));
  ASSERT_TRUE(RunUntil([&] { return !lines.empty(); }));
  EXPECT_TRUE(connected);
  ASSERT_TRUE(WriteAll(peer.Get(), "ok\r\n"));
  ASSERT_TRUE(RunUntil([&] { return lines.size() == 2; }));
  EXPECT_EQ(lines, (std::vector<std::string>{"220 hello\r\n", "230 ok\r\n"}));
}

}  // namespace
}  // namespace varnel::socket
