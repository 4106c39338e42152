#include "ui/main/qt_loop_bridge.h"

#include <QCoreApplication>
#include <QSocketNotifier>

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
}

QtLoopBridge::~QtLoopBridge() { loop_.SetPumpHook(nullptr); }

}  // namespace varnel::ui
