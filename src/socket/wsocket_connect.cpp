// Opening connections: Connect, Listen, Accept and Dup.
#include <fcntl.h>
#include <sys/socket.h>

#include <cerrno>

#include "socket/resolve.h"
#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

constexpr int kListenBacklog = 5;
constexpr std::uint16_t kConnectMask = FdRead | FdWrite | FdAccept | FdConnect | FdClose;
constexpr std::uint16_t kListenMask = FdRead | FdWrite | FdAccept | FdClose;
constexpr std::uint16_t kDupMask = FdRead | FdWrite | FdConnect | FdClose;

}  // namespace

// Resolves what is not resolved yet; a resolution failure is reported with
// `Prefix` in front of its message.
bool TCustomWSocket::ResolveTarget(const char* Prefix, bool WithLocalPort) {
  try {
    if (!proto_resolved_) {
      proto_ = WSocketResolveProto(proto_str_);
      socket_type_ = proto_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
      proto_resolved_ = true;
    }
    if (!port_resolved_) {
      port_num_ = static_cast<std::uint16_t>(WSocketResolvePort(port_str_, proto_str_));
      remote_sockaddr_.sin_port = htons(port_num_);
      port_resolved_ = true;
    }
    if (WithLocalPort && !local_port_resolved_) {
      local_port_num_ = static_cast<std::uint16_t>(WSocketResolvePort(local_port_str_, proto_str_));
      local_port_resolved_ = true;
    }
    if (!addr_resolved_) {
      remote_sockaddr_.sin_addr.s_addr = WSocketResolveHost(addr_str_);
      addr_resolved_ = true;
    }
  } catch (const ESocketException& e) {
    ReportError(Prefix + std::string(e.what()));
    return false;
  }
  return true;
}

// A handle left over from an earlier failure is released, never leaked.
bool TCustomWSocket::OpenHandle(const char* FunctionName) {
  if (socket_handle_ >= 0) ReleaseHandle();
  const int fd = ::socket(AF_INET, socket_type_ | SOCK_NONBLOCK | SOCK_CLOEXEC, proto_);
  if (fd < 0) {
    ReportSocketError(FunctionName, WinsockErrorFromErrno(errno));
    return false;
  }
  AdoptHandle(fd);
  return true;
}

void TCustomWSocket::Connect() {
  if (socket_handle_ >= 0 && state_ != wsClosed) {
    ReportError("Connect: Socket already in use");
    return;
  }
  if (!port_assigned_) {
    ReportError("Connect: No Port Specified");
    return;
  }
  if (!addr_assigned_) {
    ReportError("Connect: No IP Address Specified");
    return;
  }
  if (!proto_assigned_) {
    ReportError("Connect: No Protocol Specified");
    return;
  }
  if (!ResolveTarget("connect: ", true)) return;
  DiscardSendBuffer();
  if (!OpenHandle("Connect (socket)")) return;
  const std::uint64_t session = session_;
  SetState(wsOpened);
  if (SessionEnded(session)) return;
  const bool datagram = socket_type_ == SOCK_DGRAM;
  if (!(datagram ? ApplyDatagramOptions() : ApplyConnectOptions()) || SessionEnded(session)) {
    return;
  }
  RegisterEvents(kConnectMask, datagram);
  if (!datagram) {
    StartConnect();
    return;
  }
  SetState(wsConnected);
  if (!SessionEnded(session)) FireSessionConnected(0);
}

void TCustomWSocket::StartConnect() {
  if (::connect(socket_handle_, reinterpret_cast<const sockaddr*>(&remote_sockaddr_),
                sizeof remote_sockaddr_) == 0 ||
      errno == EINPROGRESS) {
    SetState(wsConnecting);
    return;
  }
  last_error_ = WinsockErrorFromErrno(errno);
  ReportSocketError("Connect", last_error_);
}

void TCustomWSocket::Listen() {
  if (!port_assigned_) {
    ReportSocketError("listen: port not assigned", WSAEINVAL);
    return;
  }
  if (!proto_assigned_) {
    ReportSocketError("listen: protocol not assigned", WSAEINVAL);
    return;
  }
  if (!addr_assigned_) {
    ReportSocketError("listen: address not assigned", WSAEINVAL);
    return;
  }
  if (!ResolveTarget("listen: ", false)) return;
  DiscardSendBuffer();
  if (!OpenHandle("socket")) return;
  if (!BindListening()) return;
  FinishListen();
}

// From wsBound: a datagram socket is ready at once, a stream socket listens.
void TCustomWSocket::FinishListen() {
  const std::uint64_t session = session_;
  const bool datagram = socket_type_ == SOCK_DGRAM;
  if (datagram && multicast_ && !JoinMulticastGroup()) return;
  if (datagram) {
    SetState(wsListening);
    if (SessionEnded(session)) return;
    SetState(wsConnected);
    if (SessionEnded(session)) return;
    FireSessionConnected(0);
  } else {
    if (::listen(socket_handle_, kListenBacklog) != 0) {
      ReportSocketError("Listen", WinsockErrorFromErrno(errno));
      return;
    }
    SetState(wsListening);
  }
  if (!SessionEnded(session)) RegisterEvents(kListenMask, datagram);
}

int TCustomWSocket::Accept() {
  if (state_ != wsListening) {
    ReportSocketError("not a listening socket", WSAEINVAL);
    return -1;
  }
  socklen_t length = sizeof remote_sockaddr_;
  const int fd = ::accept4(socket_handle_, reinterpret_cast<sockaddr*>(&remote_sockaddr_),
                           &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  const int error = fd < 0 ? WinsockErrorFromErrno(errno) : 0;
  // As Winsock: the next pending connection is announced after an accept.
  accept_enabled_ = true;
  UpdateInterest();
  if (fd < 0) {
    ReportSocketError("Accept", error);
    return -1;
  }
  return fd;
}

// Negative descriptors are invalid; 0 is a valid descriptor here.
void TCustomWSocket::Dup(int NewHandle) {
  if (NewHandle < 0) {
    ReportSocketError("Dup", WSAEINVAL);
    return;
  }
  if (state_ != wsClosed) {
    const int close_errno = socket_handle_ >= 0 ? ReleaseHandle() : 0;
    if (close_errno != 0) {
      ReportSocketError("Dup (closesocket)", WinsockErrorFromErrno(close_errno));
      return;
    }
    const std::uint64_t session = session_;
    SetState(wsClosed);
    if (SessionEnded(session)) return;
  }
  if (socket_handle_ >= 0) ReleaseHandle();
  AdoptHandle(NewHandle);
  // A handle from elsewhere follows the rules of our own ones.
  ::fcntl(NewHandle, F_SETFL, ::fcntl(NewHandle, F_GETFL) | O_NONBLOCK);
  ::fcntl(NewHandle, F_SETFD, FD_CLOEXEC);
  const std::uint64_t session = session_;
  if (!ApplyLingerOption() || SessionEnded(session)) return;
  RegisterEvents(kDupMask, true);
  SetState(wsConnected);
}

}  // namespace varnel::socket
