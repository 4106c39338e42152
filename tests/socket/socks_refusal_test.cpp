// SOCKS negotiations that fail, against a scripted proxy: every refusal and
// malformed reply ends with OnSocksError (code, text), OnSessionConnected
// (code), the close and OnSessionClosed (code), and the application never
// sees a byte of the proxy's replies.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <string>
#include <vector>

#include "socket/resolve.h"
#include "socks_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;
using Entries = std::vector<std::string>;

class SocksFailureBase {
 protected:
  void Start(const std::string& level, const std::string& addr = "ftp.example") {
    proxy_.Use(socket_, level, addr, "21");
    socket_.Connect();
    ASSERT_TRUE(proxy_.Accept());
  }
  // Version 5 up to the request.
  void ReachRequest() {
    Start("5");
    ASSERT_EQ(proxy_.Next(3), Bytes({5, 1, 0}));
    ASSERT_TRUE(proxy_.Reply(Bytes({5, 0})));
    ASSERT_EQ(proxy_.Next(18).size(), 18u);
  }
  // Version 5 up to the credentials.
  void ReachCredentials() {
    socket_.SetSocksAuthentication(socksAuthenticateUsercode);
    socket_.SetSocksUsercode("u");
    socket_.SetSocksPassword("p");
    Start("5");
    ASSERT_EQ(proxy_.Next(3), Bytes({5, 1, 2}));
    ASSERT_TRUE(proxy_.Reply(Bytes({5, 2})));
    ASSERT_EQ(proxy_.Next(5), Bytes({1, 1, 'u', 1, 'p'}));
  }

  // The events from the SOCKS error on, once the socket is closed.
  Entries Ending() {
    EXPECT_TRUE(RunUntil([&] { return log_.Count("state connected>closed") > 0; }));
    RunFor(30);
    Entries ending;
    bool seen = false;
    for (const auto& e : log_.entries) {
      seen = seen || e.rfind("socks error", 0) == 0 || e == "auth failed";
      if (seen && e.rfind("sent ", 0) != 0) ending.push_back(e);
    }
    return ending;
  }

  void ExpectFailure(int code, const std::string& text) {
    const std::string c = std::to_string(code);
    EXPECT_EQ(Ending(), (Entries{"socks error " + c + " " + text, "connected " + c,
                                 "state connected>closed", "closed " + c + " in closed"}));
    ExpectClosedAndReset();
  }

  void ExpectClosedAndReset() {
    EXPECT_EQ(socket_.State(), wsClosed);
    EXPECT_EQ(socket_.SocksState(), socksIdle);
    EXPECT_EQ(socket_.SocksServer(), "");
    EXPECT_EQ(socket_.SocksLevel(), "5");
    EXPECT_FALSE(log_.Has("data 0"));
    EXPECT_EQ(log_.received, "");
  }

  FakeProxy proxy_;
  TWSocket socket_;
  SocksLog log_{socket_, true};
};

class SocksRefusal : public SocksFailureBase, public ::testing::Test {};

TEST_F(SocksRefusal, WrongVersionInMethodReply) {
  Start("5");
  proxy_.Next(3);
  ASSERT_TRUE(proxy_.Reply(Bytes({4, 0})));
  ExpectFailure(20002, "socks version error");
}

TEST_F(SocksRefusal, NoAcceptableMethod) {
  Start("5");
  proxy_.Next(3);
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 255})));
  ExpectFailure(20003, "authentification method not acceptable");
}

TEST_F(SocksRefusal, MethodThatWasNotOffered) {
  Start("5");
  proxy_.Next(3);
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 1})));
  ExpectFailure(20003, "authentification method not acceptable");
  EXPECT_EQ(proxy_.Rest(), "");  // no credentials, no request
}

TEST_F(SocksRefusal, PasswordRejected) {
  ReachCredentials();
  ASSERT_TRUE(proxy_.Reply(Bytes({1, 1})));
  ExpectFailure(20015, "socks authentication failed");
  EXPECT_EQ(proxy_.Rest(), "");
}

