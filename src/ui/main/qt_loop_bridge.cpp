#include "ui/main/qt_loop_bridge.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

namespace varnel::ui {

QtLoopBridge::QtLoopBridge(runtime::EventLoop& loop)
    : loop_(loop),
      notifier_(std::make_unique<QSocketNotifier>(loop.Descriptor(), QSocketNotifier::Read)) {
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { loop_.DispatchPending(); });
  // A wait inside a handler runs Qt's events; the direct pass after it keeps
  // the loop moving even where Qt does not re-enter a notifier that is being
  // handled.
  loop_.SetPumpHook([this] {
    QCoreApplication::processEvents();
    loop_.DispatchPending();
  });
  // A wait sleeps in Qt, which wakes for the window's events and for the
  // loop's descriptor alike; the timer bounds the sleep.
  loop_.SetWaitHook([](int timeout_ms) {
    QTimer limit;
    limit.setSingleShot(true);
    if (timeout_ms >= 0) limit.start(timeout_ms);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  });
}

QtLoopBridge::~QtLoopBridge() {
  loop_.SetWaitHook(nullptr);
  loop_.SetPumpHook(nullptr);
}

}  // namespace varnel::ui
