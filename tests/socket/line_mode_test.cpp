// Line mode against a loopback peer: line assembly across reads, partial
// takes, switching the mode inside a handler, RcvdCount and the end of a
// connection.
#include <gtest/gtest.h>

#include "socket/winsock_errors.h"
#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

// A line-mode socket connected to a POSIX peer; the handler takes each line
// with ReceiveStr.
class LineClient {
 public:
  explicit LineClient(const std::string& line_end = "\r\n") {
    socket.SetLineMode(true);
    socket.SetLineEnd(line_end);
    peer = ConnectTo(socket, listener);
    socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) {
      lines.push_back(s->ReceiveStr());
    };
  }
  std::size_t Taken() const {
    std::size_t n = 0;
    for (const auto& line : lines) n += line.size();
    return n;
  }
  // Sends one chunk and waits until the socket has read all of it, so that
  // every chunk is one read.
  void Send(const std::string& chunk) {
    sent += chunk.size();
    ASSERT_TRUE(WriteAll(peer.Get(), chunk));
    ASSERT_TRUE(RunUntil([&] { return Taken() + socket.LineBufferCount() >= sent; }));
  }

  PosixListener listener;
  TWSocket socket;
  Fd peer;
  std::vector<std::string> lines;
  std::size_t sent = 0;
};

struct Assembly {
  const char* name;
  std::string line_end;
  std::vector<std::string> chunks;
  std::vector<std::string> lines;
  std::size_t left;  // bytes still buffered at the end
};

class LineAssembly : public ::testing::TestWithParam<Assembly> {};

TEST_P(LineAssembly, LinesAreDeliveredWholeAndInOrder) {
  const Assembly& c = GetParam();
  LineClient client(c.line_end);
  for (const auto& chunk : c.chunks) client.Send(chunk);
  EXPECT_EQ(client.lines, c.lines);
  EXPECT_EQ(client.socket.LineBufferCount(), static_cast<int>(c.left));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineAssembly,
    ::testing::Values(
        Assembly{"ReplyThenPartial", "\r\n", {"220 ready\r\n331 ", "\r\n"},
                 {"220 ready\r\n", "331 \r\n"}, 0},
        Assembly{"PartialStaysBuffered", "\r\n", {"220 ready\r\n331 "}, {"220 ready\r\n"}, 4},
        Assembly{"TerminatorSplitAcrossReads", "\r\n", {"abc\r", "\ndef\r\n"},
                 {"abc\r\n", "def\r\n"}, 0},
        Assembly{"SeveralLinesInOneRead", "\r\n", {"a\r\nb\r\n\r\nc\r\nd"},
                 {"a\r\n", "b\r\n", "\r\n", "c\r\n"}, 1},
        Assembly{"BareLfIsDataWithCrLf", "\r\n", {"a\nb\r", "x\r\n"}, {"a\nb\rx\r\n"}, 0},
        Assembly{"LfEnd", "\n", {"a\nb\r\nc"}, {"a\n", "b\r\n"}, 1},
        Assembly{"CustomEndSplitTwice", "<END>", {"x<EN", "D", ">y<END><END>"},
                 {"x<END>", "y<END>", "<END>"}, 0},
        Assembly{"OverlappingPrefix", "aab", {"xaa", "ab"}, {"xaaab"}, 0},
        Assembly{"OverlappingPrefixAfterMiss", "aab", {"xa", "a", "b"}, {"xaab"}, 0}),
    [](const auto& case_info) { return case_info.param.name; });

TEST(LineMode, AReplyAndAPartialLineInOneReadRaiseTheEventOnce) {
  LineClient client;
  std::vector<int> counts;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    counts.push_back(s->RcvdCount());
    client.lines.push_back(s->ReceiveStr());
    counts.push_back(s->RcvdCount());
  };
  client.Send("220 ready\r\n331 ");
  EXPECT_EQ(counts, (std::vector<int>{11, 0}));
  // Outside a line nothing is readable, and reading takes nothing.
  EXPECT_EQ(client.socket.RcvdCount(), 0);
  char byte = 0;
  EXPECT_EQ(client.socket.Receive(&byte, 1), -1);
  EXPECT_EQ(client.socket.LastError(), WSAEWOULDBLOCK);
  client.Send("\r\n");
  EXPECT_EQ(client.lines, (std::vector<std::string>{"220 ready\r\n", "331 \r\n"}));
  EXPECT_EQ(client.socket.ReadCount(), 17);  // what the handler took, once
}

TEST(LineMode, ASmallReceiveTakesTheLineInPiecesOneEventEach) {
  LineClient client;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    char piece[4];
    const int n = s->Receive(piece, sizeof piece);
    client.lines.emplace_back(piece, static_cast<std::size_t>(std::max(n, 0)));
  };
  client.Send("abcdefghij\r\nxy\r\n");
  EXPECT_EQ(client.lines, (std::vector<std::string>{"abcd", "efgh", "ij\r\n", "xy\r\n"}));
}

TEST(LineMode, AHandlerThatTakesNothingIsNotRaisedAgainUntilMoreArrives) {
  LineClient client;
  int raised = 0;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    if (++raised > 1) client.lines.push_back(s->ReceiveStr());
  };
  client.Send("first\r\n");
  RunFor(50);
  EXPECT_EQ(raised, 1);
  EXPECT_EQ(client.socket.LineLength(), 7);
  client.Send("second\r\n");
  EXPECT_EQ(client.lines, (std::vector<std::string>{"first\r\n", "second\r\n"}));
}

