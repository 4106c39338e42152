// Readiness of the descriptor turned into Winsock-style notifications, their
// dispatch in the fixed bit order, and the receive side.
//
// Winsock's re-enabling rules are kept: after a read notification no further
// one comes until the socket is read; a write notification comes once after
// connecting and after a send that would block; an accept notification once
// per Accept; a close notification once per connection.
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

constexpr int kDiscardStep = 1024;
// Largest read copied into a pipe when a layer holds bytes of its own.
constexpr int kCopyStep = 16384;

}  // namespace

void TCustomWSocket::AdoptHandle(int Handle) {
  socket_handle_ = Handle;
  ++session_;
}

void TCustomWSocket::RegisterEvents(std::uint16_t Mask, bool ArmWrite) {
  if (watch_ != 0) loop_->Unwatch(watch_);
  select_mask_ = Mask;
  read_enabled_ = true;
  write_enabled_ = ArmWrite;
  accept_enabled_ = true;
  close_seen_ = false;
  watch_ = loop_->Watch(socket_handle_, window_->Id(),
                        [this](std::uint32_t events) { OnReadiness(events); });
  UpdateInterest();
}

// The epoll mask follows the state and the re-enabling flags. An empty mask
// takes the descriptor out of epoll, so a paused socket or one whose close
// was already delivered cannot spin on hang-ups.
void TCustomWSocket::UpdateInterest() {
  if (watch_ == 0) return;
  std::uint32_t wanted = 0;
  const bool stream = socket_type_ == SOCK_STREAM;
  if (!paused_) {
    switch (state_) {
      case wsConnecting:
        wanted = EPOLLOUT;
        break;
      case wsListening:
        if (stream && accept_enabled_ && (select_mask_ & FdAccept)) wanted = EPOLLIN;
        break;
      case wsConnected:
        if (close_seen_) break;
        if (read_enabled_ && (select_mask_ & FdRead)) wanted |= EPOLLIN;
        if (write_enabled_ && (select_mask_ & FdWrite)) wanted |= EPOLLOUT;
        if (stream && (select_mask_ & FdClose)) wanted |= EPOLLRDHUP;
        break;
      default:
        break;
    }
  }
  loop_->SetInterest(watch_, wanted);
}

void TCustomWSocket::ArmWrite() {
  write_enabled_ = true;
  UpdateInterest();
}

void TCustomWSocket::ReenableRead() {
  if (read_enabled_ || socket_handle_ < 0) return;
  read_enabled_ = true;
  UpdateInterest();
}

int TCustomWSocket::ReadableCount() const {
  int count = 0;
  return ::ioctl(socket_handle_, FIONREAD, &count) == 0 ? count : -1;
}

