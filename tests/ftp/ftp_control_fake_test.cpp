// The control connection against the scripted server: reply assembly across
// reads, multi-line replies, log-in variants, refused banners, a server that
// hangs up, names that would smuggle a second command, and the synchronous
// wrappers' timeout.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ftp/support/fake_ftp_server.h"
#include "ftp/support/fake_session.h"
#include "ftp/support/ftp_probe.h"

namespace varnel::ftp::testing {
namespace {

using FakeControl = FakeSessionTest;

TEST_F(FakeControl, RepliesSplitAcrossReadsAndPipelinedInOneAreJudgedInOrder) {
  FakeFtpServer server(FakeFtpScript()
                           .ReplySplit({"22", "0 Fake ", "ready\r", "\n"})
                           .Expect("USER bob")
                           .Reply("331 Password required\r\n230 Logged in\r\n")
                           .Expect("PASS secret"));
  LogIn(server);
  EXPECT_EQ(probe.responses, (Lines{"220 Fake ready", "331 Password required", "230 Logged in"}));
  EXPECT_EQ(probe.display, (Lines{"< 220 Fake ready", "> USER bob", "< 331 Password required",
                                  "> PASS secret", "< 230 Logged in"}));
  EXPECT_EQ(probe.connected, std::vector<std::uint16_t>{0});
  // The 230 came before PASS did: the server may still be reading it.
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_TRUE(CommandsAre(server.Commands(), LoginCommands()));
  EXPECT_EQ(ftp.LastResponse(), "230 Logged in");
  EXPECT_EQ(ftp.StatusCode(), 230);
  EXPECT_EQ(server.Failures(), Lines{});
}

TEST_F(FakeControl, MultiLineBannerConnectsOnceAfterItsLastLine) {
  FakeFtpServer server(FakeFtpScript()
                           .Reply("220-Welcome to\r\n220-the fake server\r\n")
                           .Pause(50)
                           .Reply("220 Ready\r\n"));
  std::vector<std::size_t> lines_seen_when_connected;
  ftp.OnSessionConnected = [&](TCustomFtpCli*, std::uint16_t error) {
    EXPECT_EQ(error, 0);
    lines_seen_when_connected.push_back(probe.display.size());
  };
  PointAt(ftp, server);
  EXPECT_EQ(probe.Run(&TCustomFtpCli::OpenAsync), (Completion{ftpOpenAsync, 0}));
  EXPECT_EQ(lines_seen_when_connected, std::vector<std::size_t>{3});
  EXPECT_EQ(probe.display,
            (Lines{"< 220-Welcome to", "< 220-the fake server", "< 220 Ready"}));
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_TRUE(ftp.Connected());
}

// More continuation lines than the 4096-byte reply buffer holds at once.
TEST_F(FakeControl, BannerLongerThanTheReplyBufferConnectsOnce) {
  std::string banner;
  for (int i = 0; i < 300; ++i) banner += "220-line " + std::to_string(i) + " of the notice\r\n";
  banner += "220 Ready\r\n";
  FakeFtpServer server(FakeFtpScript().Reply(banner));
  PointAt(ftp, server);
  EXPECT_EQ(probe.Run(&TCustomFtpCli::OpenAsync), (Completion{ftpOpenAsync, 0}));
  EXPECT_EQ(probe.connected.size(), 1u);
  EXPECT_EQ(probe.display.size(), 301u);
  EXPECT_EQ(probe.display[299], "< 220-line 299 of the notice");
  EXPECT_EQ(ftp.LastResponse(), "220 Ready");
}

TEST_F(FakeControl, RepliesEndedByBareLineFeedsAreAccepted) {
  FakeFtpServer server(FakeFtpScript()
                           .Reply("220 Fake\n")
                           .Expect("USER bob")
                           .Reply("331 Password\n")
                           .Expect("PASS secret")
                           .Reply("230 In\r\r\n"));
  LogIn(server);
  EXPECT_EQ(probe.responses, (Lines{"220 Fake", "331 Password", "230 In"}));
}

TEST_F(FakeControl, MultiLineCommandReplyEndsAtItsFinalLine) {
  FakeFtpScript script = LoginScript();
  script.Expect("HELP").Reply(
      "214-The following commands are recognized:\r\n USER PASS QUIT\r\n214 Help OK.\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  ftp.SetLocalFileName("HELP");
  EXPECT_EQ(probe.Run(&TCustomFtpCli::QuoteAsync), (Completion{ftpQuoteAsync, 0}));
  EXPECT_EQ(ftp.LastResponse(), "214 Help OK.");
  EXPECT_EQ(ftp.StatusCode(), 214);
  EXPECT_TRUE(probe.Displayed("<  USER PASS QUIT"));
  RunFor(100);
  EXPECT_EQ(probe.done.size(), 2u);
}

TEST_F(FakeControl, UserAnsweredWith230SkipsPass) {
  FakeFtpServer server(
      FakeFtpScript().Reply("220 Fake\r\n").Expect("USER bob").Reply("230 No password needed\r\n"));
  LogIn(server);
  RunFor(100);
  EXPECT_TRUE(CommandsAre(server.Commands(), {"USER bob"}));
  EXPECT_EQ(probe.done.size(), 1u);
  EXPECT_EQ(ftp.ErrorMessage(), "");
}

TEST_F(FakeControl, RefusingBannerEndsOpenWithItsCodeAndCloses) {
  FakeFtpServer server(FakeFtpScript().Reply("421 Too many users, try later\r\n").ExpectClose());
  PointAt(ftp, server);
  EXPECT_EQ(probe.Run(&TCustomFtpCli::OpenAsync), (Completion{ftpOpenAsync, 421}));
  EXPECT_EQ(ftp.ErrorMessage(), "421 Too many users, try later");
  EXPECT_EQ(ftp.StatusCode(), 421);
  EXPECT_TRUE(probe.connected.empty());
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
  RunFor(100);
  EXPECT_EQ(probe.done.size(), 1u);
}

TEST_F(FakeControl, ServerHangingUpDuringARequestEndsItWithAnError) {
  FakeFtpScript script = LoginScript();
  script.Expect("PWD").CloseControl();
  FakeFtpServer server(script);
  LogIn(server);
  Completion done = probe.Run(&TCustomFtpCli::PwdAsync);
  EXPECT_EQ(done.type, ftpPwdAsync);
  EXPECT_NE(done.error, 0) << "a request whose reply never came must not succeed";
  EXPECT_EQ(probe.closed.size(), 1u);
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
  RunFor(100);
  EXPECT_EQ(probe.done.size(), 2u);
}

// A reply line longer than the reply buffer can never be completed; the
// request must still end rather than wait for a line end forever.
TEST_F(FakeControl, OverlongReplyLineEndsTheRequest) {
  FakeFtpScript script = LoginScript();
  script.Expect("PWD").Reply("257 \"" + std::string(5000, 'x') + "\" is where you are\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  Completion done = probe.Run(&TCustomFtpCli::PwdAsync);
  EXPECT_EQ(done.type, ftpPwdAsync);
  EXPECT_NE(done.error, 0);
  EXPECT_TRUE(probe.bg_exceptions.empty());
  EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(FakeControl, ClosingNoticeWhileIdleIsLoggedAndClosesTheSession) {
  FakeFtpScript script = LoginScript();
  script.Reply("421 Timeout, closing control connection\r\n").CloseControl();
  FakeFtpServer server(script);
  LogIn(server);
  ASSERT_TRUE(RunUntil([&] { return !probe.closed.empty(); }));
  EXPECT_TRUE(probe.Displayed("< 421 Timeout, closing control connection"));
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpInternalReady);  // what a close leaves
}

TEST_F(FakeControl, ExceptionFromTheCompletionHandlerAbortsTheEngine) {
  FakeFtpScript script = LoginScript();
  script.Expect("PWD").Reply("257 \"/home\"\r\n").ExpectClose();
  FakeFtpServer server(script);
  LogIn(server);
  probe.after_done = [] { throw std::runtime_error("handler failed"); };
  EXPECT_EQ(probe.Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0}));
  ASSERT_TRUE(RunUntil([&] { return !probe.bg_exceptions.empty(); }));
  EXPECT_EQ(probe.bg_exceptions, Lines{"handler failed"});
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
  ASSERT_TRUE(server.WaitFinished());
  EXPECT_EQ(server.Failures(), Lines{});
}

// A CR or LF inside a name would end the command early and send the rest
// as a second command of the server's choosing.
struct InjectionCase {
  const char* name;
  std::function<void(TCustomFtpCli&)> set;
  void (TCustomFtpCli::*request)();
};

class FakeControlInjection : public FakeSessionTest,
                             public ::testing::WithParamInterface<InjectionCase> {};

TEST_P(FakeControlInjection, IsRefusedBeforeAnythingIsSent) {
  FakeFtpScript script = LoginScript();
  script.Expect("PWD").Reply("257 \"/\" is the current directory\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  GetParam().set(ftp);
  EXPECT_NE(probe.Start(GetParam().request), "");
  RunFor(100);
  EXPECT_EQ(probe.done.size(), 1u);
  EXPECT_TRUE(CommandsAre(server.Commands(), LoginCommands()));
  // The engine is still usable.
  EXPECT_EQ(probe.Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0}));
  EXPECT_TRUE(CommandsAre(server.Commands(), Concat(LoginCommands(), {"PWD"})));
}

INSTANTIATE_TEST_SUITE_P(
    Names, FakeControlInjection,
    ::testing::Values(
        InjectionCase{"CwdCrLf", [](TCustomFtpCli& f) { f.SetHostDirName("a\r\nDELE x"); },
                      &TCustomFtpCli::CwdAsync},
        InjectionCase{"MkdLf", [](TCustomFtpCli& f) { f.SetHostFileName("d\nDELE x"); },
                      &TCustomFtpCli::MkdAsync},
        InjectionCase{"DeleCr", [](TCustomFtpCli& f) { f.SetHostFileName("f\rDELE x"); },
                      &TCustomFtpCli::DeleAsync},
        InjectionCase{"RenToLf", [](TCustomFtpCli& f) { f.SetLocalFileName("n\nDELE x"); },
                      &TCustomFtpCli::RenToAsync},
        InjectionCase{"QuoteCrLf", [](TCustomFtpCli& f) { f.SetLocalFileName("NOOP\r\nDELE x"); },
                      &TCustomFtpCli::QuoteAsync},
        InjectionCase{"GetCrLf",
                      [](TCustomFtpCli& f) {
                        f.SetHostFileName("g\r\nDELE x");
                        f.SetLocalFileName("/dev/null");
                      },
                      &TCustomFtpCli::GetAsync},
        InjectionCase{"PutLf",
                      [](TCustomFtpCli& f) {
                        f.SetHostFileName("p\nDELE x");
                        f.SetLocalFileName("/dev/null");
                      },
                      &TCustomFtpCli::PutAsync}),
    [](const ::testing::TestParamInfo<InjectionCase>& c) { return std::string(c.param.name); });

TEST_F(FakeControl, EmptyPasswordAfter331EndsTheSequenceWithAnError) {
  FakeFtpServer server(
      FakeFtpScript().Reply("220 Fake\r\n").Expect("USER bob").Reply("331 Password required\r\n"));
  PointAt(ftp, server);
  ftp.SetPassWord("");
  EXPECT_EQ(probe.Run(&TCustomFtpCli::ConnectAsync), (Completion{ftpConnectAsync, 500}));
  EXPECT_EQ(ftp.ErrorMessage(), "Password emtpy");
  EXPECT_TRUE(probe.bg_exceptions.empty());
  RunFor(100);
  EXPECT_EQ(probe.done.size(), 1u);
  EXPECT_TRUE(CommandsAre(server.Commands(), {"USER bob"}));
  EXPECT_EQ(ftp.State(), ftpReady);
}

// The wait sleeps until work arrives: a second of silence costs a handful of
// passes, not one every few milliseconds.
TEST_F(FakeControl, SynchronousWrappersRefuseWithoutRaisingAndTimeOut) {
  FakeFtpScript script;
  script.Reply("220 Fake\r\n").Expect("PWD").Stall();
  FakeFtpServer server(script);
  PointAt(ftp, server);
  ftp.SetTimeout(1);
  ASSERT_TRUE(ftp.Open());
  EXPECT_FALSE(ftp.Open()) << "already connected";
  EXPECT_TRUE(ftp.Connected());
  auto& loop = runtime::EventLoop::Current();
  int pumps = 0;
  loop.SetPumpHook([&] {
    ++pumps;
    loop.DispatchPending();
  });
  EXPECT_FALSE(ftp.Pwd());
  loop.SetPumpHook(nullptr);
  EXPECT_LE(pumps, 10);
  EXPECT_EQ(ftp.ErrorMessage(), "426 Timeout");
  EXPECT_EQ(ftp.StatusCode(), 426);
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.State(), ftpReady);
}

}  // namespace
}  // namespace varnel::ftp::testing
