// Data connections against the scripted server: the end of a download in
// every order of reply and close, PASV replies good and bad, refused data
// connections, failing requests inside sequences, local files that cannot
// be opened or read, aborts, and a resumed passive upload.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "ftp/support/fake_ftp_server.h"
#include "ftp/support/fake_session.h"
#include "ftp/support/ftp_probe.h"
#include "runtime/test_temp_folder.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::ReadBytes;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;

const std::string kPayload = "0123456789";

std::size_t CountPrefix(const Lines& lines, const std::string& prefix) {
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
    return l.rfind(prefix, 0) == 0;
  }));
}

// ---- the end of a download: first reply, final reply and close in any order

struct EndCase {
  bool passive;
  const char* first_reply;
  bool reply_before_close;
};

class FakeDownloadEnd : public FakeTransfer, public ::testing::WithParamInterface<EndCase> {};

TEST_P(FakeDownloadEnd, FinishesOnceWithTheDataAndASummary) {
  const EndCase& c = GetParam();
  FakeFtpScript script = LoginScript();
  if (c.passive) {
    script.ExpectPasv();
  } else {
    script.ExpectPort();
  }
  script.Expect("RETR data.bin").OpenData().Reply(std::string(c.first_reply) + " Opening\r\n");
  script.SendData(kPayload);
  if (c.reply_before_close) {
    script.Reply("226 Transfer complete\r\n").Pause(100).CloseData();
  } else {
    script.CloseData().Pause(100).Reply("226 Transfer complete\r\n");
  }
  FakeFtpServer server(script);
  LogIn(server, c.passive);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 0})) << probe.Log();
  EXPECT_EQ(ReadBytes(folder.File("data.bin")), kPayload);
  EXPECT_EQ(CountPrefix(probe.display, "! 10 bytes received/sent in "), 1u) << probe.Log();
  EXPECT_EQ(ftp.ResumeAt(), 0);
  EXPECT_EQ(ftp.ByteCount(), 10);
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_TRUE(CommandsAre(server.Commands(),
                          Concat(LoginCommands(), {DataCommand(c.passive), "RETR data.bin"})));
  EXPECT_EQ(server.Failures(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Orders, FakeDownloadEnd,
    ::testing::Values(EndCase{true, "150", true}, EndCase{true, "150", false},
                      EndCase{true, "125", true}, EndCase{true, "125", false},
                      EndCase{false, "150", true}, EndCase{false, "150", false},
                      EndCase{false, "125", true}, EndCase{false, "125", false}),
    [](const ::testing::TestParamInfo<EndCase>& c) {
      return std::string(c.param.passive ? "Passive" : "Active") + c.param.first_reply +
             (c.param.reply_before_close ? "ReplyThenClose" : "CloseThenReply");
    });

// Some servers (pyftpdlib among them) connect to the PORT address as soon
// as PORT arrives, then answer the transfer command with 125.
TEST_F(FakeTransfer, ActiveServerConnectingRightAfterPortStillTransfers) {
  FakeFtpScript script = LoginScript();
  script.ExpectPortAndConnect()
      .Expect("RETR data.bin")
      .Reply("125 Data connection already open. Transfer starting.\r\n")
      .SendData(kPayload)
      .CloseData()
      .Reply("226 Transfer complete.\r\n");
  FakeFtpServer server(script);
  LogIn(server, false);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 0})) << probe.Log();
  EXPECT_EQ(ReadBytes(folder.File("data.bin")), kPayload);
  EXPECT_EQ(server.Failures(), Lines{});
}

TEST_F(FakeTransfer, FailingFinalReplyEndsTheDownloadWithItsCode) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData("par")
      .Reply("451 Local error in processing\r\n")
      .CloseData();
  FakeFtpServer server(script);
  LogIn(server);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 451}));
  EXPECT_EQ(ftp.ErrorMessage(), "451 Local error in processing");
  EXPECT_TRUE(probe.Displayed("! RETR/LIST/NLST Failed"));
  EXPECT_TRUE(ftp.Connected());
}

