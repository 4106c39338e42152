// Drives an event loop from a test until something happened, always with a
// deadline, so that a fault shows up as a failed expectation and not a hang.
#pragma once

#include <chrono>
#include <functional>

#include "runtime/event_loop.h"

namespace varnel::testing {

// Runs `loop` until `done` holds or `timeout_ms` passed; false on timeout.
inline bool RunLoopUntil(runtime::EventLoop& loop, const std::function<bool()>& done,
                         int timeout_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    loop.RunOnce(10);
  }
  return true;
}

// The same on the calling thread's loop.
inline bool RunUntil(const std::function<bool()>& done, int timeout_ms = 10000) {
  return RunLoopUntil(runtime::EventLoop::Current(), done, timeout_ms);
}

// Runs the thread's loop for a while whatever happens, to see that nothing
// more does.
inline void RunFor(int ms) {
  RunUntil([] { return false; }, ms);
}

}  // namespace varnel::testing
