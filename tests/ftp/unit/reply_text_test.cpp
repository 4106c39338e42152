#include "ftp/ftp_reply_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace varnel::ftp {
namespace {

// ---- leading number and continuation lines ----

struct NumberCase {
  std::string line;
  int number;
  bool starts_with_digit;
  bool continuation;
};

class LeadingNumberTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTable, ReadsNumberDigitStartAndContinuation) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(LeadingNumber(c.line), c.number) << c.line;
  EXPECT_EQ(StartsWithDigit(c.line), c.starts_with_digit) << c.line;
  EXPECT_EQ(IsContinuationLine(c.line), c.continuation) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LeadingNumberTable,
    ::testing::Values(NumberCase{"220 Welcome", 220, true, false},
                      NumberCase{"220-Welcome", 220, true, true},
                      NumberCase{"220 -not a continuation", 220, true, false},
                      NumberCase{"226", 226, true, false},
                      NumberCase{"", 0, false, false},
                      NumberCase{"Welcome text", 0, false, false},
                      NumberCase{"  \t331 blanks first", 331, false, false},
                      NumberCase{"\r\n150 line ends first", 150, false, false},
                      NumberCase{"+12 sign", 12, false, false},
                      NumberCase{"-7-dash", -7, false, true},
                      NumberCase{"-", 0, false, false},
                      NumberCase{"99999999999999999999 over-long", INT_MAX, true, false},
                      NumberCase{"99999999999999999999-over-long", INT_MAX, true, true},
                      NumberCase{"0 zero", 0, true, false},
                      NumberCase{"1234-", 1234, true, true}));

// ---- the end of a reply ----

// A reply as it arrives, line by line, and which lines end a reply.
struct ReplyCase {
  const char* name;
  std::vector<std::string> lines;
  std::vector<bool> ends;
};

class EndsReplyTable : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(EndsReplyTable, EndsOnlyAtTheOpeningCodeFollowedByABlank) {
  int open_code = 0;
  std::vector<bool> ends;
  for (const std::string& line : GetParam().lines) ends.push_back(EndsReply(line, open_code));
  EXPECT_EQ(ends, GetParam().ends);
  EXPECT_EQ(open_code, GetParam().ends.back() ? 0 : LeadingNumber(GetParam().lines.front()));
}

INSTANTIATE_TEST_SUITE_P(
    Replies, EndsReplyTable,
    ::testing::Values(
        ReplyCase{"OneLine", {"200 Ok"}, {true}},
        ReplyCase{"CodeAlone", {"200"}, {true}},
        ReplyCase{"OtherCodeInside",
                  {"230-Welcome", "200 users online", "230 Logged in"},
                  {false, false, true}},
        ReplyCase{"ContinuationOfTheSameCode", {"214-Help", "214-more", "214 Done"},
                  {false, false, true}},
        ReplyCase{"IndentedText", {"211-Features:", " MDTM", " SIZE", "211 End"},
                  {false, false, false, true}},
        ReplyCase{"CodeGlued", {"220-Hi", "220there", "220 Ready"}, {false, false, true}},
        ReplyCase{"StillOpen", {"257-The directory is"}, {false}},
        ReplyCase{"TextBeforeAReply", {"Welcome", "220 Ready"}, {false, true}}),
    [](const ::testing::TestParamInfo<ReplyCase>& c) { return std::string(c.param.name); });

// ---- quoted name ----

struct QuotedCase {
  std::string line;
  std::string name;
};

class QuotedNameTable : public ::testing::TestWithParam<QuotedCase> {};

TEST_P(QuotedNameTable, TakesTheNameAfterTheCode) {
  EXPECT_EQ(QuotedName(GetParam().line), GetParam().name) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, QuotedNameTable,
    ::testing::Values(QuotedCase{"257 \"/pub\" is current directory", "/pub"},
                      QuotedCase{"257 \"/pub/a\"\"b\" created", "/pub/a\"b"},
                      QuotedCase{"257 \"\"\"\"", "\""},
                      QuotedCase{"257 \"\" empty", ""},
                      QuotedCase{"250 CWD command successful", ""},
                      QuotedCase{"250 Directory \"/x\" later", ""},
                      QuotedCase{"257 \"/no/closing/quote", "/no/closing/quote"},
                      QuotedCase{"257 \"/ends/with/doubled\"\"", "/ends/with/doubled\""},
                      QuotedCase{"257    \t\"/after/blanks\" x", "/after/blanks"},
                      QuotedCase{"257", ""}, QuotedCase{"", ""}));

// ---- second number (SIZE) ----

struct SecondCase {
  std::string line;
  std::int64_t value;
};

class SecondNumberTable : public ::testing::TestWithParam<SecondCase> {};

TEST_P(SecondNumberTable, ReadsTheSizeAfterTheCode) {
  EXPECT_EQ(SecondNumber(GetParam().line), GetParam().value) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SecondNumberTable,
    ::testing::Values(SecondCase{"213 1234", 1234}, SecondCase{"213   \t 77", 77},
                      SecondCase{"213 5368709120", 5368709120LL},
                      SecondCase{"213 +42", 42}, SecondCase{"213 -1", -1},
                      SecondCase{"213 file size unknown", 0}, SecondCase{"213", 0},
                      SecondCase{"213 99999999999999999999999", INT64_MAX},
                      SecondCase{"213 12abc", 12}));

// ---- PASV port ----

struct PasvCase {
  std::string reply;
  std::optional<std::uint16_t> port;
};