// A data connection that breaks off leaves an incomplete file, whatever
// the server answers afterwards.
TEST_F(FakeTransfer, DownloadWhoseDataConnectionIsResetFails) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData("part")
      .Pause(50)
      .ResetData()
      .Pause(50)
      .Reply("226 Transfer complete\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  Files("data.bin");
  Completion done = RunOnce(&TCustomFtpCli::GetAsync);
  EXPECT_EQ(done.type, ftpGetAsync);
  EXPECT_NE(done.error, 0) << probe.Log();
  EXPECT_NE(ftp.ErrorMessage(), "");
}

TEST_F(FakeTransfer, UploadWhoseDataConnectionTheServerDropsFails) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("STOR up.bin")
      .OpenData()
      .Reply("150 Ok to send data\r\n")
      .ResetData()
      .Pause(100)
      .Reply("426 Connection closed; transfer aborted.\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  WriteBytes(folder.File("up.bin"), std::string(4 << 20, 'u'));
  Files("up.bin");
  Completion done = RunOnce(&TCustomFtpCli::PutAsync);
  EXPECT_EQ(done.type, ftpPutAsync);
  EXPECT_NE(done.error, 0) << probe.Log();
  EXPECT_TRUE(ftp.Connected());
}

// ---- PASV replies

FakeFtpScript PassiveDownloadScript(PasvReply reply) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv(reply)
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(kPayload)
      .CloseData()
      .Reply("226 Transfer complete\r\n");
  return script;
}

// A 227 naming another host still sends the data connection to the
// server; one without parentheses is read all the same.
class FakeReadablePasv : public FakeTransfer, public ::testing::WithParamInterface<PasvReply> {};

TEST_P(FakeReadablePasv, Downloads) {
  FakeFtpServer server(PassiveDownloadScript(GetParam()));
  LogIn(server);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 0})) << probe.Log();
  EXPECT_EQ(ReadBytes(folder.File("data.bin")), kPayload);
  EXPECT_EQ(server.Failures(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(Replies, FakeReadablePasv,
                         ::testing::Values(PasvReply::kOtherHost, PasvReply::kNoParentheses));

TEST_F(FakeTransfer, UnreadablePasvReplyEndsTheRequestWithAnError) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv(PasvReply::kJunk);
  FakeFtpServer server(script);
  LogIn(server);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 550}));
  EXPECT_EQ(ftp.ErrorMessage(),
            "550 No data port in the PASV reply: 227 Entering Passive Mode (a,b,c,d,e,f).");
  EXPECT_TRUE(probe.bg_exceptions.empty());
  EXPECT_EQ(ftp.State(), ftpReady);
}

// ---- refused data connections

TEST_F(FakeTransfer, PassiveDataConnectionRefused) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv(PasvReply::kClosedPort);
  FakeFtpServer server(script);
  LogIn(server);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 550}));
  EXPECT_EQ(ftp.ErrorMessage(), "Unable to establish data connection, error #10061");
  EXPECT_EQ(ftp.StatusCode(), 550);
  EXPECT_TRUE(ftp.Connected());
}

TEST_F(FakeTransfer, ActiveDataConnectionNeverOpenedByTheServer) {
  FakeFtpScript script = LoginScript();
  script.ExpectPort().Expect("RETR data.bin").Reply("425 Can't open data connection\r\n");
  FakeFtpServer server(script);
  LogIn(server, false);
  Files("data.bin");
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 425}));
  EXPECT_EQ(ftp.ErrorMessage(), "425 Can't open data connection");
  EXPECT_TRUE(ftp.Connected());
}

// ---- failures inside sequences

TEST_F(FakeTransfer, ReceiveWhoseRetrFailsSendsNoQuitAndStaysConnected) {
  FakeFtpScript script = LoginScript();
  script.Expect("TYPE I")
      .Reply("200 Type set to I\r\n")
      .ExpectPasv()
      .Expect("RETR missing.bin")
      .Reply("550 missing.bin: No such file or directory\r\n");
  FakeFtpServer server(script);
  PointAt(ftp, server);
  ftp.SetPassive(true);
  Files("missing.bin");
  Completion done = probe.Run(&TCustomFtpCli::ReceiveAsync);
  EXPECT_EQ(done, (Completion{ftpReceiveAsync, 550}));
  EXPECT_EQ(ftp.ErrorMessage(), "550 missing.bin: No such file or directory");
  RunFor(150);
  EXPECT_EQ(probe.done.size(), 1u);
  EXPECT_TRUE(ftp.Connected());
  EXPECT_TRUE(CommandsAre(server.Commands(),
                          Concat(LoginCommands(), {"TYPE I", "PASV", "RETR missing.bin"})));
}

