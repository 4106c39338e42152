// Sessions through SOCKS servers started by the test, with pyftpdlib or
// vsftpd behind them: danted (versions 4 and 5), microsocks (5 with user
// name and password) and a relay of the tests (4A, which danted lacks, and
// 5 to a host name that only the relay can resolve).
//
// Every data connection is proven to pass through the proxy from both ends:
// - the engine's: in every progress report of a transfer the data socket's
//   peer is the SOCKS server;
// - the server's: the engine binds its sockets to 127.0.0.2 while the
//   proxies dial out from 127.0.0.1, and both servers refuse (425) a data
//   connection that comes from another address than the control connection.
//
// The engine's own resolver knows no name during these tests and records
// every name it is asked: no case may ask it anything. With 4A and 5 the
// server's host name goes to the proxy, for the control connection and
// again for every data connection; SOCKS 4 resolves it on this side.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/support/real_session.h"
#include "ftp/support/socks_relay.h"
#include "servers/socks/socks_servers.h"
#include "socket/resolve.h"
#include "socket/winsock_errors.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::WriteBytes;
using varnel::testing::socks::DanteServer;
using varnel::testing::socks::MicrosocksServer;

enum class Proxy { kDante, kMicrosocks, kRelay };

struct SocksCase {
  const char* name;
  Proxy proxy;
  TFtpConnectionType type;
  FtpServerKind server;
  const char* host;  // the FTP server as the engine names it
};

constexpr const char* kSocksUser = "alice";
constexpr const char* kSocksPassword = "s3cret";
constexpr const char* kAddress = "127.0.0.1";
// Known to the relay only (.test names no real host).
constexpr const char* kProxyOnlyName = "ftp.proxy-only.test";
const std::map<std::string, std::string> kRelayNames = {{kProxyOnlyName, kAddress}};

std::mutex g_lookups_mutex;
std::vector<std::string> g_lookups;

int RecordingLookup(const std::string& name, std::vector<std::uint32_t>&) {
  std::lock_guard<std::mutex> lock(g_lookups_mutex);
  g_lookups.push_back(name);
  return socket::WSAHOST_NOT_FOUND;
}

// Puts the recording resolver in place of the engine's for one test.
class LookupRecorder {
 public:
  LookupRecorder() {
    std::lock_guard<std::mutex> lock(g_lookups_mutex);
    g_lookups.clear();
    previous_ = socket::SetHostLookupFunction(&RecordingLookup);
  }
  ~LookupRecorder() { socket::SetHostLookupFunction(previous_); }
  LookupRecorder(const LookupRecorder&) = delete;
  LookupRecorder& operator=(const LookupRecorder&) = delete;

  std::vector<std::string> Names() const {
    std::lock_guard<std::mutex> lock(g_lookups_mutex);
    return g_lookups;
  }

 private:
  socket::HostLookupFunction previous_;
};

// The proxy of a case, started for one test.
class SocksProxy {
 public:
  explicit SocksProxy(Proxy kind) {
    if (kind == Proxy::kDante) dante_ = std::make_unique<DanteServer>();
    if (kind == Proxy::kMicrosocks) {
      microsocks_ = std::make_unique<MicrosocksServer>(kSocksUser, kSocksPassword);
    }
    if (kind == Proxy::kRelay) {
      relay = std::make_unique<SocksRelay>(kRelayNames);
    }
  }
  std::string PortText() const {
    if (dante_) return dante_->PortText();
    if (microsocks_) return microsocks_->PortText();
    return relay->PortText();
  }
  std::unique_ptr<SocksRelay> relay;

 private:
  std::unique_ptr<DanteServer> dante_;
  std::unique_ptr<MicrosocksServer> microsocks_;
};

