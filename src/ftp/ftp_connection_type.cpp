// Connection types: where the control connection goes, the forced passive
// mode, the SOCKS settings of both sockets and who resolves the server's
// name.
#include "ftp/ftp_client.h"
#include "socket/resolve.h"

namespace varnel::ftp {
namespace {

// The SOCKS level a connection type selects; empty for the types that keep
// whatever level the sockets have.
const char* SocksLevelOf(TFtpConnectionType type) {
  switch (type) {
    case ftpSocks4:
      return "4";
    case ftpSocks4A:
      return "4A";
    case ftpSocks5:
      return "5";
    default:
      return "";
  }
}

}  // namespace

// Selecting ftpDirect or ftpProxy leaves the SOCKS server and level alone:
// whether SOCKS is used is decided by a non-empty SocksServer.
void TCustomFtpCli::SetConnectionType(TFtpConnectionType Value) {
  if (link_) throw FtpException("FTP component connected");
  const bool known = Value == ftpProxy || Value == ftpSocks4 || Value == ftpSocks4A ||
                     Value == ftpSocks5;
  const std::string level = SocksLevelOf(Value);
  const socket::TSocksAuthentication authentication =
      level.empty() ? socket::socksNoAuthentication : socket::socksAuthenticateUsercode;
  for (socket::TWSocket* socket : {&control_socket_, &data_socket_}) {
    if (!level.empty()) socket->SetSocksLevel(level);
    socket->SetSocksAuthentication(authentication);
  }
  if (!level.empty()) socks_.level = level;
  socks_.authentication = authentication;
  connection_type_ = known ? Value : ftpDirect;
  if (known) passive_ = true;
}

// Every proxy and SOCKS type works in passive mode only.
void TCustomFtpCli::SetPassive(bool Value) { passive_ = connection_type_ == ftpDirect ? Value : true; }

// The sockets trim and check the value; the engine keeps what they took.
void TCustomFtpCli::SetSocksServer(const std::string& Value) {
  control_socket_.SetSocksServer(Value);
  data_socket_.SetSocksServer(Value);
  socks_.server = control_socket_.SocksServer();
}

void TCustomFtpCli::SetSocksPort(const std::string& Value) {
  control_socket_.SetSocksPort(Value);
  data_socket_.SetSocksPort(Value);
  socks_.port = control_socket_.SocksPort();
}

void TCustomFtpCli::SetSocksUserCode(const std::string& Value) {
  control_socket_.SetSocksUsercode(Value);
  data_socket_.SetSocksUsercode(Value);
  socks_.usercode = control_socket_.SocksUsercode();
}

void TCustomFtpCli::SetSocksPassword(const std::string& Value) {
  control_socket_.SetSocksPassword(Value);
  data_socket_.SetSocksPassword(Value);
  socks_.password = control_socket_.SocksPassword();
}

// SOCKS 4A and 5 carry a host name to the proxy, which resolves it on its
// side: the engine does not look the name up itself, so a name that only
// the proxy's side knows works. A numeric address needs no lookup, and
// SOCKS 4 carries addresses only.
bool TCustomFtpCli::SocksResolvesName(const std::string& Name) const {
  if (socks_.server.empty() || socks_.level == "4" || Name.empty()) return false;
  std::uint32_t address = 0;
  return !socket::InetAddr(Name, address);
}

// Run on a closed socket right before it connects or listens: its last
// close put the SOCKS server, port and level back to their defaults.
void TCustomFtpCli::ApplySocksSettings(socket::TWSocket& Socket) const {
  Socket.SetSocksServer(socks_.server);
  Socket.SetSocksPort(socks_.port);
  Socket.SetSocksLevel(socks_.level);
  Socket.SetSocksUsercode(socks_.usercode);
  Socket.SetSocksPassword(socks_.password);
  // Version 5 offers user name and password as its only method when asked
  // to authenticate, which every proxy without authentication refuses; so
  // the offer is made only when there is a user code to send.
  const bool offer_credentials =
      socks_.authentication == socket::socksAuthenticateUsercode && !socks_.usercode.empty();
  Socket.SetSocksAuthentication(offer_credentials ? socket::socksAuthenticateUsercode
                                                  : socket::socksNoAuthentication);
}

}  // namespace varnel::ftp
