// The event loop embedded into Qt's: sockets run from QCoreApplication::exec
// alone, and a wait inside a handler pumps both loops.
#include "ui/main/qt_loop_bridge.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <memory>
#include <string>

#include "runtime/event_loop.h"
#include "socket/twsocket.h"

namespace varnel::ui {
namespace {

using socket::TCustomWSocket;
using socket::TWSocket;

class QtLoopBridgeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qtloop_tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app_ = new QCoreApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }

  // Runs Qt's loop (never the runtime loop directly) until quit or timeout.
  static bool ExecWithin(int timeout_ms) {
    bool timed_out = false;
    QTimer::singleShot(timeout_ms, [&] {
      timed_out = true;
      QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return !timed_out;
  }

  static QCoreApplication* app_;
};

QCoreApplication* QtLoopBridgeTest::app_ = nullptr;

// A listening socket, a client that connects and sends a greeting, the server
// side answers; the whole exchange runs from Qt's loop through the bridge.
struct EchoPair {
  TWSocket listener;
  TWSocket server;
  TWSocket client;
  std::string server_got, client_got;

  void Listen() {
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.Listen();
    listener.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t) {
      server.Dup(listener.Accept());
      listener.Close();
    };
  }
  std::string ListeningPort() { return listener.GetLocalPortText(); }
};

TEST_F(QtLoopBridgeTest, SocketExchangeRunsFromQtsLoop) {
  QtLoopBridge bridge;
  EchoPair pair;
  pair.Listen();
  pair.server.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    pair.server_got += s->ReceiveStr();
    if (pair.server_got == "hello") pair.server.SendStr("welcome");
  };
  pair.client.OnSessionConnected = [&](TCustomWSocket* s, std::uint16_t error) {
    ASSERT_EQ(error, 0);
    s->SendStr("hello");
  };
  pair.client.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    pair.client_got += s->ReceiveStr();
    if (pair.client_got == "welcome") QCoreApplication::quit();
  };
  pair.client.SetAddr("127.0.0.1");
  pair.client.SetPort(pair.ListeningPort());
  pair.client.Connect();

  ASSERT_TRUE(ExecWithin(5000));
  EXPECT_EQ(pair.server_got, "hello");
  EXPECT_EQ(pair.client_got, "welcome");
}

// A handler that waits (Flush pumps "pending messages") must see the rest of
// the exchange progress inside the wait, through Qt's processEvents.
TEST_F(QtLoopBridgeTest, AWaitInsideAHandlerPumpsThroughQt) {
  QtLoopBridge bridge;
  EchoPair pair;
  pair.Listen();
  const std::string payload(4 * 1024 * 1024, 'x');
  std::size_t received = 0;
  bool flushed_inside_handler = false;
  int qt_timer_ticks_during_wait = 0;
  bool waiting = false;

  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (waiting) ++qt_timer_ticks_during_wait;
  });
  ticker.start(1);

  pair.server.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    char buffer[65536];
    int n = s->Receive(buffer, sizeof buffer);
    if (n > 0) received += static_cast<std::size_t>(n);
    if (received == payload.size()) QCoreApplication::quit();
  };
  pair.client.OnSessionConnected = [&](TCustomWSocket* s, std::uint16_t) {
    s->SendStr(payload);
    waiting = true;
    s->Flush();  // nested: returns only once the peer has drained the data
    waiting = false;
    flushed_inside_handler = s->AllSent();
  };
  pair.client.SetAddr("127.0.0.1");
  pair.client.SetPort(pair.ListeningPort());
  pair.client.Connect();

  ASSERT_TRUE(ExecWithin(10000));
  EXPECT_TRUE(flushed_inside_handler);
  EXPECT_EQ(received, payload.size());
  // Qt's own events ran during the wait, so the GUI stays alive.
  EXPECT_GT(qt_timer_ticks_during_wait, 0);
}

// With nothing else going on in Qt, a wait inside a handler sleeps in Qt's
// loop and still wakes for the sockets: the loop's descriptor is watched
// inside the nested wait too.
TEST_F(QtLoopBridgeTest, AWaitInsideAHandlerWakesForTheSocketsAlone) {
  QtLoopBridge bridge;
  EchoPair pair;
  pair.Listen();
  const std::string payload(4 * 1024 * 1024, 'y');
  std::size_t received = 0;
  bool flushed = false;
  pair.server.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    char buffer[65536];
    const int n = s->Receive(buffer, sizeof buffer);
    if (n > 0) received += static_cast<std::size_t>(n);
    if (received == payload.size()) QCoreApplication::quit();
  };
  pair.client.OnSessionConnected = [&](TCustomWSocket* s, std::uint16_t) {
    s->SendStr(payload);
    s->SetFlushTimeout(30);
    s->Flush();
    flushed = s->AllSent();
  };
  pair.client.SetAddr("127.0.0.1");
  pair.client.SetPort(pair.ListeningPort());
  pair.client.Connect();

  ASSERT_TRUE(ExecWithin(10000));
  EXPECT_TRUE(flushed);
  EXPECT_EQ(received, payload.size());
}

TEST_F(QtLoopBridgeTest, PostedNotificationsArriveAndTheHookIsRemovedWithTheBridge) {
  auto& loop = runtime::EventLoop::Current();
  runtime::NotifyTarget target(loop);
  int delivered = 0;
  {
    QtLoopBridge bridge(loop);
    target.Post([&] {
      ++delivered;
      QCoreApplication::quit();
    });
    ASSERT_TRUE(ExecWithin(5000));
  }
  EXPECT_EQ(delivered, 1);
  // Without the bridge, Pump runs the loop's own pass again.
  target.Post([&] { ++delivered; });
  loop.Pump();
  EXPECT_EQ(delivered, 2);
}

}  // namespace
}  // namespace varnel::ui
