// Pieces shared by the engine tests against the scripted server: the usual
// log-in exchange, pointing an engine at the server, and matching the
// recorded command stream.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftp_client.h"
#include "ftp/support/fake_ftp_server.h"
#include "ftp/support/ftp_probe.h"
#include "runtime/test_temp_folder.h"

namespace varnel::ftp::testing {

using Lines = std::vector<std::string>;

inline constexpr const char* kUser = "bob";
inline constexpr const char* kPassword = "secret";

// Banner, USER with 331, PASS with 230.
inline FakeFtpScript LoginScript() {
  FakeFtpScript script;
  script.Reply("220 Fake FTP ready\r\n")
      .Expect("USER bob")
      .Reply("331 Password required for bob\r\n")
      .Expect("PASS secret")
      .Reply("230 User bob logged in\r\n");
  return script;
}

// The server's side of an upload that goes through: `command`, the data
// connection, 150, the bytes until the client closes, 226.
inline FakeFtpScript& AcceptUpload(FakeFtpScript& script, const std::string& command) {
  return script.Expect(command)
      .OpenData()
      .Reply("150 Ok to send data\r\n")
      .ReceiveData()
      .Reply("226 Transfer complete\r\n");
}

inline const Lines& LoginCommands() {
  static const Lines lines{"USER bob", "PASS secret"};
  return lines;
}

inline Lines Concat(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

inline void PointAt(TCustomFtpCli& ftp, const FakeFtpServer& server) {
  ftp.SetHostName("127.0.0.1");
  ftp.SetPort(server.PortText());
  ftp.SetUserName(kUser);
  ftp.SetPassWord(kPassword);
}

// Compares a command stream with the expected one, where an expected entry
// ending in "*" matches any line that starts with the text before it (the
// PORT numbers, which name a port the system chose).
inline ::testing::AssertionResult CommandsAre(const Lines& actual, const Lines& expected) {
  bool same = actual.size() == expected.size();
  for (std::size_t i = 0; same && i < actual.size(); ++i) {
    const std::string& want = expected[i];
    same = !want.empty() && want.back() == '*'
               ? actual[i].rfind(want.substr(0, want.size() - 1), 0) == 0
               : actual[i] == want;
  }
  if (same) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << "commands received:";
  for (const auto& line : actual) failure << "\n  " << line;
  failure << "\nexpected:";
  for (const auto& line : expected) failure << "\n  " << line;
  return failure;
}

// The data-preparation command a mode sends.
inline std::string DataCommand(bool passive) { return passive ? "PASV" : "PORT 127,0,0,1,*"; }

// An engine with its events recorded and a private folder, logged in to a
// scripted server by the test.
class FakeSessionTest : public ::testing::Test {
 protected:
  void LogIn(const FakeFtpServer& server, bool passive = true) {
    PointAt(ftp, server);
    ftp.SetPassive(passive);
    ASSERT_EQ(probe.Run(&TCustomFtpCli::ConnectAsync), (Completion{ftpConnectAsync, 0}))
        << probe.Log();
  }

  // Names the remote file and its local copy in the test's folder.
  void Files(const std::string& name) {
    ftp.SetHostFileName(name);
    ftp.SetLocalFileName(folder.File(name));
  }

  varnel::testing::TempFolder folder;
  TFtpClient ftp;
  FtpProbe probe{ftp};
};

// A session that runs transfers.
class FakeTransfer : public FakeSessionTest {
 protected:
  // Runs a request that must end exactly once.
  Completion RunOnce(void (TCustomFtpCli::*request)()) {
    Completion done = probe.Run(request);
    RunFor(150);
    EXPECT_EQ(probe.done.size(), 2u) << "the request must end exactly once";
    return done;
  }
};

}  // namespace varnel::ftp::testing
