// SOCKS properties, the set-up refusals of Connect and Listen, and what a
// close resets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "socket/resolve.h"
#include "socks_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

template <typename F>
std::string ErrorOf(F&& action) {
  try {
    action();
  } catch (const ESocketException& e) {
    return e.what();
  }
  return "no error";
}

TEST(SocksProps, ServerAndPortAreTrimmed) {
  TWSocket socket;
  socket.SetSocksServer("  proxy.example \t");
  socket.SetSocksPort(" 1080 ");
  EXPECT_EQ(socket.SocksServer(), "proxy.example");
  EXPECT_EQ(socket.SocksPort(), "1080");
}

TEST(SocksProps, LevelIsExactAndStoredUpperCase) {
  TWSocket socket;
  socket.SetSocksLevel("4a");
  EXPECT_EQ(socket.SocksLevel(), "4A");
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksLevel(" 4"); }),
            "Invalid socks level. Must be 4, 4A or 5.");
  EXPECT_EQ(socket.SocksLevel(), "4A");
}

TEST(SocksProps, ChangesNeedTheClosedState) {
  PosixListener listener;
  TWSocket socket;
  socket.SetSocksUsercode("kept");
  socket.SetSocksPassword("kept too");
  socket.SetSocksAuthentication(socksAuthenticateUsercode);
  Fd peer = ConnectTo(socket, listener);
  ASSERT_EQ(socket.State(), wsConnected);
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksServer("p"); }),
            "Can't change socks server if not closed");
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksPort("1"); }), "Can't change socks port if not closed");
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksLevel("4"); }), "Can't change socks level if not closed");
  // The level is checked before the state.
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksLevel("6"); }),
            "Invalid socks level. Must be 4, 4A or 5.");
  EXPECT_EQ(socket.SocksServer(), "");
  EXPECT_EQ(socket.SocksLevel(), "5");
  // Credentials may change at any time.
  socket.SetSocksUsercode("other");
  EXPECT_EQ(socket.SocksUsercode(), "other");
}

TEST(SocksProps, OnErrorTakesTheReportAndNothingChanges) {
  PosixListener listener;
  TWSocket socket;
  int errors = 0;
  Fd peer = ConnectTo(socket, listener);
  socket.OnError = [&](TCustomWSocket*) { ++errors; };
  socket.SetSocksServer("p");
  socket.SetSocksUsercode(std::string(256, 'u'));
  EXPECT_EQ(errors, 2);
  EXPECT_EQ(socket.SocksServer(), "");
  EXPECT_EQ(socket.SocksUsercode(), "");
}

TEST(SocksProps, CloseResetsServerPortAndLevelButKeepsCredentials) {
  FakeProxy proxy;
  TWSocket socket;
  proxy.Use(socket, "4", "10.0.0.1", "21");
  socket.SetSocksUsercode("u");
  socket.SetSocksPassword("p");
  socket.SetSocksAuthentication(socksAuthenticateUsercode);
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  socket.Close();
  EXPECT_EQ(socket.SocksServer(), "");
  EXPECT_EQ(socket.SocksPort(), "");
  EXPECT_EQ(socket.SocksLevel(), "5");
  EXPECT_EQ(socket.SocksState(), socksIdle);
  EXPECT_EQ(socket.SocksUsercode(), "u");
  EXPECT_EQ(socket.SocksPassword(), "p");
  EXPECT_EQ(socket.SocksAuthentication(), socksAuthenticateUsercode);
}

TEST(SocksProps, ListenIsRefusedThroughAProxy) {
  TWSocket socket;
  socket.SetSocksServer("127.0.0.1");
  socket.SetAddr("127.0.0.1");
  socket.SetPort("0");
  EXPECT_EQ(ErrorOf([&] { socket.Listen(); }), "Listening is not supported thru socks server");
  EXPECT_EQ(socket.State(), wsClosed);
}

