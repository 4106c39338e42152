// Property rules: what may change in which state, and the texts reported.
#include <gtest/gtest.h>

#include <functional>

#include "socket_test_support.h"

namespace varnel::socket {
namespace {

using namespace varnel::socket::testing;

struct SetterCase {
  const char* name;
  std::function<void(TCustomWSocket&, const std::string&)> set;
  std::function<std::string(const TCustomWSocket&)> get;
  const char* message;
  bool same_value_accepted;
};

class SetWhileOpen : public ::testing::TestWithParam<SetterCase> {};

TEST_P(SetWhileOpen, ADifferentValueNeedsTheClosedState) {
  const SetterCase& c = GetParam();
  PosixListener listener;
  TWSocket socket;
  Fd peer = ConnectTo(socket, listener);
  ASSERT_EQ(socket.State(), wsConnected);
  const std::string current = c.get(socket);
  if (c.same_value_accepted) {
    EXPECT_NO_THROW(c.set(socket, current));
  }
  try {
    c.set(socket, "4242");
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), c.message);
  }
  int errors = 0;
  socket.OnError = [&](TCustomWSocket*) { ++errors; };
  c.set(socket, "4243");
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(c.get(socket), current);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, SetWhileOpen,
    ::testing::Values(
        SetterCase{"Addr", [](TCustomWSocket& s, const std::string& v) { s.SetAddr(v); },
                   [](const TCustomWSocket& s) { return s.Addr(); },
                   "Cannot change Addr if not closed", true},
        SetterCase{"Port", [](TCustomWSocket& s, const std::string& v) { s.SetPort(v); },
                   [](const TCustomWSocket& s) { return s.Port(); },
                   "Cannot change Port if not closed", true},
        SetterCase{"Proto", [](TCustomWSocket& s, const std::string& v) { s.SetProto(v); },
                   [](const TCustomWSocket& s) { return s.Proto(); },
                   "Cannot change Proto if not closed", true},
        SetterCase{"LocalAddr",
                   [](TCustomWSocket& s, const std::string& v) { s.SetLocalAddr(v); },
                   [](const TCustomWSocket& s) { return s.LocalAddr(); },
                   "Cannot change LocalAddr if not closed", false},
        SetterCase{"LocalPort",
                   [](TCustomWSocket& s, const std::string& v) { s.SetLocalPort(v); },
                   [](const TCustomWSocket& s) { return s.LocalPort(); },
                   "Cannot change LocalPort if not closed", false}),
    [](const ::testing::TestParamInfo<SetterCase>& param) { return std::string(param.param.name); });

TEST(WSocketProps, AddrIsTrimmedAndEmptyMeansNotAssigned) {
  TWSocket socket;
  socket.SetAddr("  127.0.0.1 ");
  EXPECT_EQ(socket.Addr(), "127.0.0.1");
  socket.SetPort("21");
  socket.SetAddr("   ");
  try {
    socket.Connect();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Connect: No IP Address Specified");
  }
}

struct LocalAddrCase {
  const char* input;
  const char* stored;
  bool valid;
};

class LocalAddrText : public ::testing::TestWithParam<LocalAddrCase> {};

TEST_P(LocalAddrText, IsStoredInNormalisedDottedForm) {
  TWSocket socket;
  int errors = 0;
  socket.OnError = [&](TCustomWSocket*) { ++errors; };
  socket.SetLocalAddr(GetParam().input);
  EXPECT_EQ(socket.LocalAddr(), GetParam().stored);
  EXPECT_EQ(errors, GetParam().valid ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, LocalAddrText,
                         ::testing::Values(LocalAddrCase{"", "0.0.0.0", true},
                                           LocalAddrCase{"127.0.0.1", "127.0.0.1", true},
                                           LocalAddrCase{"10.1", "10.0.0.1", true},
                                           LocalAddrCase{"255.255.255.255", "255.255.255.255",
                                                         true},
                                           LocalAddrCase{"not an address", "255.255.255.255",
                                                         false}));

TEST(WSocketProps, InvalidLocalAddrRaisesTheFixedText) {
  TWSocket socket;
  try {
    socket.SetLocalAddr("host.example");
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "SetLocalAddr(): Invalid IP address");
  }
}

TEST(WSocketProps, SendFlagsAcceptOnlyTheTwoMembers) {
  TWSocket socket;
  socket.SetSendFlags(wsSendUrgent);
  EXPECT_EQ(socket.SendFlags(), wsSendUrgent);
  try {
    socket.SetSendFlags(static_cast<TSocketSendFlags>(7));
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Invalid SendFlags");
  }
  EXPECT_EQ(socket.SendFlags(), wsSendUrgent);
}

TEST(WSocketProps, ReadOnlySettingsSurviveAClose) {
  PosixListener listener;
  TWSocket socket;
  socket.SetComponentOptions({wsoTcpNoDelay});
  socket.SetReuseAddr(true);
  socket.SetLingerOnOff(wsLingerOff);
  socket.SetLocalPort("0");
  Fd peer = ConnectTo(socket, listener);
  socket.Close();
  EXPECT_TRUE(socket.ComponentOptions().Contains(wsoTcpNoDelay));
  EXPECT_TRUE(socket.ReuseAddr());
  EXPECT_EQ(socket.LingerOnOff(), wsLingerOn);  // linger is reset
}

TEST(WSocketProps, LingerWithoutAHandleIsRefused) {
  TWSocket socket;
  try {
    socket.ApplyLingerOption();
    FAIL() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_STREQ(e.what(), "Cannot set linger option at this time");
  }
  socket.SetLingerOnOff(wsLingerNoSet);
  EXPECT_TRUE(socket.ApplyLingerOption());
}

}  // namespace
}  // namespace varnel::socket