TEST_F(FakeTransfer, ServerHangingUpInTheMiddleOfADownloadEndsItOnce) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData("part")
      .CloseControl();
  FakeFtpServer server(script);
  LogIn(server);
  Files("data.bin");
  Completion done = RunOnce(&TCustomFtpCli::GetAsync);
  EXPECT_EQ(done.type, ftpGetAsync);
  EXPECT_NE(done.error, 0);
  EXPECT_EQ(probe.closed.size(), 1u);
  EXPECT_FALSE(ftp.Connected());
}

// ---- local files

struct LocalFileCase {
  const char* name;
  std::string (*path)(const TempFolder&);
};

class FakeUnopenableDownload : public FakeTransfer,
                               public ::testing::WithParamInterface<LocalFileCase> {};

TEST_P(FakeUnopenableDownload, EndsWithAnErrorBeforeRetr) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv();
  FakeFtpServer server(script);
  LogIn(server);
  const std::string local = GetParam().path(folder);
  ftp.SetHostFileName("data.bin");
  ftp.SetLocalFileName(local);
  EXPECT_EQ(RunOnce(&TCustomFtpCli::GetAsync), (Completion{ftpGetAsync, 550}));
  EXPECT_EQ(ftp.ErrorMessage(), "Unable to open local file " + local);
  EXPECT_TRUE(CommandsAre(server.Commands(), Concat(LoginCommands(), {"PASV"})));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FakeUnopenableDownload,
    ::testing::Values(
        LocalFileCase{"MissingFolder",
                      [](const TempFolder& f) { return f.File("no-such-folder/data.bin"); }},
        LocalFileCase{"Folder", [](const TempFolder& f) { return f.Path(); }}),
    [](const ::testing::TestParamInfo<LocalFileCase>& c) { return std::string(c.param.name); });

TEST_F(FakeTransfer, MissingUploadFileEndsWith426BeforeStor) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv();
  FakeFtpServer server(script);
  LogIn(server);
  const std::string local = folder.File("absent.bin");
  ftp.SetHostFileName("up.bin");
  ftp.SetLocalFileName(local);
  EXPECT_EQ(RunOnce(&TCustomFtpCli::PutAsync), (Completion{ftpPutAsync, 426}));
  EXPECT_EQ(ftp.ErrorMessage(), "426 Unable to open local file " + local);
  EXPECT_TRUE(probe.Displayed("! 426 Unable to open local file " + local));
  EXPECT_TRUE(CommandsAre(server.Commands(), Concat(LoginCommands(), {"PASV"})));
}

TEST_F(FakeTransfer, UploadCancelledByTheApplicationSendsNothing) {
  FakeFtpScript script = LoginScript();
  script.ExpectPort();
  FakeFtpServer server(script);
  LogIn(server, false);
  WriteBytes(folder.File("up.bin"), kPayload);
  Files("up.bin");
  ftp.OnReadyToTransmit = [](TCustomFtpCli*, bool& cancel) { cancel = true; };
  EXPECT_EQ(RunOnce(&TCustomFtpCli::PutAsync), (Completion{ftpPutAsync, 426}));
  EXPECT_EQ(ftp.ErrorMessage(), "426 Transmit cancelled by application");
  EXPECT_TRUE(CommandsAre(server.Commands(), Concat(LoginCommands(), {DataCommand(false)})));
}

// ---- aborts

class FakeProgressAbort : public FakeTransfer,
                          public ::testing::WithParamInterface<const char*> {};

// The server answers the broken transfer with the reply of the parameter;
// even a 226 must not turn a transfer the application broke off into a
// success, since the local file is incomplete.
TEST_P(FakeProgressAbort, ClosesTheDataConnectionAndFails) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR big.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(std::string(1 << 20, 'x'), 64 * 1024, 10)
      .Reply(std::string(GetParam()) + "\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  Files("big.bin");
  probe.on_progress = [](std::int64_t, bool& abort) { abort = true; };
  Completion done = RunOnce(&TCustomFtpCli::GetAsync);
  EXPECT_EQ(done.type, ftpGetAsync);
  EXPECT_NE(done.error, 0) << probe.Log();
  EXPECT_TRUE(probe.Displayed("! Abort requested"));
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
  ASSERT_EQ(server.Notes().size(), 1u);
  EXPECT_EQ(server.Notes().front().rfind("client closed the data connection", 0), 0u);
  EXPECT_TRUE(ftp.Connected());
}

