// Request numbers, connection types with their forced passive mode, and
// the refusal to change the type while connected.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "ftp/ftp_client.h"
#include "runtime/test_event_loop.h"

namespace varnel::ftp {
namespace {

// ---- request numbers: the session log shows them ("Request 7 Done.") ----

struct RequestNumber {
  TFtpRequest code;
  int number;
};

class RequestNumbers : public ::testing::TestWithParam<RequestNumber> {};

TEST_P(RequestNumbers, AreFixed) { EXPECT_EQ(static_cast<int>(GetParam().code), GetParam().number); }

INSTANTIATE_TEST_SUITE_P(
    Codes, RequestNumbers,
    ::testing::Values(
        RequestNumber{ftpNone, 0}, RequestNumber{ftpOpenAsync, 1}, RequestNumber{ftpUserAsync, 2},
        RequestNumber{ftpPassAsync, 3}, RequestNumber{ftpCwdAsync, 4},
        RequestNumber{ftpConnectAsync, 5}, RequestNumber{ftpReceiveAsync, 6},
        RequestNumber{ftpDirAsync, 7}, RequestNumber{ftpLsAsync, 8},
        RequestNumber{ftpPortAsync, 9}, RequestNumber{ftpGetAsync, 10},
        RequestNumber{ftpDirectoryAsync, 11}, RequestNumber{ftpNameListAsync, 12},
        RequestNumber{ftpSystemAsync, 13}, RequestNumber{ftpSystAsync, 14},
        RequestNumber{ftpQuitAsync, 15}, RequestNumber{ftpAborAsync, 16},
        RequestNumber{ftpSizeAsync, 17}, RequestNumber{ftpPutAsync, 18},
        RequestNumber{ftpAppendAsync, 19}, RequestNumber{ftpMkdAsync, 22},
        RequestNumber{ftpRmdAsync, 23}, RequestNumber{ftpRenameAsync, 24},
        RequestNumber{ftpDeleAsync, 25}, RequestNumber{ftpRenAsync, 26},
        RequestNumber{ftpRenToAsync, 27}, RequestNumber{ftpRenFromAsync, 28},
        RequestNumber{ftpDeleteAsync, 29}, RequestNumber{ftpMkdirAsync, 30},
        RequestNumber{ftpRmdirAsync, 31}, RequestNumber{ftpPwdAsync, 32},
        RequestNumber{ftpQuoteAsync, 33}, RequestNumber{ftpCDupAsync, 34},
        RequestNumber{ftpDoQuoteAsync, 35}, RequestNumber{ftpTransmitAsync, 36},
        RequestNumber{ftpTypeSetAsync, 37}, RequestNumber{ftpRestAsync, 38},
        RequestNumber{ftpRestGetAsync, 39}, RequestNumber{ftpRestartReceiveAsync, 40},
        RequestNumber{ftpRestPutAsync, 41}, RequestNumber{ftpRestartTransmitAsync, 42}));

// ---- connection types ----

struct TypeCase {
  TFtpConnectionType set;
  TFtpConnectionType stored;
  bool passive_after_false;
  std::string socks_level;
  bool authenticate;
};

class ConnectionTypes : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ConnectionTypes, StoreTheTypeAndForcePassiveExceptDirect) {
  const TypeCase& c = GetParam();
  TFtpClient ftp;
  ftp.SetConnectionType(c.set);
  EXPECT_EQ(ftp.ConnectionType(), c.stored);
  ftp.SetPassive(false);
  EXPECT_EQ(ftp.Passive(), c.passive_after_false);
  ftp.SetPassive(true);
  EXPECT_TRUE(ftp.Passive());
  for (socket::TWSocket* socket : {&ftp.ControlSocket(), &ftp.DataSocket()}) {
    EXPECT_EQ(socket->SocksLevel(), c.socks_level);
    EXPECT_EQ(socket->SocksAuthentication(), c.authenticate ? socket::socksAuthenticateUsercode
                                                            : socket::socksNoAuthentication);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, ConnectionTypes,
    ::testing::Values(TypeCase{ftpDirect, ftpDirect, false, "5", false},
                      TypeCase{ftpProxy, ftpProxy, true, "5", false},
                      TypeCase{ftpSocks4, ftpSocks4, true, "4", true},
                      TypeCase{ftpSocks4A, ftpSocks4A, true, "4A", true},
                      TypeCase{ftpSocks5, ftpSocks5, true, "5", true},
                      TypeCase{static_cast<TFtpConnectionType>(17), ftpDirect, false, "5",
                               false}));

TEST(ConnectionType, SwitchingBackToDirectKeepsLevelAndPassive) {
  TFtpClient ftp;
  ftp.SetConnectionType(ftpSocks4A);
  ftp.SetConnectionType(ftpDirect);
  for (socket::TWSocket* socket : {&ftp.ControlSocket(), &ftp.DataSocket()}) {
    EXPECT_EQ(socket->SocksLevel(), "4A");
    EXPECT_EQ(socket->SocksAuthentication(), socket::socksNoAuthentication);
  }
  EXPECT_TRUE(ftp.Passive());
  ftp.SetPassive(false);
  EXPECT_FALSE(ftp.Passive());
}

TEST(ConnectionType, SocksPropertiesReachBothSockets) {
  TFtpClient ftp;
  ftp.SetSocksServer("  socks.example.org ");
  ftp.SetSocksPort("1080");
  ftp.SetSocksUserCode("anna");
  ftp.SetSocksPassword("secret");
  EXPECT_EQ(ftp.SocksServer(), "socks.example.org");
  EXPECT_EQ(ftp.SocksPort(), "1080");
  EXPECT_EQ(ftp.SocksUserCode(), "anna");
  EXPECT_EQ(ftp.SocksPassword(), "secret");
  for (socket::TWSocket* socket : {&ftp.ControlSocket(), &ftp.DataSocket()}) {
    EXPECT_EQ(socket->SocksServer(), "socks.example.org");
    EXPECT_EQ(socket->SocksPort(), "1080");
    EXPECT_EQ(socket->SocksUsercode(), "anna");
    EXPECT_EQ(socket->SocksPassword(), "secret");
  }
}

// A loopback listener that takes the TCP connection and never answers, so
// that the engine holds a connected control socket waiting for its banner.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd_, 1) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ADD_FAILURE() << "no loopback listener";
    }
    port_ = ntohs(address.sin_port);
  }
  ~SilentListener() { ::close(fd_); }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  std::string Port() const { return std::to_string(port_); }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Pumps until the control socket is connected (or five seconds passed).
