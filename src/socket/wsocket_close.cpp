// Ending connections (Disconnect and its callers), deferred close and
// release, pausing, and the waits that pump the loop.
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {

// close() releases the descriptor even when it reports a failure (EINTR
// included), so it is never retried: the number may already be reused.
int TCustomWSocket::ReleaseHandle() {
  if (watch_ != 0) {
    loop_->Unwatch(watch_);
    watch_ = 0;
  }
  const int handle = socket_handle_;
  socket_handle_ = -1;
  ++session_;
  if (handle < 0 || ::close(handle) == 0 || errno == EINTR) return 0;
  return errno;
}

void TCustomWSocket::Disconnect(bool ShutdownFirst, std::uint16_t Error) {
  if (socket_handle_ < 0) {
    if (state_ != wsClosed) {
      SetState(wsClosed);
      ResetToDefaults();
    }
    return;
  }
  if (state_ == wsClosed) {
    ReleaseHandle();  // a handle that never got past opening
    return;
  }
  if (ShutdownFirst) Shutdown(1);
  const int close_errno = ReleaseHandle();
  if (close_errno != 0) {
    last_error_ = WinsockErrorFromErrno(close_errno);
    ReportSocketError("Disconnect (closesocket)", last_error_);
    return;
  }
  const std::uint64_t session = session_;
  SetState(wsClosed);
  if (SessionEnded(session)) return;
  if (!destroying_ && !close_notified_) {
    close_notified_ = true;
    FireSessionClosed(Error);
    // A handler that opened the next connection keeps its settings.
    if (SessionEnded(session)) return;
  }
  try {
    ResetToDefaults();
  } catch (const std::exception&) {
    // The handle is closed; defaults that cannot be restored change nothing.
  }
}

void TCustomWSocket::Close() { Disconnect(true, 0); }

void TCustomWSocket::Abort() {
  CancelDnsLookup();
  DiscardSendBuffer();
  if (state_ == wsConnected && proto_ == IPPROTO_TCP) {
    // The OS finishes the connection in the background.
    linger_on_off_ = wsLingerOff;
    ApplyLingerOption();
  }
  Disconnect(false, 0);
}

void TCustomWSocket::CloseDelayed() { PostNotification(NotifyCloseDelayed); }

void TCustomWSocket::Release() { PostNotification(NotifyRelease); }

void TCustomWSocket::Shutdown(int How) {
  if (socket_handle_ >= 0) ::shutdown(socket_handle_, How);
}

void TCustomWSocket::Pause() {
  paused_ = true;
  UpdateInterest();
}

// As a new registration does: conditions already true are reported again.
void TCustomWSocket::Resume() {
  paused_ = false;
  read_enabled_ = true;
  accept_enabled_ = true;
  write_enabled_ = state_ == wsConnected;
  UpdateInterest();
}

void TCustomWSocket::WaitForClose() {
  const std::shared_ptr<bool> alive = alive_;
  while (socket_handle_ >= 0 && state_ != wsClosed) {
    PumpMessages();
    if (!*alive || socket_handle_ < 0 || state_ == wsClosed) return;
    int count = 0;
    if (::ioctl(socket_handle_, FIONREAD, &count) != 0) return;
    if (count > 0) {
      FireDataAvailable(0);
      if (!*alive || socket_handle_ < 0) return;
    }
    // recv of 0 bytes always succeeds here; peeking one byte tells data,
    // end of stream and "nothing yet" apart.
    char probe = 0;
    const auto peeked = ::recv(socket_handle_, &probe, 1, MSG_PEEK);
    if (peeked == 0) return;
    if (peeked < 0 && WinsockErrorFromErrno(errno) != WSAEWOULDBLOCK) {
      last_error_ = WinsockErrorFromErrno(errno);
      return;
    }
    WaitSlice();
    if (!*alive) return;
  }
}

}  // namespace varnel::socket