TEST_F(SocksRefusal, WrongVersionInAuthenticationReply) {
  ReachCredentials();
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 0})));
  ExpectFailure(20002, "socks version error");
}

TEST_F(SocksRefusal, AuthenticationReplyTooLong) {
  ReachCredentials();
  ASSERT_TRUE(proxy_.Reply(Bytes({1, 0, 0})));
  ExpectFailure(20001, "too much data availaible");
}

TEST_F(SocksRefusal, WrongVersionInVersion5Reply) {
  ReachRequest();
  ASSERT_TRUE(proxy_.Reply(Bytes({4, 0, 0, 1, 1, 2, 3, 4, 0, 21})));
  ExpectFailure(20002, "socks version error");
}

TEST_F(SocksRefusal, UnsupportedBoundAddressType) {
  ReachRequest();
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 0, 0, 4}) + std::string(16, '\0') + Bytes({0, 21})));
  ExpectFailure(20011, "address type not supported");
}

TEST_F(SocksRefusal, WrongVersionInVersion4Reply) {
  Start("4", "10.1.1.1");
  proxy_.Next(9);
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 90, 0, 0, 0, 0, 0, 0})));
  ExpectFailure(20002, "socks version error");
}

TEST_F(SocksRefusal, Version4TargetThatCannotBeResolved) {
  const HostLookupFunction previous = SetHostLookupFunction(
      [](const std::string&, std::vector<std::uint32_t>&) { return 11001; });
  Start("4", "nohost.test");
  ExpectFailure(20017,
                "ESocketException WSocketResolveHost: Cannot convert host address "
                "'nohost.test', Error #11001");
  EXPECT_EQ(proxy_.Rest(), "");
  SetHostLookupFunction(previous);
}

// ---- the proxy goes away ----

TEST_F(SocksRefusal, ProxyClosesBeforeTheMethodReply) {
  Start("5");
  proxy_.Next(3);
  proxy_.Close();
  ExpectFailure(10053, "connection closed by socks server");
}

TEST_F(SocksRefusal, ProxyClosesDuringAuthentication) {
  ReachCredentials();
  proxy_.Close();
  EXPECT_EQ(Ending(), (Entries{"auth failed", "socks error 10053 connection closed by socks server",
                               "connected 10053", "state connected>closed",
                               "closed 10053 in closed"}));
  ExpectClosedAndReset();
}

TEST_F(SocksRefusal, ProxyClosesInTheMiddleOfItsReply) {
  ReachRequest();
  ASSERT_TRUE(proxy_.Reply(Bytes({5, 0, 0})));
  proxy_.Close();
  ExpectFailure(10053, "connection closed by socks server");
}

