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

// Runs Qt's loop (never the runtime loop directly) until quit or timeout.
bool ExecWithin(int timeout_ms) {
  bool timed_out = false;
  QTimer::singleShot(timeout_ms, [&] {
    timed_out = true;
    QCoreApplication::quit();
  });
  QCoreApplication::exec();
  return !timed_out;
}

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

// Sends 4 MiB from the client's OnSessionConnected and flushes there, so the
// server's reads must run inside that nested wait; `waiting` is set while
// Flush runs. True when Flush returned with everything sent and all of it
// arrived, all from Qt's loop.
bool FlushInsideAHandler(bool& waiting) {
  EchoPair pair;
  pair.Listen();
  const std::size_t size = 4 * 1024 * 1024;
  std::size_t received = 0;
  bool flushed = false;
  pair.server.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
    char buffer[65536];
    const int n = s->Receive(buffer, sizeof buffer);
    if (n > 0) received += static_cast<std::size_t>(n);
    if (received == size) QCoreApplication::quit();
  };
  pair.client.OnSessionConnected = [&](TCustomWSocket* s, std::uint16_t) {
    s->SendStr(std::string(size, 'x'));
    s->SetFlushTimeout(30);
    waiting = true;
    s->Flush();
    waiting = false;
    flushed = s->AllSent();
  };
  pair.client.SetAddr("127.0.0.1");
  pair.client.SetPort(pair.ListeningPort());
  pair.client.Connect();
  return ExecWithin(10000) && flushed && received == size;
}

// Qt's own events run during a wait inside a handler, so the GUI stays alive.
TEST_F(QtLoopBridgeTest, AWaitInsideAHandlerPumpsThroughQt) {
  QtLoopBridge bridge;
  int qt_timer_ticks_during_wait = 0;
  bool waiting = false;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (waiting) ++qt_timer_ticks_during_wait;
  });
  ticker.start(1);
  EXPECT_TRUE(FlushInsideAHandler(waiting));
  EXPECT_GT(qt_timer_ticks_during_wait, 0);
}

// With nothing else going on in Qt, the wait sleeps in Qt's loop and still
// wakes for the sockets: the loop's descriptor is watched inside the nested
// wait too.
TEST_F(QtLoopBridgeTest, AWaitInsideAHandlerWakesForTheSocketsAlone) {
  QtLoopBridge bridge;
  bool waiting = false;
  EXPECT_TRUE(FlushInsideAHandler(waiting));
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
