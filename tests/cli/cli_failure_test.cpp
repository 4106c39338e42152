// Failure messages for people: each kind of failure the engine reports,
// in the words a Linux user reads.
#include <gtest/gtest.h>

#include "cli/cli_failure.h"

namespace varnel::cli {
namespace {

struct MessageCase {
  const char* name;
  Outcome outcome;
  const char* step;
  const char* message;
  bool login = false;
};

class FailureMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(FailureMessages, SpeakToTheUser) {
  FailureScene scene;
  scene.step = GetParam().step;
  scene.login = GetParam().login;
  scene.lookup_host = "files.example";
  scene.peer = "127.0.0.1:2121";
  scene.timeout_seconds = 15;
  scene.max_time_seconds = 1;
  EXPECT_EQ(FailureMessage(GetParam().outcome, scene), GetParam().message);
}

constexpr Ending kFailed = Ending::kFailed;

INSTANTIATE_TEST_SUITE_P(
    Table, FailureMessages,
    ::testing::Values(
        MessageCase{"UnknownHost",
                    {false, 11001, "500 Host not found (Winsock error #11001)", kFailed},
                    "connect",
                    "cannot resolve host \"files.example\""},
        MessageCase{"Refused",
                    {false, 10061, "500 Connection refused (Winsock error #10061)", kFailed},
                    "connect",
                    "connection refused by 127.0.0.1:2121"},
        MessageCase{"NoRoute",
                    {false, 10065, "500 No route to host (Winsock error #10065)", kFailed},
                    "connect",
                    "cannot connect to 127.0.0.1:2121 (no route to host)"},
        MessageCase{"Banner",
                    {false, 421, "421 Too many users", kFailed},
                    "connect",
                    "the server refused the connection (421 Too many users)"},
        MessageCase{"SilentServer",
                    {false, 426, "426 Timeout", Ending::kTimedOut},
                    "connect",
                    "no answer from 127.0.0.1:2121 within 15 seconds (--timeout)"},
        MessageCase{"SocksRefusal",
                    {false, 20008, "500 Not a WinSock error (Winsock error #20008)", kFailed},
                    "connect",
                    "the SOCKS proxy 127.0.0.1:2121 failed: connection refused"},
        MessageCase{"Login",
                    {false, 530, "530 Login incorrect.", kFailed},
                    "PASS",
                    "login refused (530 Login incorrect.)",
                    true},
        MessageCase{"UserRefused",
                    {false, 421, "421 Not allowed", kFailed},
                    "USER",
                    "login refused (421 Not allowed)",
                    true},
        // PASS sent by quote in a logged-in session is a command like any other.
        MessageCase{"QuotedPass",
                    {false, 503, "503 Already logged in", kFailed},
                    "PASS",
                    "the server refused PASS (503 Already logged in)"},
        MessageCase{"Refusal",
                    {false, 550, "550 No such file or directory", kFailed},
                    "RETR",
                    "the server refused RETR (550 No such file or directory)"},
        MessageCase{"Permission",
                    {false, 550, "550 /x: Permission denied", kFailed},
                    "STOR",
                    "permission denied by the server (550 /x: Permission denied)"},
        MessageCase{"Privileges",
                    {false, 550, "550 Not enough privileges.", kFailed},
                    "DELE",
                    "permission denied by the server (550 Not enough privileges.)"},
        MessageCase{"NotLoggedIn",
                    {false, 530, "530 Please login with USER and PASS.", kFailed},
                    "MKD",
                    "permission denied by the server (530 Please login with USER and PASS.)"},
        MessageCase{"ServerDataRefusal",
                    {false, 425, "425 Can't open data connection.", kFailed},
                    "RETR",
                    "the server cannot open the data connection (425 Can't open data connection.)"},
        MessageCase{"DataConnect",
                    {false, 550, "Unable to establish data connection, error #10061", kFailed},
                    "RETR",
                    "cannot open the data connection (connection refused)"},
        MessageCase{"PasvJunk",
                    {false, 550, "550 No data port in the PASV reply: 227 Go away", kFailed},
                    "RETR",
                    "the server's answer to PASV names no data port (227 Go away)"},
        MessageCase{"DataReset",
                    {false, 10054, "426 Data connection closed with error #10054", kFailed},
                    "RETR",
                    "the data connection broke (connection reset by peer)"},
        MessageCase{"Closed",
                    {false, 426, "426 Connection closed before the reply", kFailed},
                    "SIZE",
                    "the server closed the connection"},
        MessageCase{"NotConnected",
                    {false, 10057, "500 Socket is not connected (Winsock error #10057)", kFailed},
                    "DELE",
                    "not connected to the server"},
        MessageCase{"LocalFile",
                    {false, 550, "Unable to open local file /tmp/x", kFailed},
                    "RETR",
                    "cannot open the local file /tmp/x"},
        MessageCase{"Silent",
                    {false, 426, "426 Timeout", Ending::kTimedOut},
                    "RETR",
                    "timed out: no progress for 15 seconds (--timeout)"},
        MessageCase{"MaxTime",
                    {false, 0, "", Ending::kMaxTime},
                    "RETR",
                    "stopped by --max-time after 1 second"},
        MessageCase{"MaxTimeConnecting",
                    {false, 0, "", Ending::kMaxTime},
                    "connect",
                    "connecting to 127.0.0.1:2121 stopped by --max-time after 1 second",
                    true},
        MessageCase{"SilentLogin",
                    {false, 426, "426 Timeout", Ending::kTimedOut},
                    "PASS",
                    "login timed out: no progress for 15 seconds (--timeout)",
                    true},
        MessageCase{"RefusedToStart",
                    {false, 0, "RETR: not connected", Ending::kNotStarted},
                    "RETR",
                    "not connected to the server"},
        MessageCase{"OwnText",
                    {false, 331, "the server asks for a password", Ending::kNotStarted},
                    "PASS",
                    "the server asks for a password"}),
    [](const ::testing::TestParamInfo<MessageCase>& param_info) { return param_info.param.name; });

TEST(HostPortText, PutsAnIPv6AddressInBrackets) {
  EXPECT_EQ(HostPortText("ftp.example", "21"), "ftp.example:21");
  EXPECT_EQ(HostPortText("::1", "2121"), "[::1]:2121");
}

}  // namespace
}  // namespace varnel::cli
