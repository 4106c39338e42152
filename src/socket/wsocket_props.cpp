// Property setters and the address queries.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "socket/resolve.h"
#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

socklen_t AddressLength(int requested) {
  return static_cast<socklen_t>(std::clamp(requested, 0, static_cast<int>(sizeof(sockaddr_in))));
}

}  // namespace

void TCustomWSocket::SetAddr(const std::string& Value) {
  if (addr_assigned_ && addr_str_ == Value) return;
  if (state_ != wsClosed) {
    ReportError("Cannot change Addr if not closed");
    return;
  }
  addr_str_ = TrimBlanks(Value);
  addr_resolved_ = false;
  addr_assigned_ = !addr_str_.empty();
}

void TCustomWSocket::SetPort(const std::string& Value) {
  if (port_assigned_ && port_str_ == Value) return;
  if (state_ != wsClosed) {
    ReportError("Cannot change Port if not closed");
    return;
  }
  port_str_ = TrimBlanks(Value);
  port_resolved_ = false;
  port_assigned_ = !port_str_.empty();
}

void TCustomWSocket::SetProto(const std::string& Value) {
  if (proto_assigned_ && proto_str_ == Value) return;
  if (state_ != wsClosed) {
    ReportError("Cannot change Proto if not closed");
    return;
  }
  proto_str_ = TrimBlanks(Value);
  proto_resolved_ = false;
  proto_assigned_ = !proto_str_.empty();
}

void TCustomWSocket::SetLocalAddr(const std::string& Value) {
  if (state_ != wsClosed) {
    ReportError("Cannot change LocalAddr if not closed");
    return;
  }
  std::uint32_t address = INADDR_NONE;
  if (!InetAddr(Value.empty() ? std::string("0.0.0.0") : Value, address)) {
    ReportError("SetLocalAddr(): Invalid IP address");
    address = INADDR_NONE;
  }
  local_addr_str_ = DottedAddress(address);
}

void TCustomWSocket::SetLocalPort(const std::string& Value) {
  if (state_ != wsClosed) {
    ReportError("Cannot change LocalPort if not closed");
    return;
  }
  local_port_str_ = Value;
  local_port_resolved_ = false;
}

// Only 0 and MSG_OOB are ever stored.
TSocketSendFlags TCustomWSocket::SendFlags() const {
  return send_flags_ == MSG_OOB ? wsSendUrgent : wsSendNormal;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags Value) {
  switch (Value) {
    case wsSendNormal:
      send_flags_ = 0;
      return;
    case wsSendUrgent:
      send_flags_ = MSG_OOB;
      return;
  }
  ReportError("Invalid SendFlags");
}

std::string TCustomWSocket::GetPeerAddr() {
  if (state_ != wsConnected) return "error";
  sockaddr_in name{};
  socklen_t length = sizeof name;
  if (::getpeername(socket_handle_, reinterpret_cast<sockaddr*>(&name), &length) != 0) {
    ReportSocketError("GetPeerName", WinsockErrorFromErrno(errno));
    return "error";
  }
  return DottedAddress(name.sin_addr.s_addr);
}

std::string TCustomWSocket::GetPeerPort() {
  if (state_ != wsConnected) return "error";
  sockaddr_in name{};
  socklen_t length = sizeof name;
  if (::getpeername(socket_handle_, reinterpret_cast<sockaddr*>(&name), &length) != 0) {
    ReportSocketError("GetPeerPort", WinsockErrorFromErrno(errno));
    return "error";
  }
  return std::to_string(ntohs(name.sin_port));
}

int TCustomWSocket::GetPeerName(sockaddr_in& Name, int NameLen) {
  if (state_ != wsConnected) return -1;
  socklen_t length = AddressLength(NameLen);
  return ::getpeername(socket_handle_, reinterpret_cast<sockaddr*>(&Name), &length);
}

int TCustomWSocket::GetSockName(sockaddr_in& Name, int& NameLen) {
  socklen_t length = AddressLength(NameLen);
  const int result = ::getsockname(socket_handle_, reinterpret_cast<sockaddr*>(&Name), &length);
  NameLen = static_cast<int>(length);
  return result;
}

std::string TCustomWSocket::GetLocalAddrText() {
  if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
  sockaddr_in name{};
  int length = sizeof name;
  if (GetSockName(name, length) != 0) return "error";
  return DottedAddress(name.sin_addr.s_addr);
}

std::string TCustomWSocket::GetLocalPortText() {
  if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
  sockaddr_in name{};
  int length = sizeof name;
  if (GetSockName(name, length) != 0) return "error";
  return std::to_string(ntohs(name.sin_port));
}

}  // namespace varnel::socket
