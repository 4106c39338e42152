// Construction, destruction, the notification target ("window") and its
// dispatcher, state changes and the event hooks.
#include "socket/wsocket.h"

#include <sys/socket.h>

#include <atomic>

namespace varnel::socket {
namespace {

// Sockets may live on several threads; the counter is the only thing they share.
std::atomic<int> g_instance_count{0};

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

// Calls `event` when assigned; true when it was.
template <typename Event, typename... Args>
bool Raise(const Event& event, Args... args) {
  if (!event) return false;
  const Event handler = event;
  handler(args...);
  return true;
}

}  // namespace

TCustomWSocket::TCustomWSocket(runtime::EventLoop& loop) : loop_(&loop) {
  CreateNotifyWindow();
  ResetToDefaults();
  ++g_instance_count;
}

// A socket being destroyed raises no events: its handlers may belong to
// objects that are already gone, and its derived parts are.
TCustomWSocket::~TCustomWSocket() {
  destroying_ = true;
  *alive_ = false;
  DetachHandlers();
  try {
    CancelDnsLookup();
  } catch (const std::exception&) {
    // A lookup that cannot be cancelled is dropped with the target anyway.
  }
  if (state_ != wsClosed) {
    try {
      Close();
    } catch (const std::exception&) {
      // The handle is released below whatever the close reported.
    }
  }
  if (socket_handle_ >= 0) ReleaseHandle();
  if (--g_instance_count < 0) g_instance_count = 0;
  DiscardSendBuffer();
  DestroyNotifyWindow();
}

void TCustomWSocket::DetachHandlers() {
  OnSessionConnected = nullptr;
  OnSessionAvailable = nullptr;
  OnDataAvailable = nullptr;
  OnDataSent = nullptr;
  OnSendData = nullptr;
  OnSessionClosed = nullptr;
  OnChangeState = nullptr;
  OnDnsLookupDone = nullptr;
  OnError = nullptr;
  OnBgException = nullptr;
  OnLineTooLong = nullptr;
}

int TCustomWSocket::InstanceCount() { return g_instance_count; }

void TCustomWSocket::CreateNotifyWindow() {
  window_ = std::make_unique<runtime::NotifyTarget>(*loop_);
}

// Notifications still queued for the target are dropped with it.
void TCustomWSocket::DestroyNotifyWindow() { window_.reset(); }

void TCustomWSocket::PostNotification(unsigned Msg) {
  window_->Post([this, Msg] { DispatchNotification(Msg, 0, 0); });
}

void TCustomWSocket::DispatchNotification(unsigned Msg, std::uint64_t WParam,
                                          std::uint64_t LParam) {
  if (Msg == NotifyRelease) {
    // A handler of this socket still running (it pumped the loop) keeps it
    // alive until it returned.
    if (dispatch_depth_ > 0) {
      PostNotification(NotifyRelease);
    } else {
      delete this;
    }
    return;
  }
  const DepthGuard depth(dispatch_depth_);
  try {
    HandleNotification(Msg, WParam, LParam);
  } catch (const std::exception& e) {
    ReportBgException(e);
  }
}

void TCustomWSocket::HandleNotification(unsigned Msg, std::uint64_t WParam,
                                        std::uint64_t LParam) {
  switch (Msg) {
    case NotifySocketEvent:
      if (socket_handle_ < 0 || WParam != static_cast<std::uint64_t>(socket_handle_) || paused_) {
        return;
      }
      HandleSocketEvent(static_cast<std::uint16_t>(LParam & 0xFFFF),
                        static_cast<std::uint16_t>((LParam >> 16) & 0xFFFF));
      return;
    case NotifyHostByName:
    case NotifyHostByAddr:
      HandleDnsResult(Msg, WParam, static_cast<std::uint16_t>((LParam >> 16) & 0xFFFF));
      return;
    case NotifyCloseDelayed:
      Close();
      return;
    case NotifyTestException:
      throw ESocketException("Test exception in WSocket");
    default:
      return;
  }
}

void TCustomWSocket::ResetToDefaults() {
  remote_sockaddr_ = sockaddr_in{};
  remote_sockaddr_.sin_family = AF_INET;
  address_family_ = AF_INET;
  addr_assigned_ = false;
  port_assigned_ = false;
  addr_resolved_ = false;
  port_resolved_ = false;
  local_port_resolved_ = false;
  // Assigned from std::string: g++ 12 at -O3 misreports assignments of
  // short literals (-Wrestrict).
  proto_str_ = std::string("tcp");
  proto_assigned_ = true;
  proto_resolved_ = true;
  proto_ = IPPROTO_TCP;
  socket_type_ = SOCK_STREAM;
  local_port_str_ = std::string("0");
  local_port_num_ = 0;
  local_addr_str_ = std::string("0.0.0.0");
  linger_on_off_ = wsLingerOn;
  linger_timeout_ = 0;
  if (socket_handle_ >= 0) ReleaseHandle();
  select_mask_ = 0;
  state_ = wsClosed;
  all_sent_ = true;
  paused_ = false;
  read_count_ = 0;
  close_notified_ = false;
  flush_timeout_ = 60;
}

void TCustomWSocket::SetState(TSocketState NewState) {
  const TSocketState old_state = state_;
  state_ = NewState;
  UpdateInterest();
  FireChangeState(old_state, NewState);
}

void TCustomWSocket::PumpMessages() {
  if (multi_threaded_) {
    loop_->DispatchPending();
    // The thread's quit message: the application is going away.
    if (runtime::ApplicationTerminating()) quit_seen_ = true;
  } else {
    loop_->Pump();
  }
}

// One step of a waiting loop: sleep until something is pending (at once
// when something is) or `TimeoutMs` passed (-1: no limit), then pump. The
// caller looks at its condition again afterwards; the socket may have been
// destroyed by the work, so callers check their alive token first.
void TCustomWSocket::WaitSlice(int TimeoutMs) {
  std::shared_ptr<bool> alive = alive_;
  loop_->WaitForWork(TimeoutMs);
  if (*alive) PumpMessages();
}

// ---- event hooks ----
// Handlers run from a copy, so one may replace its own event (or another)
// while it runs.

bool TCustomWSocket::FireDataAvailable(std::uint16_t Error) {
  return Raise(OnDataAvailable, this, Error);
}

void TCustomWSocket::FireSessionAvailable(std::uint16_t Error) {
  Raise(OnSessionAvailable, this, Error);
}

void TCustomWSocket::FireSessionConnected(std::uint16_t Error) {
  Raise(OnSessionConnected, this, Error);
}

void TCustomWSocket::FireSessionClosed(std::uint16_t Error) {
  Raise(OnSessionClosed, this, Error);
}

void TCustomWSocket::FireDataSent(std::uint16_t Error) { Raise(OnDataSent, this, Error); }

void TCustomWSocket::FireChangeState(TSocketState OldState, TSocketState NewState) {
  Raise(OnChangeState, this, OldState, NewState);
}

void TCustomWSocket::FireDnsLookupDone(std::uint16_t Error) {
  Raise(OnDnsLookupDone, this, Error);
}

void TCustomWSocket::FireError() { Raise(OnError, this); }

void TCustomWSocket::FireSendData(int BytesSent) { Raise(OnSendData, this, BytesSent); }

}  // namespace varnel::socket
