// Socket options set on each handle, local binding and multicast.
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

#include "socket/resolve.h"
#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

// 0, or the Winsock error of a failed setsockopt.
int SetOption(int fd, int level, int name, const void* value, socklen_t length) {
  return ::setsockopt(fd, level, name, value, length) == 0 ? 0 : WinsockErrorFromErrno(errno);
}

}  // namespace

bool TCustomWSocket::SetIntOption(int Level, int Name, int Value, const char* ReportName) {
  const int error = SetOption(socket_handle_, Level, Name, &Value, sizeof Value);
  if (error == 0) return true;
  ReportSocketError(ReportName, error);
  return false;
}

// Stream sockets opened by Connect, in the order the options are set.
bool TCustomWSocket::ApplyConnectOptions() {
  if (!SetIntOption(SOL_SOCKET, SO_REUSEADDR, 1, "setsockopt(SO_REUSEADDR)")) return false;
  if (component_options_.Contains(wsoTcpNoDelay) &&
      !SetIntOption(IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(IPPROTO_TCP, TCP_NODELAY)")) {
    return false;
  }
  if (!ApplyLingerOption()) return false;
  if (!SetIntOption(SOL_SOCKET, SO_KEEPALIVE, 1, "setsockopt(SO_KEEPALIVE)")) return false;
  if (local_port_num_ != 0 || local_addr_str_ != "0.0.0.0") return BindLocal();
  return true;
}

// Datagram sockets opened by Connect: always bound, so LocalPort tells the
// port replies come to.
bool TCustomWSocket::ApplyDatagramOptions() {
  if (!BindLocal()) return false;
  if (multicast_ && multicast_ip_ttl_ != 1 &&
      !SetIntOption(IPPROTO_IP, IP_MULTICAST_TTL, multicast_ip_ttl_,
                    "setsockopt(IP_MULTICAST_TTL)")) {
    return false;
  }
  if (remote_sockaddr_.sin_addr.s_addr == INADDR_BROADCAST) {
    return SetIntOption(SOL_SOCKET, SO_BROADCAST, 1, "setsockopt(SO_BROADCAST)");
  }
  return true;
}

bool TCustomWSocket::ApplyLingerOption() {
  if (linger_on_off_ == wsLingerNoSet) return true;
  if (socket_handle_ < 0) {
    ReportError("Cannot set linger option at this time");
    return false;
  }
  linger value{};
  value.l_onoff = linger_on_off_ == wsLingerOn ? 1 : 0;
  value.l_linger = linger_timeout_ & 0xFFFF;
  const int error = SetOption(socket_handle_, SOL_SOCKET, SO_LINGER, &value, sizeof value);
  if (error == 0) return true;
  ReportSocketError("setsockopt(SO_LINGER)", error);
  return false;
}

bool TCustomWSocket::BindLocal() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(local_port_num_);
  local.sin_addr.s_addr = WSocketResolveHost(local_addr_str_);
  if (::bind(socket_handle_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    ReportErrorFmt("winsock.bind failed, error #%d", WinsockErrorFromErrno(errno));
    return false;
  }
  socklen_t length = sizeof local;
  if (::getsockname(socket_handle_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    ReportErrorFmt("winsock.getsockname failed, error #%d", WinsockErrorFromErrno(errno));
    return false;
  }
  local_port_num_ = ntohs(local.sin_port);
  local_port_str_ = std::to_string(local_port_num_);
  return true;
}

// Listen: the handle is bound to Addr/Port. A handle that never got bound is
// released before the report, so a failed Listen leaves nothing open.
bool TCustomWSocket::BindListening() {
  if (socket_type_ == SOCK_DGRAM && reuse_addr_) {
    const int one = 1;
    const int error = SetOption(socket_handle_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (error != 0) {
      ReleaseHandle();
      ReportSocketError("setsockopt(SO_REUSEADDR)", error);
      return false;
    }
  }
  if (::bind(socket_handle_, reinterpret_cast<const sockaddr*>(&remote_sockaddr_),
             sizeof remote_sockaddr_) != 0) {
    const int error = WinsockErrorFromErrno(errno);
    ReleaseHandle();
    ReportSocketError("Bind", error);
    return false;
  }
  const std::uint64_t session = session_;
  SetState(wsBound);
  return !SessionEnded(session);
}

// Joins MultiCastAddrStr on any interface.
bool TCustomWSocket::JoinMulticastGroup() {
  ip_mreq request{};
  std::uint32_t group = INADDR_NONE;
  InetAddr(multicast_addr_str_, group);
  request.imr_multiaddr.s_addr = group;
  request.imr_interface.s_addr = htonl(INADDR_ANY);
  const int error =
      SetOption(socket_handle_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request);
  if (error == 0) return true;
  ReportSocketError("setsockopt(IP MULTICAST)", error);
  return false;
}

}  // namespace varnel::socket
