// The synchronous waits: pump the loop until a flag is set, a time limit
// passes or the application is going away.
#include "socket/sync_wsocket.h"

#include <algorithm>
#include <climits>

#include "runtime/event_loop.h"

namespace varnel::socket {

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
    // Asleep until work arrives (at once when some is pending) or the limit
    // passes; then the work runs, and the conditions are looked at again.
    loop.WaitForWork(limit > 0 ? static_cast<int>(std::clamp<std::int64_t>(end - now + 1, 0, INT_MAX))
                               : -1);
    if (*alive) PumpMessages();
  }
}

}  // namespace varnel::socket
