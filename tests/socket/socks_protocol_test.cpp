// SOCKS wire formats: message bytes, reply lengths, levels and field limits.
// The refusal tables are checked through the socket (socks_refusal_test).
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>

#include "socket/socks_protocol.h"
#include "socks_test_support.h"

namespace varnel::socket {
namespace {

using testing::Bytes;
namespace s = socks;

struct MessageCase {
  const char* name;
  std::string built;
  std::string expected;
};

class SocksMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(SocksMessageTest, BytesOnTheWire) { EXPECT_EQ(GetParam().built, GetParam().expected); }

const std::string kLongName(255, 'n');

INSTANTIATE_TEST_SUITE_P(
    Messages, SocksMessageTest,
    ::testing::Values(
        MessageCase{"MethodNone", s::MethodSelection(s::kMethodNoAuthentication), Bytes({5, 1, 0})},
        MessageCase{"MethodUserPassword", s::MethodSelection(s::kMethodUserPassword),
                    Bytes({5, 1, 2})},
        MessageCase{"Credentials", s::UserPasswordRequest("bob", "pw"),
                    Bytes({1, 3, 'b', 'o', 'b', 2, 'p', 'w'})},
        MessageCase{"EmptyCredentials", s::UserPasswordRequest("", ""), Bytes({1, 0, 0})},
        MessageCase{"V5Name", s::V5ConnectRequest("ftp.example", 21),
                    Bytes({5, 1, 0, 3, 11}) + "ftp.example" + Bytes({0, 21})},
        // A dotted address still travels as a name.
        MessageCase{"V5Dotted", s::V5ConnectRequest("10.0.0.1", 0x1234),
                    Bytes({5, 1, 0, 3, 8}) + "10.0.0.1" + Bytes({0x12, 0x34})},
        MessageCase{"V5LongestName", s::V5ConnectRequest(kLongName, 65535),
                    Bytes({5, 1, 0, 3, 255}) + kLongName + Bytes({255, 255})},
        MessageCase{"V4", s::V4ConnectRequest(21, inet_addr("192.168.1.2"), "joe"),
                    Bytes({4, 1, 0, 21, 192, 168, 1, 2, 'j', 'o', 'e', 0})},
        MessageCase{"V4NoUser", s::V4ConnectRequest(2121, inet_addr("10.0.0.1"), ""),
                    Bytes({4, 1, 0x08, 0x49, 10, 0, 0, 1, 0})},
        MessageCase{"V4aNoUser", s::V4aConnectRequest(21, "", "ftp.example"),
                    Bytes({4, 1, 0, 21, 0, 0, 0, 1, 0}) + "ftp.example" + Bytes({0})},
        MessageCase{"V4aUser", s::V4aConnectRequest(21, "ann", "h"),
                    Bytes({4, 1, 0, 21, 0, 0, 0, 1, 'a', 'n', 'n', 0, 'h', 0})}),
    [](const ::testing::TestParamInfo<MessageCase>& p) { return p.param.name; });

TEST(SocksReplyLength, FollowsTheAddressType) {
  EXPECT_EQ(s::V5ReplyLength(s::kAddressIPv4, 99), 10u);
  EXPECT_EQ(s::V5ReplyLength(s::kAddressDomainName, 9), 16u);
  EXPECT_EQ(s::V5ReplyLength(s::kAddressDomainName, 255), 262u);
  EXPECT_EQ(s::V5ReplyLength(4, 0), 5u);  // IPv6 and unknown types: refused at 5 bytes
}

struct LevelCase {
  std::string given;
  std::string stored;  // empty: refused
};

class SocksLevelTest : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SocksLevelTest, ExactTextsOnly) {
  EXPECT_EQ(s::NormalizeSocksLevel(GetParam().given), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Levels, SocksLevelTest,
                         ::testing::Values(LevelCase{"4", "4"}, LevelCase{"4A", "4A"},
                                           LevelCase{"4a", "4A"}, LevelCase{"5", "5"},
                                           LevelCase{" 5", ""}, LevelCase{"5 ", ""},
                                           LevelCase{"", ""}, LevelCase{"6", ""},
                                           LevelCase{"4b", ""}, LevelCase{"45", ""}));

TEST(SocksFieldProblem, LengthAndZeroBytes) {
  EXPECT_EQ(s::SocksFieldProblem("Socks password", std::string(255, 'p'), false), "");
  EXPECT_EQ(s::SocksFieldProblem("Socks password", std::string(256, 'p'), false),
            "Socks password too long. Must be at most 255 bytes.");
  EXPECT_EQ(s::SocksFieldProblem("Socks password", std::string("a\0b", 3), false), "");
  EXPECT_EQ(s::SocksFieldProblem("Socks user code", std::string("a\0b", 3), true),
            "Socks user code can't contain a zero byte.");
}

}  // namespace
}  // namespace varnel::socket
