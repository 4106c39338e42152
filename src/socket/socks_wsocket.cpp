// SOCKS layer: properties, Connect and Listen, the connection hooks, the
// failure routine and the leftover bytes handed out after a reply.
#include "socket/socks_wsocket.h"

#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "socket/resolve.h"
#include "socket/socks_protocol.h"
#include "socket/winsock_errors.h"

namespace varnel::socket {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Calls `event` from a copy, so a handler may replace it while it runs.
template <typename Event, typename... Args>
void Raise(const Event& event, Args... args) {
  if (!event) return;
  const Event handler = event;
  handler(args...);
}

}  // namespace

// ---- properties ----
// The proxy's address and port take the places of Addr and Port in the
// resolution cache, so changing them forgets what was resolved there.

void TCustomSocksWSocket::SetSocksServer(const std::string& Value) {
  if (state_ != wsClosed) {
    ReportError(socks::kMsgServerNotClosed);
    return;
  }
  socks_server_ = TrimBlanks(Value);
  addr_resolved_ = false;
  port_resolved_ = false;
}

void TCustomSocksWSocket::SetSocksPort(const std::string& Value) {
  if (state_ != wsClosed) {
    ReportError(socks::kMsgPortNotClosed);
    return;
  }
  socks_port_ = TrimBlanks(Value);
  port_resolved_ = false;
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& Value) {
  const std::string level = socks::NormalizeSocksLevel(Value);
  if (level.empty()) {
    ReportError(socks::kMsgInvalidLevel);
    return;
  }
  if (state_ != wsClosed) {
    ReportError(socks::kMsgLevelNotClosed);
    return;
  }
  socks_level_ = level;
}

void TCustomSocksWSocket::SetSocksUsercode(const std::string& Value) {
  const std::string problem = socks::SocksFieldProblem("Socks user code", Value, true);
  if (!problem.empty()) {
    ReportError(problem);
    return;
  }
  socks_usercode_ = Value;
}

void TCustomSocksWSocket::SetSocksPassword(const std::string& Value) {
  const std::string problem = socks::SocksFieldProblem("Socks password", Value, false);
  if (!problem.empty()) {
    ReportError(problem);
    return;
  }
  socks_password_ = Value;
}

void TCustomSocksWSocket::ResetToDefaults() {
  TCustomWSocket::ResetToDefaults();
  socks_server_.clear();
  socks_port_.clear();
  socks_level_ = std::string("5");
  socks_state_ = socksIdle;
  reply_count_ = 0;
  negotiation_read_ = 0;
  leftover_count_ = 0;
}

// ---- Connect and Listen ----

void TCustomSocksWSocket::Connect() {
  // A socket in use keeps its negotiation; the core reports the misuse.
  if (socket_handle_ >= 0 && state_ != wsClosed) {
    TCustomWSocket::Connect();
    return;
  }
  socks_state_ = socksIdle;
  if (socks_server_.empty()) {
    TCustomWSocket::Connect();
    return;
  }
  if (Lower(proto_str_) != "tcp") {
    ReportError(socks::kMsgTcpOnly);
    return;
  }
  // Versions 4A and 5 send Addr itself; refuse what cannot go on the wire.
  if (socks_level_ != "4") {
    const std::string problem = socks::SocksFieldProblem("Socks host name", addr_str_, true);
    if (!problem.empty()) {
      ReportError(problem);
      return;
    }
  }
  if (!ResolveProxy()) return;
  TCustomWSocket::Connect();
  if (state_ == wsConnecting) {
    socks_state_ = socksWaitingMethod;
    reply_count_ = 0;
    negotiation_read_ = 0;
  }
}