INSTANTIATE_TEST_SUITE_P(Replies, FakeProgressAbort,
                         ::testing::Values("426 Connection closed; transfer aborted.",
                                           "226 Transfer complete"));

TEST_F(FakeTransfer, AbortAsyncDuringASequenceEndsItWith426) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR big.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(std::string(1 << 20, 'x'), 16 * 1024, 20);
  FakeFtpServer server(script);
  LogIn(server);
  Files("big.bin");
  ASSERT_EQ(probe.Start(&TCustomFtpCli::GetAsync), "");
  ASSERT_TRUE(RunUntil([&] { return ftp.ByteCount() > 0; })) << probe.Log();
  ftp.AbortAsync();
  ASSERT_TRUE(probe.WaitDone(2));
  EXPECT_EQ(probe.done.back(), (Completion{ftpGetAsync, 426}));
  EXPECT_EQ(ftp.ErrorMessage(), "426 Operation aborted.");
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
  RunFor(150);
  EXPECT_EQ(probe.done.size(), 2u);
}

// ABOR takes over the reply handling of the running download: the download
// ends once, not as a success, and later replies and the data close are
// only logged. The session stays usable.
TEST_F(FakeTransfer, AborDuringADownloadEndsItOnceAndKeepsTheSession) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR big.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(std::string(64 * 1024, 'x'))
      .Expect("ABOR")
      .CloseData()
      .Reply("426 Transfer aborted.\r\n226 ABOR successful.\r\n")
      .Expect("PWD")
      .Reply("257 \"/home\"\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  Files("big.bin");
  ASSERT_EQ(probe.Start(&TCustomFtpCli::GetAsync), "");
  ASSERT_TRUE(RunUntil([&] { return ftp.ByteCount() > 0; })) << probe.Log();
  ASSERT_EQ(probe.Start(&TCustomFtpCli::AborAsync), "");
  ASSERT_TRUE(probe.WaitDone(2)) << probe.Log();
  EXPECT_NE(probe.done.back().error, 0) << "an aborted download is not a success";
  RunFor(150);
  EXPECT_EQ(probe.done.size(), 2u) << probe.Log();
  EXPECT_EQ(probe.Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0})) << probe.Log();
  EXPECT_EQ(ftp.DirResult(), "/home");
  EXPECT_EQ(server.Failures(), Lines{});
}

TEST_F(FakeTransfer, SynchronousGetTimesOutWhenTheDataStops) {
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData("some bytes, then nothing")
      .Stall();
  FakeFtpServer server(script);
  LogIn(server);
  ftp.SetTimeout(1);
  Files("data.bin");
  EXPECT_FALSE(ftp.Get());
  EXPECT_EQ(ftp.ErrorMessage(), "426 Timeout");
  EXPECT_EQ(ftp.StatusCode(), 426);
  EXPECT_FALSE(ftp.Connected());
  EXPECT_FALSE(probe.progress.empty());
}

// ---- resumed upload

TEST_F(FakeTransfer, PassiveRestPutSendsRestBetweenPasvAndStor) {
  FakeFtpScript script = LoginScript();
  AcceptUpload(script.ExpectPasv().Expect("REST 4").Reply("350 Restarting at 4\r\n"),
               "STOR up.bin");
  FakeFtpServer server(script);
  LogIn(server);
  WriteBytes(folder.File("up.bin"), kPayload);
  Files("up.bin");
  ftp.SetResumeAt(4);
  EXPECT_EQ(RunOnce(&TCustomFtpCli::RestPutAsync), (Completion{ftpPutAsync, 0})) << probe.Log();
  EXPECT_EQ(server.Uploads(), Lines{"456789"});
  EXPECT_TRUE(CommandsAre(server.Commands(),
                          Concat(LoginCommands(), {"PASV", "REST 4", "STOR up.bin"})));
  EXPECT_EQ(server.Failures(), Lines{});
}

}  // namespace
}  // namespace varnel::ftp::testing
