#include "socket/resolve.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "socket/socket_exception.h"
#include "socket/winsock_errors.h"

namespace varnel::socket {
namespace {

// A label of 64 characters is refused by the C resolver before any query is
// sent, so this name fails without traffic.
const std::string kImpossibleName = std::string(64, 'a') + ".invalid";

std::string ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ESocketException& e) {
    return e.what();
  }
  return "(no exception)";
}

// ---- IsDottedIP ------------------------------------------------------------

struct DottedCase {
  const char* text;
  bool dotted;
};

class IsDottedIPTest : public ::testing::TestWithParam<DottedCase> {};

TEST_P(IsDottedIPTest, RecognisesFourGroups) {
  EXPECT_EQ(IsDottedIP(GetParam().text), GetParam().dotted)
      << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, IsDottedIPTest,
    ::testing::Values(
        DottedCase{"192.168.0.1", true}, DottedCase{"  10.0.0.1  ", true},
        DottedCase{"0.0.0.0", true}, DottedCase{"255.255.255.255", true},
        DottedCase{"1.2.3.4 ", true}, DottedCase{"010.0.0.1", true},
        DottedCase{"1.2.3", false}, DottedCase{"1.2.3.4.5", false},
        DottedCase{"256.1.1.1", false}, DottedCase{"1.2.3.256", false},
        DottedCase{"1..2.3", false}, DottedCase{"1.2.3.", false},
        DottedCase{"1.2.3.4x", false}, DottedCase{".1.2.3.4", false},
        DottedCase{"  .1.2.3", false}, DottedCase{"", false},
        DottedCase{"   ", false}, DottedCase{"1.2.3.4 x", false},
        DottedCase{"1 .2.3.4", false}, DottedCase{"1.2.3.4\t", false},
        DottedCase{"a.b.c.d", false}, DottedCase{"300.1.1.1", false},
        DottedCase{"1.2.3.99999999999999999999", false},
        DottedCase{"99999999999999999999.1.2.3", false}));

// ---- ParseDecimal ----------------------------------------------------------

struct DecimalCase {
  const char* text;
  int value;
};

class ParseDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimalTest, ReadsLeadingDigits) {
  EXPECT_EQ(ParseDecimal(GetParam().text), GetParam().value)
      << "'" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseDecimalTest,
    ::testing::Values(DecimalCase{"21", 21}, DecimalCase{"  42abc", 42},
                      DecimalCase{"0021", 21}, DecimalCase{"21x", 21},
                      DecimalCase{"", 0}, DecimalCase{"abc", 0},
                      DecimalCase{"-5", 0}, DecimalCase{"\t5", 0},
                      DecimalCase{"2147483647", INT_MAX},
                      DecimalCase{"2147483648", INT_MAX},
                      DecimalCase{"99999999999999999999999999", INT_MAX}));

// ---- InetAddr and DottedAddress -------------------------------------------

struct InetCase {
  const char* text;
  bool ok;
  const char* dotted;  // expected address when ok
};

class InetAddrTest : public ::testing::TestWithParam<InetCase> {};

