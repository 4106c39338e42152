// Connection types: where the control connection goes, the forced passive
// mode, and the SOCKS settings of both sockets.
#include "ftp/ftp_client.h"

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

// Selecting ftpDirect or ftpProxy leaves SocksServer and SocksLevel alone:
// whether SOCKS is used is decided by the sockets (a non-empty SocksServer).
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
  connection_type_ = known ? Value : ftpDirect;
  if (known) passive_ = true;
}

// Every proxy and SOCKS type works in passive mode only.
void TCustomFtpCli::SetPassive(bool Value) { passive_ = connection_type_ == ftpDirect ? Value : true; }

void TCustomFtpCli::SetSocksServer(const std::string& Value) {
  control_socket_.SetSocksServer(Value);
  data_socket_.SetSocksServer(Value);
}

void TCustomFtpCli::SetSocksPort(const std::string& Value) {
  control_socket_.SetSocksPort(Value);
  data_socket_.SetSocksPort(Value);
}

void TCustomFtpCli::SetSocksUserCode(const std::string& Value) {
  control_socket_.SetSocksUsercode(Value);
  data_socket_.SetSocksUsercode(Value);
}

void TCustomFtpCli::SetSocksPassword(const std::string& Value) {
  control_socket_.SetSocksPassword(Value);
  data_socket_.SetSocksPassword(Value);
}

}  // namespace varnel::ftp