class SocksSessions : public ::testing::TestWithParam<SocksCase> {
 protected:
  void SetUp() override {
    proxy = std::make_unique<SocksProxy>(GetParam().proxy);
    session = std::make_unique<RealSession>(GetParam().server, false);
    TFtpClient& ftp = session->ftp;
    ftp.SetHostName(GetParam().host);
    ftp.SetConnectionType(GetParam().type);
    ftp.SetPassive(false);  // every SOCKS type keeps passive mode
    ftp.SetLocalAddr("127.0.0.2");
    ftp.SetSocksServer("127.0.0.1");
    ftp.SetSocksPort(proxy->PortText());
    // danted and the relay take any SOCKS 4 user id and no version 5
    // authentication.
    if (GetParam().type != ftpSocks5 || GetParam().proxy == Proxy::kMicrosocks) {
      ftp.SetSocksUserCode(kSocksUser);
      ftp.SetSocksPassword(kSocksPassword);
    }
    session->probe.on_progress = [this](std::int64_t, bool&) {
      data_peers.push_back(session->ftp.DataSocket().GetPeerPort());
    };
  }

  std::string Local(const std::string& name) const { return session->folder.File(name); }
  std::string Remote(const std::string& name) const { return session->server.LocalPath(name); }

  // Runs a transfer and checks that its data connection ran through the
  // proxy the whole time.
  void Through(void (TCustomFtpCli::*request)(), TFtpRequest code, const std::string& remote,
               const std::string& local) {
    session->ftp.SetHostFileName(remote);
    session->ftp.SetLocalFileName(local);
    data_peers.clear();
    ASSERT_TRUE(session->Succeeds(request, code));
    ASSERT_FALSE(data_peers.empty()) << "no progress seen";
    for (const std::string& peer : data_peers) EXPECT_EQ(peer, proxy->PortText());
  }

  void ExpectControlThroughProxy() {
    EXPECT_EQ(session->ftp.ControlSocket().GetPeerPort(), proxy->PortText());
  }

  LookupRecorder lookups;
  std::unique_ptr<SocksProxy> proxy;
  std::unique_ptr<RealSession> session;
  std::vector<std::string> data_peers;
};

TEST_P(SocksSessions, ListsFetchesAndStoresThroughTheProxy) {
  EXPECT_TRUE(session->ftp.Passive());
  session->LogIn();
  ExpectControlThroughProxy();
  const std::string served = RandomBytes(300000, 5);
  const std::string stored = RandomBytes(200000, 6);
  WriteBytes(Remote("served.bin"), served);
  WriteBytes(Local("stored.bin"), stored);

  Through(&TCustomFtpCli::DirAsync, ftpDirAsync, "", Local("before.txt"));
  EXPECT_NE(ReadFile(Local("before.txt")).find("served.bin"), std::string::npos);
  Through(&TCustomFtpCli::GetAsync, ftpGetAsync, "served.bin", Local("fetched.bin"));
  EXPECT_TRUE(ReadFile(Local("fetched.bin")) == served) << "download differs";
  Through(&TCustomFtpCli::PutAsync, ftpPutAsync, "stored.bin", Local("stored.bin"));
  EXPECT_TRUE(ReadFile(Remote("stored.bin")) == stored) << "upload differs";
  Through(&TCustomFtpCli::DirAsync, ftpDirAsync, "", Local("after.txt"));
  EXPECT_NE(ReadFile(Local("after.txt")).find("stored.bin"), std::string::npos);

  EXPECT_FALSE(session->probe.DisplayedPrefix("> PORT")) << session->probe.Log();
  EXPECT_EQ(lookups.Names(), std::vector<std::string>{});
  if (proxy->relay) {
    // The control connection and the four data connections, each named as
    // the engine names the server, never by the address of a 227 reply.
    const bool socks5 = GetParam().type == ftpSocks5;
    const std::string target = std::string(socks5 ? "5 " : "4A ") + GetParam().host + ":";
    const std::string user = socks5 ? "" : std::string(" user ") + kSocksUser;
    const std::vector<std::string> requests = proxy->relay->Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0], target + session->server.PortText() + user);
    for (const std::string& request : requests) {
      EXPECT_EQ(request.rfind(target, 0), 0u) << request;
      EXPECT_TRUE(request.ends_with(user)) << request;
    }
  }
}

