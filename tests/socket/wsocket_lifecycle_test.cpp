// Exceptions from handlers, deferred close and release, and descriptors.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

class BgExceptionCanClose : public ::testing::TestWithParam<bool> {};

TEST_P(BgExceptionCanClose, HandlerDecidesWhetherTheSocketIsAborted) {
  const bool can_close = GetParam();
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  std::string received;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    received += s->ReceiveStr();
    if (received == "boom") throw std::runtime_error("handler failed");
  };
  std::string reported;
  socket.OnBgException = [&](TCustomWSocket*, const std::exception& e, bool& close) {
    reported = e.what();
    EXPECT_TRUE(close);
    close = can_close;
  };
  ASSERT_TRUE(WriteAll(peer.Get(), "boom"));
  ASSERT_TRUE(RunUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(reported, "handler failed");
  if (can_close) {
    EXPECT_EQ(socket.State(), wsClosed);
    return;
  }
  EXPECT_EQ(socket.State(), wsConnected);
  ASSERT_TRUE(WriteAll(peer.Get(), "!"));
  ASSERT_TRUE(RunUntil([&] { return received == "boom!"; }));
}

INSTANTIATE_TEST_SUITE_P(Both, BgExceptionCanClose, ::testing::Bool());

TEST(WSocketLifecycle, TestNotificationRaisesTheFixedException) {
  TWSocket socket;
  std::string reported;
  socket.OnBgException = [&](TCustomWSocket*, const std::exception& e, bool&) {
    reported = e.what();
  };
  socket.DispatchNotification(NotifyTestException, 0, 0);
  EXPECT_EQ(reported, "Test exception in WSocket");
}

TEST(WSocketLifecycle, ExceptionInsideOnBgExceptionStaysInside) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  socket.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) {
    throw std::runtime_error("first");
  };
  socket.OnBgException = [](TCustomWSocket*, const std::exception&, bool&) {
    throw std::runtime_error("second");
  };
  ASSERT_TRUE(WriteAll(peer.Get(), "x"));
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
}

TEST(WSocketLifecycle, CloseDelayedClosesOnlyAfterTheHandlerReturned) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  TSocketState state_after_call = wsInvalidState;
  int closed_events = 0;
  socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    s->ReceiveStr();
    s->CloseDelayed();
    state_after_call = s->State();
  };
  socket.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { ++closed_events; };
  ASSERT_TRUE(WriteAll(peer.Get(), "bye"));
  ASSERT_TRUE(RunUntil([&] { return socket.State() == wsClosed; }));
  EXPECT_EQ(state_after_call, wsConnected);
  EXPECT_EQ(closed_events, 1);
}

TEST(WSocketLifecycle, ReleaseFromInsideAHandlerDestroysTheSocketLater) {
  PosixListener listener;
  const int before = TCustomWSocket::InstanceCount();
  auto* socket = new TWSocket();
  EXPECT_EQ(TCustomWSocket::InstanceCount(), before + 1);
  bool released = false;
  int data_events = 0;
  socket->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    ++data_events;
    s->ReceiveStr();
    s->Release();
    // Still usable until the handler returns.
    EXPECT_EQ(s->State(), wsConnected);
    released = true;
  };
  Fd peer = ConnectTo(*socket, listener);
  ASSERT_TRUE(WriteAll(peer.Get(), "first"));
  ASSERT_TRUE(RunUntil([&] { return TCustomWSocket::InstanceCount() == before; }));
  EXPECT_TRUE(released);
  // Traffic for the destroyed socket goes nowhere.
  WriteAll(peer.Get(), "second");
  RunFor(30);
  EXPECT_EQ(data_events, 1);
  bool eof = false;
  ASSERT_TRUE(RunUntil([&] {
    ReadAvailable(peer.Get(), &eof);
    return eof;
  }));
}

TEST(WSocketLifecycle, ReleaseWaitsForAHandlerThatPumpsTheLoop) {
  PosixListener listener;
  const int before = TCustomWSocket::InstanceCount();
  auto* socket = new TWSocket();
  bool handler_finished = false;
  socket->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    s->ReceiveStr();
    s->Release();
    for (int i = 0; i < 5; ++i) s->PumpMessages();
    EXPECT_EQ(s->State(), wsConnected);  // still alive while we are inside
    handler_finished = true;
  };
  Fd peer = ConnectTo(*socket, listener);
  ASSERT_TRUE(WriteAll(peer.Get(), "x"));
  ASSERT_TRUE(RunUntil([&] { return TCustomWSocket::InstanceCount() == before; }));
  EXPECT_TRUE(handler_finished);
}

TEST(WSocketLifecycle, AHandlerMayReplaceItsOwnEvent) {
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  std::vector<std::string> seen;
  const std::string tag(100, 'a');  // a capture too big for inline storage
  socket.OnDataAvailable = [&seen, &socket, tag](TCustomWSocket* s, std::uint16_t) {
    socket.OnDataAvailable = [&seen](TCustomWSocket* t, std::uint16_t) {
      seen.push_back("second " + t->ReceiveStr());
    };
    seen.push_back("first " + s->ReceiveStr() + " " + std::to_string(tag.size()));
  };
  ASSERT_TRUE(WriteAll(peer.Get(), "1"));
  ASSERT_TRUE(RunUntil([&] { return seen.size() == 1; }));
  ASSERT_TRUE(WriteAll(peer.Get(), "2"));
  ASSERT_TRUE(RunUntil([&] { return seen.size() == 2; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"first 1 100", "second 2"}));
}

TEST(WSocketLifecycle, DestroyingAnOpenSocketRaisesNoEvents) {
  PosixListener listener;
  int events = 0;
  Fd peer;
  {
    TWSocket socket;
    peer = ConnectTo(socket, listener);
    socket.OnChangeState = [&](TCustomWSocket*, TSocketState, TSocketState) { ++events; };
    socket.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { ++events; };
  }
  EXPECT_EQ(events, 0);
  bool eof = false;
  ASSERT_TRUE(RunUntil([&] {
    ReadAvailable(peer.Get(), &eof);
    return eof;
  }));
}

// Connects, accepts, refuses and closes in every way; no descriptor is left.
TEST(WSocketLifecycle, NoDescriptorLeaksAcrossConnectionsAndFailures) {
  PosixListener listener;
  { TWSocket warm_up; }
  const int before = OpenDescriptorCount();
  for (int round = 0; round < 5; ++round) {
    TWSocket server;
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    std::vector<std::unique_ptr<TWSocket>> sessions;
    server.OnSessionAvailable = [&](TCustomWSocket* s, std::uint16_t) {
      sessions.push_back(std::make_unique<TWSocket>());
      sessions.back()->Dup(s->Accept());
    };
    server.Listen();
    TWSocket client;
    client.SetAddr("127.0.0.1");
    client.SetPort(server.GetLocalPortText());
    client.Connect();
    ASSERT_TRUE(RunUntil([&] { return !sessions.empty() && client.State() == wsConnected; }));
    client.Abort();

    TWSocket refused;
    refused.SetAddr("127.0.0.1");
    refused.SetPort(RefusingPortText());
    refused.Connect();
    ASSERT_TRUE(RunUntil([&] { return refused.State() == wsClosed; }));

    TWSocket plain;
    Fd peer = ConnectTo(plain, listener);
    plain.Close();

    TWSocket left_open;
    Fd other_peer = ConnectTo(left_open, listener);
    server.Close();
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace varnel::socket