class PasvPortTable : public ::testing::TestWithParam<PasvCase> {};

TEST_P(PasvPortTable, ReadsOnlyAWellFormedPort) {
  EXPECT_EQ(PasvPort(GetParam().reply), GetParam().port) << GetParam().reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, PasvPortTable,
    ::testing::Values(
        PasvCase{"227 Entering Passive Mode (127,0,0,1,4,1).", 1025},
        PasvCase{"227 Entering Passive Mode (10,1,2,3,255,255)", 65535},
        PasvCase{"227 Entering Passive Mode ( 127, 0, 0, 1, 195, 80 )", 50000},
        PasvCase{"227 Entering Passive Mode 127,0,0,1,4,1", 1025},
        PasvCase{"227 =127,0,0,1,0,21", 21},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,4)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,4,)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,4,x)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,256,1)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,4,1000)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,99999999999999999999,1)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (127,0,0,1,0,0)", std::nullopt},
        PasvCase{"227 Entering Passive Mode (a,b,c,d,e,f)", std::nullopt},
        PasvCase{"227 Entering Passive Mode", std::nullopt},
        PasvCase{"227 Entering Passive Mode (", std::nullopt}, PasvCase{"", std::nullopt},
        PasvCase{"227 junk ((127,0,0,1,4,1)", std::nullopt}));

// ---- transfer summary ----

struct SummaryCase {
  std::int64_t bytes;
  std::int64_t elapsed_ms;
  std::string text;
};

class SummaryTable : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryTable, FormatsCountSecondsAndRate) {
  EXPECT_EQ(TransferSummary(GetParam().bytes, GetParam().elapsed_ms), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, SummaryTable,
    ::testing::Values(
        SummaryCase{3000, 1500, "3000 bytes received/sent in 1 seconds (2000 Bytes/sec)"},
        SummaryCase{3000, 0, "3000 bytes received/sent in 0 seconds"},
        SummaryCase{0, 250, "0 bytes received/sent in 0 seconds (0 Bytes/sec)"},
        SummaryCase{32767, 1000, "32767 bytes received/sent in 1 seconds (32767 Bytes/sec)"},
        // Above 32767 the rate stays exact: no truncation to whole bytes per ms.
        SummaryCase{40000, 1500, "40000 bytes received/sent in 1 seconds (26666 Bytes/sec)"},
        SummaryCase{100000, 150000, "100000 bytes received/sent in 150 seconds (666 Bytes/sec)"},
        SummaryCase{5368709120LL, 10000,
                    "5368709120 bytes received/sent in 10 seconds (536870912 Bytes/sec)"},
        SummaryCase{INT64_MAX, 1000,
                    "9223372036854775807 bytes received/sent in 1 seconds "
                    "(9223372036854775807 Bytes/sec)"}));

// ---- USER command ----

struct UserCase {
  TFtpConnectionType type;
  std::string port;
  std::string command;
};

class UserCommandTable : public ::testing::TestWithParam<UserCase> {};

TEST_P(UserCommandTable, NamesTheRealServerOnlyThroughAnFtpProxy) {
  EXPECT_EQ(UserCommand(GetParam().type, "anna", "ftp.example.org", GetParam().port),
            GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Types, UserCommandTable,
    ::testing::Values(UserCase{ftpProxy, "ftp", "USER anna@ftp.example.org"},
                      UserCase{ftpProxy, "FTP", "USER anna@ftp.example.org"},
                      UserCase{ftpProxy, "Ftp", "USER anna@ftp.example.org"},
                      UserCase{ftpProxy, "21", "USER anna@ftp.example.org"},
                      UserCase{ftpProxy, "2121", "USER anna@ftp.example.org:2121"},
                      UserCase{ftpProxy, "021", "USER anna@ftp.example.org:021"},
                      UserCase{ftpDirect, "2121", "USER anna"},
                      UserCase{ftpSocks5, "2121", "USER anna"},
                      UserCase{ftpSocks4A, "ftp", "USER anna"}));

// ---- PORT command and error words ----

TEST(PortCommand, WritesAddressBytesAndPortHalves) {
  const std::uint8_t address[4] = {192, 168, 7, 200};
  EXPECT_EQ(PortCommand(address, 50000), "PORT 192,168,7,200,195,80");
  EXPECT_EQ(PortCommand(address, 255), "PORT 192,168,7,200,0,255");
}

struct ErrorWordCase {
  int status;
  std::uint16_t word;
};

class ReplyErrorWordTable : public ::testing::TestWithParam<ErrorWordCase> {};

TEST_P(ReplyErrorWordTable, NeverReadsAsSuccess) {
  EXPECT_EQ(ReplyErrorWord(GetParam().status), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(Codes, ReplyErrorWordTable,
                         ::testing::Values(ErrorWordCase{550, 550}, ErrorWordCase{1, 1},
                                           ErrorWordCase{65535, 65535}, ErrorWordCase{0, 500},
                                           ErrorWordCase{65536, 500}, ErrorWordCase{-5, 500},
                                           ErrorWordCase{INT_MAX, 500}));

TEST(CommandWithArgument, KeepsOneBlankEvenForAnEmptyArgument) {
  EXPECT_EQ(CommandWithArgument("MKD", ""), "MKD ");
  EXPECT_EQ(CommandWithArgument("RNTO", " spaced name "), "RNTO  spaced name ");
}

}  // namespace
}  // namespace varnel::ftp