TEST(LineMode, WithoutAHandlerCompleteLinesAreDroppedAndThePartialKept) {
  LineClient client;
  client.socket.OnDataAvailable = nullptr;
  ASSERT_TRUE(WriteAll(client.peer.Get(), "one\r\ntwo\r\nthr"));
  ASSERT_TRUE(RunUntil([&] { return client.socket.LineBufferCount() == 3; }));
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    client.lines.push_back(s->ReceiveStr());
  };
  client.Send("ee\r\n");
  EXPECT_EQ(client.lines, (std::vector<std::string>{"three\r\n"}));
}

TEST(LineMode, APartialLastLineArrivesBeforeSessionClosed) {
  LineClient client;
  EventLog log(client.socket);
  client.socket.OnDataSent = nullptr;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    log.Add("line " + s->ReceiveStr());
  };
  ASSERT_TRUE(WriteAll(client.peer.Get(), "a\r\nrest"));
  client.peer.Reset();
  ASSERT_TRUE(RunUntil([&] { return client.socket.State() == wsClosed; }));
  EXPECT_EQ(log.entries, (std::vector<std::string>{"line a\r\n", "line rest", "closed 0 in connected",
                                                   "state connected>closed"}));
  EXPECT_EQ(client.socket.LineBufferCount(), 0);
}

TEST(LineMode, ClosingInsideTheHandlerEndsDelivery) {
  LineClient client;
  EventLog log(client.socket);
  client.socket.OnDataSent = nullptr;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    log.Add("line " + s->ReceiveStr());
    s->Close();
  };
  ASSERT_TRUE(WriteAll(client.peer.Get(), "a\r\nb\r\nc"));
  ASSERT_TRUE(RunUntil([&] { return client.socket.State() == wsClosed; }));
  RunFor(30);
  EXPECT_EQ(log.entries, (std::vector<std::string>{"line a\r\n", "state connected>closed",
                                                   "closed 0 in closed"}));
}

TEST(LineMode, SwitchingOffBeforeTakingHandsTheRestOverAsPlainDataLater) {
  LineClient client;
  std::vector<std::string> events;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    auto* line = static_cast<TWSocket*>(s);
    if (line->LineMode()) {
      events.push_back("line of " + std::to_string(s->RcvdCount()));
      line->SetLineMode(false);
      events.push_back("returned");
    } else {
      events.push_back("plain " + s->ReceiveStr());
    }
  };
  ASSERT_TRUE(WriteAll(client.peer.Get(), "one\r\ntwo\r\nthr"));
  ASSERT_TRUE(RunUntil([&] { return events.size() >= 3; }));
  ASSERT_TRUE(WriteAll(client.peer.Get(), "ee\r\n"));
  ASSERT_TRUE(RunUntil([&] { return events.size() >= 4; }));
  EXPECT_EQ(events, (std::vector<std::string>{"line of 5", "returned",
                                              "plain one\r\ntwo\r\nthr", "plain ee\r\n"}));
}

TEST(LineMode, SwitchingBackOnSearchesTheBufferedBytesWithoutNewData) {
  LineClient client;
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    auto* line = static_cast<TWSocket*>(s);
    if (line->LineMode()) {
      client.lines.push_back("line " + s->ReceiveStr());
      if (client.lines.size() == 1) line->SetLineMode(false);
      return;
    }
    char word[3];
    const int n = s->Receive(word, sizeof word);
    client.lines.push_back("plain " + std::string(word, static_cast<std::size_t>(n)));
    line->SetLineMode(true);
  };
  ASSERT_TRUE(WriteAll(client.peer.Get(), "one\r\ntwo\r\nthree\r\nfour"));
  ASSERT_TRUE(RunUntil([&] { return client.lines.size() >= 4; }));
  RunFor(30);
  EXPECT_EQ(client.lines, (std::vector<std::string>{"line one\r\n", "plain two", "line \r\n",
                                                    "line three\r\n"}));
  EXPECT_EQ(client.socket.LineBufferCount(), 4);
  EXPECT_EQ(client.socket.RcvdCount(), 0);
}

TEST(LineMode, BytesLeftFromLineModeCountAsReadableAfterSwitchingOff) {
  LineClient client;
  client.socket.OnDataAvailable = nullptr;
  ASSERT_TRUE(WriteAll(client.peer.Get(), "partial"));
  ASSERT_TRUE(RunUntil([&] { return client.socket.LineBufferCount() == 7; }));
  client.socket.SetLineMode(false);
  EXPECT_EQ(client.socket.RcvdCount(), 7);
  EXPECT_EQ(client.socket.ReceiveStr(), "partial");
}

TEST(LineMode, BytesLeftFromLineModeReachAPipeBeforeNewOnes) {
  LineClient client;
  client.socket.OnDataAvailable = nullptr;
  ASSERT_TRUE(WriteAll(client.peer.Get(), "partial"));
  ASSERT_TRUE(RunUntil([&] { return client.socket.LineBufferCount() == 7; }));
  client.socket.SetLineMode(false);
  TestPipe pipe;
  std::string received;
  EXPECT_EQ(pipe.Receive(client.socket, received), 7);
  client.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    pipe.Receive(*s, received);
  };
  ASSERT_TRUE(WriteAll(client.peer.Get(), " more"));
  ASSERT_TRUE(RunUntil([&] { return received == "partial more"; })) << received;
  EXPECT_EQ(client.socket.ReadCount(), 12);
}

TEST(LineMode, AnEmptyLineEndPassesDataThroughUnsplit) {
  LineClient client("");
  client.Send("a\r\nb\r\n");
  EXPECT_EQ(client.lines, (std::vector<std::string>{"a\r\nb\r\n"}));
}

}  // namespace
}  // namespace varnel::socket