TEST_F(SocksRefusal, ProxyResetsTheConnection) {
  ReachRequest();
  const linger abortive{1, 0};
  ::setsockopt(proxy_.Peer(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  proxy_.Close();
  ExpectFailure(10054, "connection closed by socks server");
}

TEST_F(SocksRefusal, ProxyNotListening) {
  socket_.SetSocksServer("127.0.0.1");
  socket_.SetSocksPort(RefusingPortText());
  socket_.SetAddr("ftp.example");
  socket_.SetPort("21");
  socket_.Connect();
  ASSERT_TRUE(RunUntil([&] { return log_.Has("closed 0 in closed"); }));
  EXPECT_EQ(log_.entries, (Entries{"state closed>opened", "state opened>connecting",
                                   "state connecting>connected", "socks connected 10061",
                                   "connected 10061", "state connected>closed",
                                   "closed 0 in closed"}));
  ExpectClosedAndReset();
}

// ---- paths that a well-behaved OS or event order never takes ----

class ProbeSocket : public TWSocket {
 public:
  bool DeliverData(std::uint16_t Error) { return FireDataAvailable(Error); }
  // Holds back the connection to the proxy from the negotiation.
  bool hold_connection = false;

 protected:
  void FireSessionConnected(std::uint16_t Error) override {
    if (hold_connection && SocksState() == socksWaitingMethod && Error == 0) return;
    TWSocket::FireSessionConnected(Error);
  }
};

class SocksProbe : public ::testing::Test {
 protected:
  FakeProxy proxy_;
  ProbeSocket socket_;
  SocksLog log_{socket_};
};

TEST_F(SocksProbe, ReadErrorDuringNegotiation) {
  proxy_.Use(socket_, "5", "h", "21");
  socket_.Connect();
  ASSERT_TRUE(proxy_.Accept());
  proxy_.Next(3);
  EXPECT_TRUE(socket_.DeliverData(10054));
  EXPECT_EQ(log_.entries.back(), "closed 10054 in closed");
  EXPECT_TRUE(log_.Has("socks error 10054 data receive error"));
  EXPECT_TRUE(log_.Has("connected 10054"));
}

TEST_F(SocksProbe, DataBeforeAVersion4RequestIsALogicError) {
  socket_.hold_connection = true;
  proxy_.Use(socket_, "4", "10.1.1.1", "21");
  socket_.Connect();
  ASSERT_TRUE(proxy_.Accept());
  ASSERT_TRUE(proxy_.Reply(Bytes({0, 90})));
  ASSERT_TRUE(RunUntil([&] { return socket_.State() == wsClosed; }));
  EXPECT_TRUE(log_.Has("socks error 20001 TWSocket logic error"));
  EXPECT_TRUE(log_.Has("connected 20001"));
  EXPECT_EQ(proxy_.Rest(), "");
}

// ---- reply code tables through the socket ----

struct CodeCase {
  int reply;
  int code;
  std::string text;
};

class SocksV5Refusal : public SocksFailureBase, public ::testing::TestWithParam<CodeCase> {};

TEST_P(SocksV5Refusal, ReplyCode) {
  ReachRequest();
  const CodeCase& c = GetParam();
  ASSERT_TRUE(proxy_.Reply(Bytes({5, c.reply, 0, 1, 0, 0, 0, 0, 0, 0})));
  ExpectFailure(c.code, c.text);
}

INSTANTIATE_TEST_SUITE_P(Codes, SocksV5Refusal,
                         ::testing::Values(CodeCase{1, 20004, "general SOCKS server failure"},
                                           CodeCase{2, 20005, "connection not allowed by ruleset"},
                                           CodeCase{3, 20006, "network unreachable"},
                                           CodeCase{4, 20007, "host unreachable"},
                                           CodeCase{5, 20008, "connection refused"},
                                           CodeCase{6, 20009, "time to live expired"},
                                           CodeCase{7, 20010, "command not supported"},
                                           CodeCase{8, 20011, "address type not supported"},
                                           CodeCase{9, 20012, "unassigned error #9"}));

class SocksV4Refusal : public SocksFailureBase, public ::testing::TestWithParam<CodeCase> {};

TEST_P(SocksV4Refusal, ReplyCode) {
  Start("4", "10.1.1.1");
  ASSERT_EQ(proxy_.Next(9), Bytes({4, 1, 0, 21, 10, 1, 1, 1, 0}));
  const CodeCase& c = GetParam();
  // Application bytes behind a refusal are never delivered.
  ASSERT_TRUE(proxy_.Reply(Bytes({0, c.reply, 0, 0, 0, 0, 0, 0}) + "junk"));
  ExpectFailure(c.code, c.text);
}

INSTANTIATE_TEST_SUITE_P(Codes, SocksV4Refusal,
                         ::testing::Values(CodeCase{91, 20016, "request rejected or failed"},
                                           CodeCase{92, 20008, "connection refused"},
                                           CodeCase{93, 20015, "authentification failed"},
                                           CodeCase{94, 20012, "unassigned error #94"}));

}  // namespace
}  // namespace varnel::socket