TEST(SocksProps, OnlyTcpGoesThroughAProxy) {
  TWSocket socket;
  socket.SetSocksServer("127.0.0.1");
  socket.SetSocksPort("1080");
  socket.SetAddr("h");
  socket.SetPort("21");
  socket.SetProto("udp");
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }),
            "tcp is the only protocol supported thru socks server");
  EXPECT_EQ(socket.State(), wsClosed);
}

TEST(SocksProps, ResolutionFailuresAreConnectErrors) {
  TWSocket socket;
  socket.SetSocksServer("127.0.0.1");
  socket.SetAddr("h");
  socket.SetPort("21");
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }), "connect: WSocketResolvePort: Invalid Port.");
  const HostLookupFunction previous = SetHostLookupFunction(
      [](const std::string&, std::vector<std::uint32_t>&) { return 11001; });
  socket.SetSocksServer("proxy.test");
  socket.SetSocksPort("1080");
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }),
            "connect: WSocketResolveHost: Cannot convert host address 'proxy.test', Error #11001");
  SetHostLookupFunction(previous);
  EXPECT_EQ(socket.State(), wsClosed);
}

TEST(SocksProps, OverlongCredentialsAreRefusedWhenSet) {
  TWSocket socket;
  socket.SetSocksUsercode(std::string(255, 'u'));
  socket.SetSocksPassword(std::string(255, 'p'));
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksUsercode(std::string(256, 'v')); }),
            "Socks user code too long. Must be at most 255 bytes.");
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksUsercode(std::string("a\0b", 3)); }),
            "Socks user code can't contain a zero byte.");
  EXPECT_EQ(ErrorOf([&] { socket.SetSocksPassword(std::string(256, 'q')); }),
            "Socks password too long. Must be at most 255 bytes.");
  EXPECT_EQ(socket.SocksUsercode(), std::string(255, 'u'));
  EXPECT_EQ(socket.SocksPassword(), std::string(255, 'p'));
}

TEST(SocksProps, HostNameThatCannotBeSentIsRefusedBeforeConnecting) {
  FakeProxy proxy;
  TWSocket socket;
  proxy.Use(socket, "5", std::string(256, 'h'), "21");
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }),
            "Socks host name too long. Must be at most 255 bytes.");
  socket.SetSocksLevel("4A");
  socket.SetAddr(std::string("a\0b", 3));
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }), "Socks host name can't contain a zero byte.");
  EXPECT_EQ(socket.State(), wsClosed);
  EXPECT_FALSE(proxy.Accept(100));
}

TEST(SocksProps, LongestHostNameGoesThrough) {
  FakeProxy proxy;
  TWSocket socket;
  const std::string name(255, 'h');
  proxy.Use(socket, "5", name, "21");
  socket.Connect();
  ASSERT_TRUE(proxy.Accept());
  proxy.Next(3);
  ASSERT_TRUE(proxy.Reply(Bytes({5, 0})));
  EXPECT_EQ(proxy.Next(262), Bytes({5, 1, 0, 3, 255}) + name + Bytes({0, 21}));
}

// What a failed attempt resolved for the proxy is not used once the proxy
// is switched off.
TEST(SocksProps, SwitchingTheProxyOffForgetsItsAddress) {
  PosixListener proxy;
  PosixListener target;
  TWSocket socket;
  socket.SetSocksServer("127.0.0.1");
  socket.SetSocksPort(proxy.PortText());
  socket.SetAddr("127.0.0.1");
  EXPECT_EQ(ErrorOf([&] { socket.Connect(); }), "connect: WSocketResolvePort: Invalid Port.");
  socket.SetSocksServer("");
  socket.SetPort(target.PortText());
  socket.Connect();
  Fd peer = target.Accept();
  EXPECT_GE(peer.Get(), 0);
  EXPECT_LT(proxy.Accept(100).Get(), 0);
}

}  // namespace
}  // namespace varnel::socket
