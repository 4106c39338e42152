// What a hostile or unusual server does to the engine, against the scripted
// server: stray replies behind a 227, a third party that takes the PORT
// listener first, lines inside a multi-line reply that look like a reply of
// their own, and a preliminary greeting.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ftp/support/fake_session.h"
#include "ftp/support/plain_client.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::ReadBytes;
using varnel::testing::WriteBytes;

const std::string kPayload = "0123456789";

using FakeFaults = FakeSessionTest;

// ---- a passive upload must send STOR, whatever follows the 227

class FakeStrayReplyAfterPasv : public FakeFaults,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(FakeStrayReplyAfterPasv, IsOnlyLoggedAndTheUploadGoesThrough) {
  FakeFtpScript script = LoginScript();
  AcceptUpload(script.ExpectPasv(PasvReply::kNormal, GetParam()), "STOR up.bin");
  FakeFtpServer server(script);
  LogIn(server, true);
  WriteBytes(folder.File("up.bin"), kPayload);
  Files("up.bin");
  EXPECT_EQ(probe.Run(&TCustomFtpCli::PutAsync), (Completion{ftpPutAsync, 0})) << probe.Log();
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{}) << server.Report();
  EXPECT_EQ(server.Uploads(), Lines{kPayload});
  EXPECT_TRUE(CommandsAre(server.Commands(), Concat(LoginCommands(), {"PASV", "STOR up.bin"})));
  const std::string stray(GetParam());
  EXPECT_TRUE(probe.Displayed("< " + stray.substr(0, stray.size() - 2))) << probe.Log();
}

INSTANTIATE_TEST_SUITE_P(Trailers, FakeStrayReplyAfterPasv,
                         ::testing::Values("200 Command okay.\r\n",
                                           "227 Entering Passive Mode (127,0,0,1,1,2).\r\n"));

// ---- active mode: the data connection comes from the server or not at all

// The port of the "> PORT h1,h2,h3,h4,p1,p2" line in the log, 0 when none.
unsigned LoggedPortNumber(const FtpProbe& probe) {
  for (const auto& line : probe.display) {
    unsigned n[6] = {};
    if (std::sscanf(line.c_str(), "> PORT %u,%u,%u,%u,%u,%u", &n[0], &n[1], &n[2], &n[3], &n[4],
                    &n[5]) == 6) {
      return n[4] * 256 + n[5];
    }
  }
  return 0;
}

struct StealCase {
  const char* name;
  bool upload;
};

void PrintTo(const StealCase& c, std::ostream* out) { *out << c.name; }

class FakePortStealing : public FakeFaults, public ::testing::WithParamInterface<StealCase> {};

// A third party on another address connects to the PORT listener before
// the server does: it is closed, and the transfer runs with the server.
TEST_P(FakePortStealing, OnlyTheServerMayConnect) {
  const bool upload = GetParam().upload;
  FakeFtpScript script = LoginScript();
  script.ExpectPort().Expect(upload ? "STOR up.bin" : "RETR data.bin").Pause(300).OpenData();
  if (upload) {
    script.Reply("150 Ok to send data\r\n").ReceiveData();
  } else {
    script.Reply("150 Opening\r\n").SendData(kPayload).CloseData();
  }
  script.Reply("226 Transfer complete\r\n");
  FakeFtpServer server(script);
  LogIn(server, false);
  if (upload) WriteBytes(folder.File("up.bin"), kPayload);
  Files(upload ? "up.bin" : "data.bin");
  ASSERT_EQ(probe.Start(upload ? &TCustomFtpCli::PutAsync : &TCustomFtpCli::GetAsync), "");
  ASSERT_TRUE(RunUntil([&] { return LoggedPortNumber(probe) != 0; }));
  PlainClient thief(LoggedPortNumber(probe), "127.0.0.1", "127.0.0.2");
  ASSERT_TRUE(thief.Connected());
  thief.Send("stolen");
  ASSERT_TRUE(probe.WaitDone(2)) << probe.Log();
  EXPECT_EQ(probe.done.back(), (Completion{upload ? ftpPutAsync : ftpGetAsync, 0})) << probe.Log();
  EXPECT_EQ(thief.ReadAll(), "") << "the thief got the upload";
  if (upload) {
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Uploads(), Lines{kPayload});
  } else {
    EXPECT_EQ(ReadBytes(folder.File("data.bin")), kPayload);
  }
  EXPECT_TRUE(probe.Displayed("! Data connection from 127.0.0.2 refused: not the server"))
      << probe.Log();
  EXPECT_EQ(server.Failures(), Lines{}) << server.Report();
}

INSTANTIATE_TEST_SUITE_P(Directions, FakePortStealing,
                         ::testing::Values(StealCase{"Download", false},
                                           StealCase{"Upload", true}),
                         [](const ::testing::TestParamInfo<StealCase>& c) {
                           return std::string(c.param.name);
                         });

// ---- replies

// RFC 959 section 4.2: only the opening code followed by a blank ends a
// multi-line reply; a line inside it that starts with another code is text.
TEST_F(FakeFaults, MultiLineReplyEndsOnlyAtItsOwnCode) {
  FakeFtpServer server(FakeFtpScript()
                           .Reply("220 Fake\r\n")
                           .Expect("USER bob")
                           .Reply("331 Password required\r\n")
                           .Expect("PASS secret")
                           .Reply("230-Welcome\r\n200 users online\r\n230 Logged in\r\n")
                           .Expect("PWD")
                           .Reply("257 \"/\"\r\n"));
  LogIn(server, true);
  EXPECT_EQ(ftp.LastResponse(), "230 Logged in");
  EXPECT_EQ(ftp.StatusCode(), 230);
  EXPECT_TRUE(probe.Displayed("< 200 users online"));
  EXPECT_EQ(probe.Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0})) << probe.Log();
  EXPECT_EQ(ftp.DirResult(), "/");
  EXPECT_EQ(server.Failures(), Lines{}) << server.Report();
}

// 120: "service ready in nnn minutes"; the session opens with the 220.
TEST_F(FakeFaults, PreliminaryGreetingWaitsForThe220) {
  FakeFtpServer server(FakeFtpScript()
                           .Reply("120 Service ready in 1 minute\r\n")
                           .Pause(100)
                           .Reply("220 Ready\r\n"));
  PointAt(ftp, server);
  EXPECT_EQ(probe.Run(&TCustomFtpCli::OpenAsync), (Completion{ftpOpenAsync, 0})) << probe.Log();
  EXPECT_EQ(probe.connected, std::vector<std::uint16_t>{0});
  EXPECT_EQ(probe.display, (Lines{"< 120 Service ready in 1 minute", "< 220 Ready"}));
  EXPECT_TRUE(ftp.Connected());
  EXPECT_EQ(ftp.ErrorMessage(), "");
}

}  // namespace
}  // namespace varnel::ftp::testing
