// Connection-type changes around a real session: refused while connected,
// and a switch from SOCKS 5 back to direct that keeps the SOCKS level and
// passive mode until the application changes them.
#include <gtest/gtest.h>

#include <string>

#include "ftp/support/real_session.h"
#include "servers/socks/socks_servers.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::socks::DanteServer;

void ExpectLevelOnBothSockets(TFtpClient& ftp, const std::string& level) {
  EXPECT_EQ(ftp.ControlSocket().SocksLevel(), level);
  EXPECT_EQ(ftp.DataSocket().SocksLevel(), level);
}

TEST(ConnectionTypeChange, IsRefusedWhileConnectedAndLeavesTheSessionAsItWas) {
  RealSession session(FtpServerKind::kPyftpdlib, false);
  session.ftp.SetConnectionType(ftpSocks4);
  session.ftp.SetConnectionType(ftpDirect);
  session.ftp.SetPassive(false);
  session.LogIn();
  try {
    session.ftp.SetConnectionType(ftpSocks5);
    ADD_FAILURE() << "the type changed while connected";
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "FTP component connected");
  }
  EXPECT_EQ(session.ftp.ConnectionType(), ftpDirect);
  EXPECT_FALSE(session.ftp.Passive());
  ExpectLevelOnBothSockets(session.ftp, "4");
  EXPECT_EQ(session.ftp.ControlSocket().SocksAuthentication(), socket::socksNoAuthentication);

  session.ftp.SetLocalFileName(session.folder.File("listing.txt"));
  ASSERT_TRUE(session.Succeeds(&TCustomFtpCli::DirAsync, ftpDirAsync));
  EXPECT_TRUE(session.probe.DisplayedPrefix("> PORT ")) << session.probe.Log();

  ASSERT_TRUE(session.Succeeds(&TCustomFtpCli::QuitAsync, ftpQuitAsync));
  ASSERT_TRUE(RunUntil([&] { return !session.ftp.Connected(); }));
  session.ftp.SetConnectionType(ftpSocks5);
  EXPECT_EQ(session.ftp.ConnectionType(), ftpSocks5);
  EXPECT_TRUE(session.ftp.Passive());
}

// The SOCKS server stays set, so the direct type still goes through it
// (without offering authentication); active mode cannot listen through a
// proxy and is refused every time, passive mode works.
TEST(ConnectionTypeChange, Socks5ToDirectKeepsLevelServerAndPassive) {
  DanteServer dante;
  RealSession session(FtpServerKind::kPyftpdlib, false);
  TFtpClient& ftp = session.ftp;
  ftp.SetConnectionType(ftpSocks5);
  ftp.SetSocksServer("127.0.0.1");
  ftp.SetSocksPort(dante.PortText());
  ftp.SetConnectionType(ftpDirect);
  ExpectLevelOnBothSockets(ftp, "5");
  EXPECT_EQ(ftp.DataSocket().SocksAuthentication(), socket::socksNoAuthentication);
  EXPECT_TRUE(ftp.Passive());

  session.LogIn();
  EXPECT_EQ(ftp.ControlSocket().GetPeerPort(), dante.PortText());
  std::vector<std::string> data_peers;
  session.probe.on_progress = [&](std::int64_t, bool&) {
    data_peers.push_back(ftp.DataSocket().GetPeerPort());
  };
  ftp.SetLocalFileName(session.folder.File("listing.txt"));
  ASSERT_TRUE(session.Succeeds(&TCustomFtpCli::DirAsync, ftpDirAsync));
  ASSERT_FALSE(data_peers.empty());
  EXPECT_EQ(data_peers.back(), dante.PortText());

  ftp.SetPassive(false);
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(session.probe.Start(&TCustomFtpCli::DirAsync),
              "Listening is not supported thru socks server");
    EXPECT_EQ(ftp.State(), ftpReady);
    EXPECT_EQ(ftp.RequestType(), ftpDirAsync);
  }
  ftp.SetPassive(true);
  ASSERT_TRUE(session.Succeeds(&TCustomFtpCli::DirAsync, ftpDirAsync));
  EXPECT_TRUE(ftp.Connected());
}

}  // namespace
}  // namespace varnel::ftp::testing
