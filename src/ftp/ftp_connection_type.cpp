// Connection types: where the control connection goes, the forced passive
// mode, and the SOCKS settings meant for both sockets.
#include "ftp/ftp_client.h"

namespace varnel::ftp {

// The SOCKS layer of the sockets has no settings yet: the level and the
// authentication choice are kept here until it takes them.
void TCustomFtpCli::SetConnectionType(TFtpConnectionType Value) {
  if (link_) throw FtpException("FTP component connected");
  switch (Value) {
    case ftpProxy:
      connection_type_ = ftpProxy;
      passive_ = true;
      socks_authenticate_usercode_ = false;
      return;
    case ftpSocks4:
    case ftpSocks4A:
    case ftpSocks5:
      connection_type_ = Value;
      passive_ = true;
      socks_level_ = Value == ftpSocks4 ? "4" : Value == ftpSocks4A ? "4A" : "5";
      socks_authenticate_usercode_ = true;
      return;
    case ftpDirect:
      break;
  }
  connection_type_ = ftpDirect;
  socks_authenticate_usercode_ = false;
}

// Every proxy and SOCKS type works in passive mode only.
void TCustomFtpCli::SetPassive(bool Value) { passive_ = connection_type_ == ftpDirect ? Value : true; }

void TCustomFtpCli::SetSocksServer(const std::string& Value) { socks_server_ = Value; }

void TCustomFtpCli::SetSocksPort(const std::string& Value) { socks_port_ = Value; }

void TCustomFtpCli::SetSocksUserCode(const std::string& Value) { socks_user_code_ = Value; }

void TCustomFtpCli::SetSocksPassword(const std::string& Value) { socks_password_ = Value; }

}  // namespace varnel::ftp
