// Sessions through an FTP proxy (the relaying proxy of the tests) to
// pyftpdlib and vsftpd: the control connection goes to the proxy, USER names
// the real server, and every passive data connection goes to the proxy's
// address, which relays it (counted by the proxy).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/support/ftp_relay_proxy.h"
#include "ftp/support/real_session.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::WriteBytes;

class ProxySessions : public ::testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override {
    session = std::make_unique<RealSession>(GetParam(), false);
    TFtpClient& ftp = session->ftp;
    ftp.SetConnectionType(ftpProxy);
    ftp.SetPassive(false);  // the proxy type keeps passive mode
    ftp.SetProxyServer("127.0.0.1");
    ftp.SetProxyPort(proxy.PortText());
  }

  std::string Local(const std::string& name) const { return session->folder.File(name); }
  std::string Remote(const std::string& name) const { return session->server.LocalPath(name); }

  // Runs a transfer and checks that the proxy relayed one more data
  // connection for it.
  void Through(void (TCustomFtpCli::*request)(), TFtpRequest code, const std::string& remote,
               const std::string& local) {
    const int before = proxy.DataConnections();
    session->ftp.SetHostFileName(remote);
    session->ftp.SetLocalFileName(local);
    ASSERT_TRUE(session->Succeeds(request, code));
    EXPECT_EQ(proxy.DataConnections(), before + 1);
  }

  FtpRelayProxy proxy;
  std::unique_ptr<RealSession> session;
};

TEST_P(ProxySessions, ListsFetchesAndStoresThroughTheProxy) {
  EXPECT_TRUE(session->ftp.Passive());
  session->LogIn();
  EXPECT_EQ(session->ftp.ControlSocket().GetPeerPort(), proxy.PortText());
  const std::vector<std::string> users = {"USER " + session->server.User() + "@127.0.0.1:" +
                                          session->server.PortText()};
  EXPECT_EQ(proxy.UserLines(), users);
  EXPECT_TRUE(session->probe.Displayed("> " + users.front()));

  const std::string served = RandomBytes(250000, 7);
  const std::string stored = RandomBytes(150000, 8);
  WriteBytes(Remote("served.bin"), served);
  WriteBytes(Local("stored.bin"), stored);
  Through(&TCustomFtpCli::DirAsync, ftpDirAsync, "", Local("listing.txt"));
  EXPECT_NE(ReadFile(Local("listing.txt")).find("served.bin"), std::string::npos);
  Through(&TCustomFtpCli::GetAsync, ftpGetAsync, "served.bin", Local("fetched.bin"));
  EXPECT_TRUE(ReadFile(Local("fetched.bin")) == served) << "download differs";
  Through(&TCustomFtpCli::PutAsync, ftpPutAsync, "stored.bin", Local("stored.bin"));
  EXPECT_TRUE(ReadFile(Remote("stored.bin")) == stored) << "upload differs";
  EXPECT_FALSE(session->probe.DisplayedPrefix("> PORT")) << session->probe.Log();
}

INSTANTIATE_TEST_SUITE_P(Servers, ProxySessions,
                         ::testing::Values(FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd),
                         ServerName);

}  // namespace
}  // namespace varnel::ftp::testing