// The control socket's close resets its SOCKS settings; a new session
// must still go through the proxy.
TEST_P(SocksSessions, ReconnectsThroughTheProxyAfterQuit) {
  session->LogIn();
  ASSERT_TRUE(session->Succeeds(&TCustomFtpCli::QuitAsync, ftpQuitAsync));
  ASSERT_TRUE(RunUntil([&] { return !session->ftp.Connected(); }));
  EXPECT_EQ(session->ftp.SocksServer(), "127.0.0.1");
  EXPECT_EQ(session->ftp.SocksPort(), proxy->PortText());
  session->LogIn();
  ExpectControlThroughProxy();
  WriteBytes(Remote("again.bin"), "second session");
  Through(&TCustomFtpCli::GetAsync, ftpGetAsync, "again.bin", Local("again.bin"));
  EXPECT_EQ(ReadFile(Local("again.bin")), "second session");
}

void PrintTo(const SocksCase& c, std::ostream* out) {
  *out << c.name << " with " << FtpServerName(c.server);
}

std::string CaseName(const ::testing::TestParamInfo<SocksCase>& info) {
  return std::string(info.param.name) + FtpServerName(info.param.server);
}

std::vector<SocksCase> AllCases() {
  std::vector<SocksCase> cases;
  for (FtpServerKind server : {FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd}) {
    cases.push_back({"Dante4", Proxy::kDante, ftpSocks4, server, kAddress});
    cases.push_back({"Dante5", Proxy::kDante, ftpSocks5, server, kAddress});
    cases.push_back({"Microsocks5Auth", Proxy::kMicrosocks, ftpSocks5, server, kAddress});
    cases.push_back({"Relay4A", Proxy::kRelay, ftpSocks4A, server, kAddress});
    cases.push_back({"Relay4AName", Proxy::kRelay, ftpSocks4A, server, kProxyOnlyName});
    cases.push_back({"Relay5Name", Proxy::kRelay, ftpSocks5, server, kProxyOnlyName});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Levels, SocksSessions, ::testing::ValuesIn(AllCases()), CaseName);

// SOCKS 4 carries addresses only: the engine resolves the name itself, and a
// name its resolver does not know ends the connect with 11001 before any
// byte reaches the proxy.
TEST(SocksNames, Socks4ResolvesTheNameOnThisSide) {
  LookupRecorder lookups;
  SocksRelay relay(kRelayNames);
  RealSession session(FtpServerKind::kPyftpdlib, true);
  session.ftp.SetHostName(kProxyOnlyName);
  session.ftp.SetConnectionType(ftpSocks4);
  session.ftp.SetSocksServer(kAddress);
  session.ftp.SetSocksPort(relay.PortText());
  EXPECT_EQ(session.probe.Run(&TCustomFtpCli::ConnectAsync),
            (Completion{ftpConnectAsync, socket::WSAHOST_NOT_FOUND}));
  EXPECT_EQ(lookups.Names(), std::vector<std::string>{kProxyOnlyName});
  EXPECT_EQ(relay.Requests(), std::vector<std::string>{});
  EXPECT_EQ(session.ftp.State(), ftpReady);
}

// A refused negotiation is a failed connect: the request ends with the
// SOCKS code and the engine is ready for another try.
TEST(SocksRefusal, WrongPasswordEndsTheConnectWithTheSocksCode) {
  MicrosocksServer microsocks(kSocksUser, kSocksPassword);
  RealSession session(FtpServerKind::kPyftpdlib, true);
  session.ftp.SetConnectionType(ftpSocks5);
  session.ftp.SetSocksServer("127.0.0.1");
  session.ftp.SetSocksPort(microsocks.PortText());
  session.ftp.SetSocksUserCode(kSocksUser);
  session.ftp.SetSocksPassword("guess");
  EXPECT_EQ(session.probe.Run(&TCustomFtpCli::ConnectAsync), (Completion{ftpConnectAsync, 20015}));
  EXPECT_EQ(session.ftp.StatusCode(), 500);
  EXPECT_FALSE(session.ftp.Connected());
  EXPECT_EQ(session.ftp.State(), ftpReady);

  session.ftp.SetSocksPassword(kSocksPassword);
  session.LogIn();
  EXPECT_EQ(session.ftp.ControlSocket().GetPeerPort(), microsocks.PortText());
}

}  // namespace
}  // namespace varnel::ftp::testing