// The core connects to what is resolved here: the proxy. Addr stays
// unresolved; version 4 resolves it when it builds its request.
bool TCustomSocksWSocket::ResolveProxy() {
  try {
    if (!port_resolved_) {
      port_num_ = static_cast<std::uint16_t>(WSocketResolvePort(socks_port_, proto_str_));
      remote_sockaddr_.sin_port = htons(port_num_);
      port_resolved_ = true;
    }
    if (!addr_resolved_) {
      remote_sockaddr_.sin_addr.s_addr = WSocketResolveHost(socks_server_);
      addr_resolved_ = true;
    }
    target_port_ = static_cast<std::uint16_t>(WSocketResolvePort(port_str_, proto_str_));
  } catch (const ESocketException& e) {
    ReportError("connect: " + std::string(e.what()));
    return false;
  }
  return true;
}

void TCustomSocksWSocket::Listen() {
  if (!socks_server_.empty()) {
    ReportError(socks::kMsgNoListen);
    return;
  }
  TCustomWSocket::Listen();
}

// ---- connection hooks ----

void TCustomSocksWSocket::FireSessionConnected(std::uint16_t Error) {
  if (socks_state_ != socksWaitingMethod) {
    TCustomWSocket::FireSessionConnected(Error);
    return;
  }
  const std::uint64_t session = session_;
  FireSocksConnected(Error);
  if (SessionEnded(session)) return;
  if (Error != 0) {
    socks_state_ = socksIdle;
    TCustomWSocket::FireSessionConnected(Error);
    return;
  }
  if (Socks4()) {
    SendSocksRequest();
  } else {
    SendMethodSelection();
  }
}

// A proxy that ends the connection before the relay is up has failed the
// negotiation: the code above hears that from OnSessionConnected, as for
// any refusal, and not from a bare OnSessionClosed that looks like the end
// of a working session.
void TCustomSocksWSocket::FireSessionClosed(std::uint16_t Error) {
  if (socks_state_ == socksWaitingAuth) FireSocksAuthState(socksAuthFailed);
  if (socks_state_ == socksIdle || state_ == wsClosed) {
    TCustomWSocket::FireSessionClosed(Error);
    return;
  }
  const std::uint16_t code = Error != 0 ? Error : static_cast<std::uint16_t>(WSAECONNABORTED);
  FailSocks(code, socks::kMsgProxyClosed);
  TCustomWSocket::FireSessionClosed(code);
}

void TCustomSocksWSocket::FailSocks(int Code, const std::string& Msg) {
  const std::uint64_t session = session_;
  FireSocksError(Code, Msg);
  if (SessionEnded(session)) return;
  socks_state_ = socksIdle;
  FireSessionConnected(static_cast<std::uint16_t>(Code));
  if (SessionEnded(session)) return;
  Disconnect(true, static_cast<std::uint16_t>(Code));
}

void TCustomSocksWSocket::FireSocksConnected(std::uint16_t Error) {
  Raise(OnSocksConnected, this, Error);
}

void TCustomSocksWSocket::FireSocksError(int Error, const std::string& Msg) {
  Raise(OnSocksError, this, Error, Msg);
}

void TCustomSocksWSocket::FireSocksAuthState(TSocksAuthState AuthState) {
  Raise(OnSocksAuthState, this, AuthState);
}

// ---- leftover bytes ----

int TCustomSocksWSocket::GetRcvdCount() {
  if (HasLeftover()) return static_cast<int>(leftover_count_);
  return TCustomWSocket::GetRcvdCount();
}

// The bytes behind the proxy's last reply are read first; the replies
// themselves are the negotiation's.
bool TCustomSocksWSocket::ReadsFromHandle() const {
  return socks_state_ == socksIdle && !HasLeftover() && TCustomWSocket::ReadsFromHandle();
}

int TCustomSocksWSocket::RecvRaw(void* Buffer, int BufferSize, int Flags) {
  if (!HasLeftover()) return TCustomWSocket::RecvRaw(Buffer, BufferSize, Flags);
  const std::size_t count =
      std::min(static_cast<std::size_t>(std::max(BufferSize, 0)), leftover_count_);
  std::memcpy(Buffer, reply_.data() + leftover_pos_, count);
  if ((Flags & MSG_PEEK) == 0) {
    leftover_pos_ += count;
    leftover_count_ -= count;
  }
  return static_cast<int>(count);
}

}  // namespace varnel::socket