// SO_ERROR (which also clears it), as a Winsock error.
std::uint16_t TCustomWSocket::PendingError() const {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(socket_handle_, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
  return static_cast<std::uint16_t>(WinsockErrorFromErrno(error));
}

void TCustomWSocket::OnReadiness(std::uint32_t events) {
  if (socket_handle_ < 0 || paused_) return;
  std::uint16_t error = 0;
  const std::uint16_t bits = ReadinessBits(events, error) & select_mask_;
  UpdateInterest();
  const std::uint64_t session = session_;
  const auto handle = static_cast<std::uint64_t>(socket_handle_);
  // The close bit carries its own error, after the data bits have been seen.
  const std::uint16_t others = bits & ~FdClose;
  if (others != 0) {
    const std::uint16_t others_error = (bits & FdClose) ? 0 : error;
    DispatchNotification(NotifySocketEvent, handle,
                         others | (static_cast<std::uint64_t>(others_error) << 16));
  }
  if ((bits & FdClose) && !SessionEnded(session)) {
    DispatchNotification(NotifySocketEvent, handle,
                         FdClose | (static_cast<std::uint64_t>(error) << 16));
  }
}

// Translates epoll bits into notification bits, consuming the one-shot
// enables. Runs when the readiness is delivered, so it sees the socket as it
// is now, not as it was when the readiness was found.
std::uint16_t TCustomWSocket::ReadinessBits(std::uint32_t events, std::uint16_t& error) {
  const bool failed = (events & (EPOLLERR | EPOLLHUP)) != 0;
  std::uint16_t bits = 0;
  if (state_ == wsConnecting) {
    if (!(events & EPOLLOUT) && !failed) return 0;
    error = PendingError();
    if (error == 0) {
      read_enabled_ = true;
      write_enabled_ = true;
    }
    return FdConnect;
  }
  if (state_ == wsListening) {
    if ((events & EPOLLIN) && accept_enabled_) {
      bits |= FdAccept;
      accept_enabled_ = false;
    }
    if (failed) {
      bits |= FdClose;
      error = PendingError();
    }
    return bits;
  }
  if (state_ != wsConnected) return 0;
  if (socket_type_ != SOCK_STREAM) {
    if (events & EPOLLERR) error = PendingError();
    if ((events & EPOLLERR) || ((events & EPOLLIN) && read_enabled_)) {
      bits |= FdRead;
      read_enabled_ = false;
    }
  } else if ((events & EPOLLIN) && read_enabled_ && ReadableCount() > 0) {
    bits |= FdRead;
    read_enabled_ = false;
  }
  if ((events & EPOLLOUT) && write_enabled_) {
    bits |= FdWrite;
    write_enabled_ = false;
  }
  if (socket_type_ == SOCK_STREAM && !close_seen_ &&
      (events & (EPOLLRDHUP | EPOLLHUP | EPOLLERR))) {
    bits |= FdClose;
    close_seen_ = true;
    error = PendingError();
  }
  return bits;
}

// The bits in their fixed order; a handler may close the socket (or open a
// new connection on it), which ends the handling of this notification.
void TCustomWSocket::HandleSocketEvent(std::uint16_t Bits, std::uint16_t Error) {
  const std::uint64_t session = session_;
  if ((Bits & FdConnect) && state_ != wsConnected) {
    SetState(wsConnected);
    if (SessionEnded(session)) return;
    FireSessionConnected(Error);
    if (SessionEnded(session)) return;
    if (Error != 0 && state_ != wsClosed) {
      Close();
      return;
    }
  }
  if (Bits & FdRead) {
    if (state_ != wsConnected) {
      SetState(wsConnected);
      if (SessionEnded(session)) return;
      FireSessionConnected(Error);
      if (SessionEnded(session)) return;
    }
    ReceiveLoop(Error, component_options_);
    if (SessionEnded(session)) return;
  }
  if (Bits & FdWrite) {
    TryToSend();
    if (SessionEnded(session)) return;
    if (all_sent_) {
      FireDataSent(Error);
      if (SessionEnded(session)) return;
    }
  }
  if (Bits & FdAccept) {
    FireSessionAvailable(Error);
    if (SessionEnded(session)) return;
  }
  if (Bits & FdClose) HandleCloseBit(Error, session);
}

// Everything still pending is delivered before OnSessionClosed.
void TCustomWSocket::HandleCloseBit(std::uint16_t Error, std::uint64_t session) {
  if (state_ == wsConnecting) return;
  if (state_ == wsConnected) {
    ReceiveLoop(0, TWSocketOptions(component_options_).Exclude(wsoNoReceiveLoop));
    if (SessionEnded(session)) return;
  }
  if (!close_notified_) {
    close_notified_ = true;
    FireSessionClosed(Error);
    if (SessionEnded(session)) return;
  }
  if (state_ != wsClosed) Close();
}

// Raises OnDataAvailable while the OS holds data. A pass whose handler did
// not call Receive ends the loop: asking again would only spin.
void TCustomWSocket::ReceiveLoop(std::uint16_t Error, TWSocketOptions Options) {
  const std::uint64_t session = session_;
  for (;;) {
    last_error_ = 0;
    const std::uint64_t calls = receive_calls_;
    if (!FireDataAvailable(Error)) {
      char scratch[kDiscardStep];
      if (Receive(scratch, sizeof scratch) < 0 && last_error_ == WSAEWOULDBLOCK) {
        last_error_ = 0;
        return;
      }
    }
    if (SessionEnded(session)) return;
    if (Options.Contains(wsoNoReceiveLoop) || last_error_ != 0) return;
    const int count = ReadableCount();
    if (count < 0) {
      last_error_ = WinsockErrorFromErrno(errno);
      return;
    }
    if (count == 0 || receive_calls_ == calls) return;
  }
}

int TCustomWSocket::Receive(void* Buffer, int BufferSize) {
  ++receive_calls_;
  return FinishReceive(RecvRaw(Buffer, BufferSize, 0));
}

int TCustomWSocket::ReceiveToPipe(int PipeFd, int Len) {
  ++receive_calls_;
  if (!ReadsFromHandle()) return FinishReceive(CopyToPipe(PipeFd, Len));
  return FinishReceive(static_cast<int>(::splice(socket_handle_, nullptr, PipeFd, nullptr,
                                                 static_cast<std::size_t>(std::max(Len, 0)),
                                                 SPLICE_F_MOVE | SPLICE_F_NONBLOCK)));
}

int TCustomWSocket::FinishReceive(int Count) {
  if (Count < 0) {
    last_error_ = WinsockErrorFromErrno(errno);
  } else {
    read_count_ += Count;
  }
  ReenableRead();
  return Count;
}

// Through RecvRaw, so that every layer's rules hold. Bytes read but not
// taken by the pipe are lost: the caller promised room for them.
int TCustomWSocket::CopyToPipe(int PipeFd, int Len) {
  char scratch[kCopyStep];
  const int count = RecvRaw(scratch, std::min<int>(Len, sizeof scratch), 0);
  for (int done = 0; done < count;) {
    const ssize_t written = ::write(PipeFd, scratch + done, static_cast<std::size_t>(count - done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EPIPE;
      return -1;
    }
    done += static_cast<int>(written);
  }
  return count;
}

std::string TCustomWSocket::ReceiveStr() {
  int count = GetRcvdCount();
  if (count < 0) return std::string();
  if (count == 0) count = 255;
  std::string text(static_cast<std::size_t>(count), '\0');
  const int got = Receive(text.data(), count);
  if (got < 1) return std::string();
  text.resize(static_cast<std::size_t>(got));
  return text;
}

int TCustomWSocket::ReceiveFrom(void* Buffer, int BufferSize, sockaddr_in& From, int& FromLen) {
  ++receive_calls_;
  return FinishReceive(RecvFromRaw(Buffer, BufferSize, From, FromLen));
}

int TCustomWSocket::RecvRaw(void* Buffer, int BufferSize, int Flags) {
  return static_cast<int>(
      ::recv(socket_handle_, Buffer, static_cast<std::size_t>(std::max(BufferSize, 0)), Flags));
}

int TCustomWSocket::RecvFromRaw(void* Buffer, int BufferSize, sockaddr_in& From, int& FromLen) {
  socklen_t length =
      static_cast<socklen_t>(std::clamp(FromLen, 0, static_cast<int>(sizeof(sockaddr_in))));
  const auto count =
      ::recvfrom(socket_handle_, Buffer, static_cast<std::size_t>(std::max(BufferSize, 0)), 0,
                 reinterpret_cast<sockaddr*>(&From), &length);
  FromLen = static_cast<int>(length);
  return static_cast<int>(count);
}

int TCustomWSocket::GetRcvdCount() {
  const int count = ReadableCount();
  if (count < 0) ReportSocketError("ioctlSocket", WinsockErrorFromErrno(errno));
  return count < 0 ? -1 : count;
}

}  // namespace varnel::socket
