// Connections through real SOCKS servers started by the test: danted for
// versions 4 and 5, microsocks for version 5 with user name and password.
// Behind them a loopback peer of the test checks the bytes both ways.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "servers/socks/socks_servers.h"
#include "socks_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;
using varnel::testing::socks::DanteServer;
using varnel::testing::socks::MicrosocksServer;

std::string Pattern(std::size_t size, unsigned seed) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((i * 31 + seed) % 251);
  return text;
}

class SocksRealServer : public ::testing::Test {
 protected:
  void Aim(const std::string& proxy_port, const std::string& level) {
    socket_.SetSocksServer("127.0.0.1");
    socket_.SetSocksPort(proxy_port);
    socket_.SetSocksLevel(level);
    socket_.SetAddr("127.0.0.1");
    socket_.SetPort(target_.PortText());
  }

  // Connects through the proxy and moves 64 KiB each way.
  void ExpectRelay() {
    socket_.Connect();
    Fd peer = target_.Accept();
    ASSERT_GE(peer.Get(), 0) << "the proxy never reached the target";
    ASSERT_TRUE(RunUntil([&] { return log_.Has("connected 0"); }));
    const std::string up = Pattern(65536, 1);
    EXPECT_EQ(socket_.SendStr(up), static_cast<int>(up.size()));
    std::string arrived;
    ASSERT_TRUE(RunUntil([&] {
      arrived += ReadAvailable(peer.Get());
      return arrived.size() >= up.size();
    }));
    EXPECT_TRUE(arrived == up) << "bytes changed on the way up";
    const std::string down = Pattern(65536, 7);
    ASSERT_TRUE(WriteAll(peer.Get(), down));
    ASSERT_TRUE(RunUntil([&] { return log_.received.size() >= down.size(); }));
    EXPECT_TRUE(log_.received == down) << "bytes changed on the way down";
    for (const auto& e : log_.entries) EXPECT_EQ(e.rfind("socks error", 0), std::string::npos) << e;
  }

  void ExpectRefusal(int code, const std::string& text) {
    socket_.Connect();
    ASSERT_TRUE(RunUntil([&] { return socket_.State() == wsClosed; }, 10000));
    const std::string c = std::to_string(code);
    EXPECT_TRUE(log_.Has("socks error " + c + " " + text))
        << ::testing::PrintToString(log_.entries);
    EXPECT_TRUE(log_.Has("connected " + c));
    EXPECT_TRUE(log_.Has("closed " + c + " in closed"));
    EXPECT_FALSE(log_.Has("connected 0"));
  }

  PosixListener target_;
  TWSocket socket_;
  SocksLog log_{socket_, true};
};

TEST_F(SocksRealServer, DanteVersion5) {
  DanteServer dante;
  Aim(dante.PortText(), "5");
  ExpectRelay();
}

TEST_F(SocksRealServer, DanteVersion4) {
  DanteServer dante;
  Aim(dante.PortText(), "4");
  socket_.SetSocksUsercode("tester");
  ExpectRelay();
}

TEST_F(SocksRealServer, DanteVersion5TargetRefuses) {
  DanteServer dante;
  Aim(dante.PortText(), "5");
  socket_.SetPort(RefusingPortText());
  ExpectRefusal(20008, "connection refused");
}

TEST_F(SocksRealServer, DanteVersion4TargetRefuses) {
  DanteServer dante;
  Aim(dante.PortText(), "4");
  socket_.SetPort(RefusingPortText());
  ExpectRefusal(20016, "request rejected or failed");
}

TEST_F(SocksRealServer, MicrosocksWithUserAndPassword) {
  MicrosocksServer microsocks("alice", "s3cret");
  Aim(microsocks.PortText(), "5");
  socket_.SetSocksAuthentication(socksAuthenticateUsercode);
  socket_.SetSocksUsercode("alice");
  socket_.SetSocksPassword("s3cret");
  ExpectRelay();
  EXPECT_TRUE(log_.Has("auth starting"));
  EXPECT_TRUE(log_.Has("auth succeeded"));
}

TEST_F(SocksRealServer, MicrosocksWrongPassword) {
  MicrosocksServer microsocks("alice", "s3cret");
  Aim(microsocks.PortText(), "5");
  socket_.SetSocksAuthentication(socksAuthenticateUsercode);
  socket_.SetSocksUsercode("alice");
  socket_.SetSocksPassword("guess");
  ExpectRefusal(20015, "socks authentication failed");
  EXPECT_TRUE(log_.Has("auth starting"));
  EXPECT_FALSE(log_.Has("auth succeeded"));
}

TEST_F(SocksRealServer, MicrosocksWithoutOfferingCredentials) {
  MicrosocksServer microsocks("alice", "s3cret");
  Aim(microsocks.PortText(), "5");
  ExpectRefusal(20003, "authentification method not acceptable");
}

}  // namespace
}  // namespace varnel::socket