TEST_P(InetAddrTest, ConvertsLikeInetAddr) {
  std::uint32_t address = 0x01020304;
  ASSERT_EQ(InetAddr(GetParam().text, address), GetParam().ok)
      << "'" << GetParam().text << "'";
  if (GetParam().ok) {
    EXPECT_EQ(DottedAddress(address), GetParam().dotted);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InetAddrTest,
    ::testing::Values(InetCase{"10.1.2.3", true, "10.1.2.3"},
                      InetCase{"255.255.255.255", true, "255.255.255.255"},
                      InetCase{"10.1", true, "10.0.0.1"},
                      InetCase{"010.0.0.1", true, "8.0.0.1"},
                      InetCase{"1.2.3.4  ", true, "1.2.3.4"},
                      InetCase{"0xffffffff", false, ""},
                      InetCase{"4294967295", false, ""},
                      InetCase{"1.2.3.4 x", false, ""},
                      InetCase{" 1.2.3.4", false, ""},
                      InetCase{"1.2.3.256", false, ""},
                      InetCase{"09.1.1.1", false, ""},
                      InetCase{"host", false, ""}, InetCase{"", false, ""}));

TEST(InetAddrTest, ResultIsInNetworkOrder) {
  std::uint32_t address = 0;
  ASSERT_TRUE(InetAddr("127.0.0.1", address));
  EXPECT_EQ(address, htonl(0x7F000001));
  EXPECT_EQ(DottedAddress(htonl(0xC0A80001)), "192.168.0.1");
}

TEST(InetAddrTest, EmbeddedNulIsNoAddress) {
  std::uint32_t address = 0;
  EXPECT_FALSE(InetAddr(std::string("1.2.3.4\0junk", 12), address));
}

// ---- WSocketResolvePort ----------------------------------------------------

struct PortCase {
  std::string port;
  std::string proto;
  int value;          // expected result when message is empty
  std::string message;
};

class ResolvePortTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(ResolvePortTest, ConvertsOrRaises) {
  const PortCase& c = GetParam();
  if (c.message.empty()) {
    EXPECT_EQ(WSocketResolvePort(c.port, c.proto), c.value);
  } else {
    EXPECT_EQ(ErrorOf([&] { WSocketResolvePort(c.port, c.proto); }),
              c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolvePortTest,
    ::testing::Values(
        PortCase{"21", "tcp", 21, ""}, PortCase{"ftp", "tcp", 21, ""},
        PortCase{" ftp ", " tcp ", 21, ""}, PortCase{"21x", "tcp", 21, ""},
        PortCase{"70000", "tcp", 70000, ""},
        PortCase{std::string(31, '9'), "tcp", INT_MAX, ""},
        PortCase{"", "tcp", 0, "WSocketResolvePort: Invalid Port."},
        PortCase{std::string(32, '1'), "tcp", 0,
                 "WSocketResolvePort: Invalid Port."},
        PortCase{"", "", 0, "WSocketResolvePort: Invalid Port."},
        PortCase{"21", "", 0, "WSocketResolvePort: Invalid Proto."},
        PortCase{"21", std::string(32, 't'), 0,
                 "WSocketResolvePort: Invalid Proto."},
        PortCase{"no-such-service", "tcp", 0,
                 "WSocketResolvePort: Cannot convert port 'no-such-service', "
                 "Error #11004"}));

// The C lookup would stop at the NUL and find "ftp".
TEST(ResolvePortTest, ServiceNameWithNulIsNotFound) {
  EXPECT_THROW(WSocketResolvePort(std::string("ftp\0x", 5), "tcp"),
               ESocketException);
}

// ---- WSocketResolveProto ---------------------------------------------------

struct ProtoCase {
  std::string proto;
  int value;
  std::string message;
};

class ResolveProtoTest : public ::testing::TestWithParam<ProtoCase> {};

TEST_P(ResolveProtoTest, ConvertsOrRaises) {
  const ProtoCase& c = GetParam();
  if (c.message.empty()) {
    EXPECT_EQ(WSocketResolveProto(c.proto), c.value);
  } else {
    EXPECT_EQ(ErrorOf([&] { WSocketResolveProto(c.proto); }), c.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolveProtoTest,
    ::testing::Values(
        ProtoCase{"tcp", 6, ""}, ProtoCase{"udp", 17, ""},
        ProtoCase{"17", 17, ""}, ProtoCase{" 6 ", 6, ""},
        ProtoCase{" tcp ", 6, ""},
        ProtoCase{"", 0, "WSocketResolveProto: Invalid Protocol."},
        ProtoCase{std::string(32, 'x'), 0,
                  "WSocketResolveProto: Invalid Protocol."},
        ProtoCase{"no-such-proto", 0,
                  "WSocketResolveProto: Cannot convert protocol "
                  "'no-such-proto', Error #11004"}));

// ---- WSocketResolveHost ----------------------------------------------------

// Stands in for the name server: "multi.test" has two addresses, every
// other name is unknown. Records the name it was asked.
std::string g_asked;

int FakeLookup(const std::string& name, std::vector<std::uint32_t>& addresses) {
  g_asked = name;
  if (name == "multi.test") {
    addresses = {htonl(0x0A000001), htonl(0x0A000002)};
    return 0;
  }
  return WSAHOST_NOT_FOUND;
}

struct HostCase {
  std::string host;
  std::string address;  // dotted result when message is empty
  std::string asked;    // name given to the resolver ("" for none)
  std::string message;
};

class ResolveHostTest : public ::testing::TestWithParam<HostCase> {
 protected:
  void SetUp() override {
    g_asked.clear();
    previous_ = SetHostLookupFunction(&FakeLookup);
  }
  void TearDown() override { SetHostLookupFunction(previous_); }

 private:
  HostLookupFunction previous_ = nullptr;
};

TEST_P(ResolveHostTest, ConvertsOrRaises) {
  const HostCase& c = GetParam();
  if (c.message.empty()) {
    EXPECT_EQ(DottedAddress(WSocketResolveHost(c.host)), c.address);
  } else {
    EXPECT_EQ(ErrorOf([&] { WSocketResolveHost(c.host); }), c.message);
  }
  EXPECT_EQ(g_asked, c.asked);
}

const std::string kLongName = std::string(245, 'h') + ".multi.test";

INSTANTIATE_TEST_SUITE_P(
    Table, ResolveHostTest,
    ::testing::Values(
        HostCase{"255.255.255.255", "255.255.255.255", "", ""},
        HostCase{"127.0.0.1", "127.0.0.1", "", ""},
        HostCase{" 127.0.0.1 ", "127.0.0.1", "", ""},
        HostCase{"multi.test", "10.0.0.1", "multi.test", ""},
        HostCase{"  multi.test\t", "10.0.0.1", "multi.test", ""},
        HostCase{"300.1.1.1", "", "300.1.1.1",
                 "WSocketResolveHost: Cannot convert host address "
                 "'300.1.1.1', Error #11001"},
        HostCase{"09.1.1.1", "", "",
                 "WSocketResolveHost: '09.1.1.1' Invalid IP address."},
        HostCase{"", "", "", "WSocketResolveHost: '' Invalid Hostname."},
        HostCase{kLongName, "", kLongName,
                 "WSocketResolveHost: Cannot convert host address '" +
                     kLongName + "', Error #11001"},
        HostCase{kLongName + "x", "", "",
                 "WSocketResolveHost: '" + kLongName +
                     "x' Invalid Hostname."}));

TEST(ResolveHostSystemTest, LocalhostResolvesToLoopback) {
  EXPECT_EQ(WSocketResolveHost("localhost"), htonl(0x7F000001));
}

TEST(ResolveHostSystemTest, UnknownNameRaisesWithResolverCode) {
  const std::string message =
      ErrorOf([] { WSocketResolveHost(kImpossibleName); });
  EXPECT_EQ(message.rfind("WSocketResolveHost: Cannot convert host address '" +
                              kImpossibleName + "', Error #1100",
                          0),
            0u)
      << message;
}

TEST(ResolveHostSystemTest, LookupRemovesDuplicateAddresses) {
  std::vector<std::uint32_t> addresses;
  ASSERT_EQ(LookupHostAddresses("127.0.0.1", addresses), 0);
  EXPECT_EQ(addresses, std::vector<std::uint32_t>{htonl(0x7F000001)});
}

TEST(ResolveHostSystemTest, NameWithNulIsNotFound) {
  std::vector<std::uint32_t> addresses;
  EXPECT_EQ(LookupHostAddresses(std::string("localhost\0.evil", 15), addresses),
            WSAHOST_NOT_FOUND);
  EXPECT_TRUE(addresses.empty());
}

}  // namespace
}  // namespace varnel::socket
