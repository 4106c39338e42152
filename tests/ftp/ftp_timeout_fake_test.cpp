// Timeout on the asynchronous requests, against the scripted server: a
// server that goes silent at any point ends the request with the timeout
// error and leaves the engine ready for a new connection; a transfer that
// keeps moving lasts as long as it needs.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ftp/support/fake_session.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::ReadBytes;

// Far above the one-second Timeout: a request that has not ended by then
// hangs.
constexpr int kHangsAfterMs = 8000;

struct SilentCase {
  const char* name;
  bool log_in_first;  // ConnectAsync before the request
  std::function<void(FakeFtpScript&)> script;
  void (TCustomFtpCli::*request)();
  TFtpRequest code;
};

void PrintTo(const SilentCase& c, std::ostream* out) { *out << c.name; }

class FakeSilentServer : public FakeSessionTest, public ::testing::WithParamInterface<SilentCase> {};

TEST_P(FakeSilentServer, EndsTheRequestWithTheTimeoutAndLeavesTheEngineReady) {
  const SilentCase& c = GetParam();
  FakeFtpScript script = c.log_in_first ? LoginScript() : FakeFtpScript();
  c.script(script);
  script.Stall();
  FakeFtpServer server(script);
  ftp.SetTimeout(1);
  Files("data.bin");
  if (c.log_in_first) {
    LogIn(server);
  } else {
    PointAt(ftp, server);
  }
  const std::size_t before = probe.done.size();
  ASSERT_EQ(probe.Start(c.request), "");
  ASSERT_TRUE(probe.WaitDone(before + 1, kHangsAfterMs)) << "the request hangs\n" << probe.Log();
  EXPECT_EQ(probe.done.back(), (Completion{c.code, 426}));
  EXPECT_EQ(ftp.ErrorMessage(), "426 Timeout");
  EXPECT_EQ(ftp.StatusCode(), 426);
  EXPECT_TRUE(probe.Displayed("! 426 Timeout")) << probe.Log();
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.DataSocket().State(), socket::wsClosed);
  EXPECT_EQ(ftp.State(), ftpReady);
  RunFor(100);
  EXPECT_EQ(probe.done.size(), before + 1) << "the request must end exactly once";

  FakeFtpServer next(FakeFtpScript().Reply("220 Next\r\n"));
  ftp.SetPort(next.PortText());
  EXPECT_EQ(probe.Run(&TCustomFtpCli::OpenAsync), (Completion{ftpOpenAsync, 0})) << probe.Log();
  EXPECT_TRUE(ftp.Connected());
}

void SilentAfter150(FakeFtpScript& s) {
  s.ExpectPasv().Expect("RETR data.bin").OpenData().Reply("150 Opening\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Points, FakeSilentServer,
    ::testing::Values(
        SilentCase{"BeforeTheBanner", false, [](FakeFtpScript&) {}, &TCustomFtpCli::OpenAsync,
                   ftpOpenAsync},
        SilentCase{"InTheMiddleOfALogIn", false,
                   [](FakeFtpScript& s) { s.Reply("220 Fake\r\n").Expect("USER bob"); },
                   &TCustomFtpCli::ConnectAsync, ftpConnectAsync},
        SilentCase{"InTheMiddleOfAMultiLineReply", true,
                   [](FakeFtpScript& s) { s.Expect("PWD").Reply("257-The directory is\r\n"); },
                   &TCustomFtpCli::PwdAsync, ftpPwdAsync},
        SilentCase{"After150", true, SilentAfter150, &TCustomFtpCli::GetAsync, ftpGetAsync},
        SilentCase{"InTheMiddleOfADownload", true,
                   [](FakeFtpScript& s) {
                     SilentAfter150(s);
                     s.SendData("the first bytes");
                   },
                   &TCustomFtpCli::GetAsync, ftpGetAsync},
        SilentCase{"AfterTheFinalReplyWithTheDataStillOpen", true,
                   [](FakeFtpScript& s) {
                     SilentAfter150(s);
                     s.SendData("all bytes").Reply("226 Transfer complete\r\n");
                   },
                   &TCustomFtpCli::GetAsync, ftpGetAsync}),
    [](const ::testing::TestParamInfo<SilentCase>& c) { return std::string(c.param.name); });

class FakeMovingTransfer : public FakeSessionTest, public ::testing::WithParamInterface<bool> {};

// Longer than Timeout in total, but never quiet for as long; both for the
// request and for the waiting Get.
TEST_P(FakeMovingTransfer, DoesNotTimeOut) {
  const bool synchronous = GetParam();
  const std::string slow(6 * 4, 's');
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR slow.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(slow, 4, 450)
      .CloseData()
      .Reply("226 Transfer complete\r\n");
  FakeFtpServer server(script);
  ftp.SetTimeout(1);
  LogIn(server);
  Files("slow.bin");
  if (synchronous) {
    EXPECT_TRUE(ftp.Get()) << probe.Log();
  } else {
    EXPECT_EQ(probe.Run(&TCustomFtpCli::GetAsync, kHangsAfterMs), (Completion{ftpGetAsync, 0}))
        << probe.Log();
  }
  EXPECT_EQ(ReadBytes(folder.File("slow.bin")), slow);
}

INSTANTIATE_TEST_SUITE_P(Waits, FakeMovingTransfer, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& row) {
                           return std::string(row.param ? "Get" : "GetAsync");
                         });

}  // namespace
}  // namespace varnel::ftp::testing
