// Runs the runtime's event loop inside Qt's: a socket notifier on the loop's
// descriptor triggers a dispatch pass, and waits inside handlers pump Qt and
// sleep in it.
#pragma once

#include <memory>

#include "runtime/event_loop.h"

class QSocketNotifier;

namespace varnel::ui {

class QtLoopBridge {
 public:
  // Needs a QCoreApplication (or QApplication) on the calling thread.
  explicit QtLoopBridge(runtime::EventLoop& loop = runtime::EventLoop::Current());
  ~QtLoopBridge();
  QtLoopBridge(const QtLoopBridge&) = delete;
  QtLoopBridge& operator=(const QtLoopBridge&) = delete;

 private:
  runtime::EventLoop& loop_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace varnel::ui