bool WaitConnected(TCustomFtpCli& ftp) {
  return varnel::testing::RunUntil(
      [&] { return ftp.ControlSocket().State() == socket::wsConnected; }, 5000);
}

// The real server's name is only ever sent in USER: an unresolvable host
// name proves that the engine resolved and dialled the proxy instead.
TEST(FtpProxy, ControlConnectionGoesToTheProxyOnProxyPort) {
  SilentListener proxy;
  TFtpClient ftp;
  ftp.SetConnectionType(ftpProxy);
  ftp.SetHostName("ftp.example.invalid");
  ftp.SetPort("2121");
  ftp.SetProxyServer("127.0.0.1");
  ftp.SetProxyPort(proxy.Port());
  ftp.OpenAsync();
  ASSERT_TRUE(WaitConnected(ftp));
  EXPECT_EQ(ftp.ControlSocket().Addr(), "127.0.0.1");
  EXPECT_EQ(ftp.ControlSocket().Port(), proxy.Port());
  ftp.AbortAsync();
}

TEST(FtpProxy, EmptyProxyPortFallsBackToPort) {
  SilentListener proxy;
  TFtpClient ftp;
  ftp.SetConnectionType(ftpProxy);
  ftp.SetHostName("ftp.example.invalid");
  ftp.SetPort(proxy.Port());
  ftp.SetProxyServer("127.0.0.1");
  ftp.SetProxyPort("");
  ftp.OpenAsync();
  ASSERT_TRUE(WaitConnected(ftp));
  EXPECT_EQ(ftp.ControlSocket().Port(), proxy.Port());
  ftp.AbortAsync();
}

TEST(ConnectionType, CannotChangeWhileConnected) {
  SilentListener listener;
  TFtpClient ftp;
  ftp.SetConnectionType(ftpProxy);
  ftp.SetConnectionType(ftpDirect);
  ftp.SetHostName("127.0.0.1");
  ftp.SetPort(listener.Port());
  ftp.OpenAsync();
  ASSERT_TRUE(WaitConnected(ftp));
  EXPECT_EQ(ftp.State(), ftpWaitingBanner);
  try {
    ftp.SetConnectionType(ftpSocks5);
    ADD_FAILURE() << "the type changed while connected";
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "FTP component connected");
  }
  EXPECT_EQ(ftp.ConnectionType(), ftpDirect);
  EXPECT_THROW(ftp.SetSocksServer("socks.example.org"), socket::ESocketException);
  ftp.AbortAsync();
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_NO_THROW(ftp.SetConnectionType(ftpSocks5));
}

}  // namespace
}  // namespace varnel::ftp
