// The synchronous waits: pump the loop until a flag is set, a time limit
// passes or the application is going away.
#include "socket/sync_wsocket.h"

#include <algorithm>

#include "runtime/event_loop.h"

namespace varnel::socket {
namespace {

// Longest sleep between two pumps; bounds how late an embedding host's own
// events (not seen by the loop's descriptor) are pumped.
constexpr std::int64_t kWaitSliceMs = 10;

}  // namespace

TCustomSyncWSocket::~TCustomSyncWSocket() { *alive_token_ = false; }

int TCustomSyncWSocket::RunAndWait(const std::function<void()>& Proc, bool& Done) {
  Done = false;
  if (Proc) Proc();
  return WaitForFlag(Done);
}

int TCustomSyncWSocket::WaitForFlag(bool& Done) {
  const std::shared_ptr<bool> alive = alive_token_;
  runtime::EventLoop& loop = NotifyWindow()->Loop();
  const std::int64_t limit = wait_timeout_;
  const std::int64_t end = runtime::TickCount() + limit;
  for (;;) {
    if (Done) return 0;
    if (!*alive) return SyncWaitFailed;
    const std::int64_t now = runtime::TickCount();
    if ((limit > 0 && now > end) || runtime::ApplicationTerminating() || QuitSeen()) {
      return SyncWaitFailed;
    }
    PumpMessages();
    if (Done || !*alive || loop.PendingCount() > 0) continue;
    const std::int64_t slice =
        limit > 0 ? std::clamp<std::int64_t>(end - now + 1, 0, kWaitSliceMs) : kWaitSliceMs;
    loop.WaitForWork(static_cast<int>(slice));
  }
}

}  // namespace varnel::socket
