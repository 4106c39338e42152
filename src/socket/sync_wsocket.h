// TCustomSyncWSocket: the synchronous-waiting layer of the socket chain.
//
// WaitForFlag runs the thread's loop until a flag becomes true: it pumps
// pending work, then sleeps until more arrives or its time limit passes (an
// embedding host sleeps in its own loop, see EventLoop::SetWaitHook). The
// wait gives up with SyncWaitFailed when its time limit passes, when the
// application is terminating, or when a quit was seen by the socket's pump.
// Handlers of this and every other socket run during the wait.
#pragma once

#include <functional>
#include <memory>

#include "socket/line_wsocket.h"

namespace varnel::socket {

// Result of a synchronous wait that ended without its condition.
constexpr int SyncWaitFailed = 12001;

class TCustomSyncWSocket : public TCustomLineWSocket {
 public:
  using TCustomLineWSocket::TCustomLineWSocket;
  ~TCustomSyncWSocket() override;

  // Milliseconds a wait may last; 0 (the default) or less: no limit.
  int WaitTimeout() const { return wait_timeout_; }
  void SetWaitTimeout(int Value) { wait_timeout_ = Value; }

  // Sets Done to false, calls Proc (when given), then WaitForFlag(Done).
  virtual int RunAndWait(const std::function<void()>& Proc, bool& Done);
  // 0 once Done is true, SyncWaitFailed otherwise. The socket may be
  // destroyed (Release) by work run during the wait; the wait then ends
  // with the state of Done.
  virtual int WaitForFlag(bool& Done);

 private:
  int wait_timeout_ = 0;
  std::shared_ptr<bool> alive_token_ = std::make_shared<bool>(true);
};

}  // namespace varnel::socket
