// Engine behaviour that needs no FTP server: defaults, refusals, requests
// that end at once without a connection, and the notification path.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "ftp/ftp_client.h"
#include "runtime/event_loop.h"
#include "runtime/test_event_loop.h"

namespace varnel::ftp {
namespace {

using Request = void (TCustomFtpCli::*)();

struct Done {
  TFtpRequest type;
  std::uint16_t error;
};

// An engine with its events recorded.
class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    ftp.OnDisplay = [this](TCustomFtpCli*, std::string& msg) { display.push_back(msg); };
    ftp.OnCommand = [this](TCustomFtpCli*, std::string& cmd) { commands.push_back(cmd); };
    ftp.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest type, std::uint16_t error) {
      done.push_back({type, error});
    };
  }

  // Pumps the loop until a completion arrived or a second passed.
  bool WaitDone(std::size_t count = 1) {
    return varnel::testing::RunUntil([&] { return done.size() >= count; }, 1000);
  }

  // The one completion a request gives, and no second one after it.
  bool EndsOnce() {
    if (!WaitDone()) return false;
    varnel::testing::RunFor(50);
    return done.size() == 1;
  }

  // Completions are posted at once, so a few passes show whether one came.
  bool NothingFollows() {
    for (int pass = 0; pass < 3; ++pass) runtime::EventLoop::Current().RunOnce(0);
    return done.empty();
  }

  std::string Refusal(Request request) {
    try {
      (ftp.*request)();
    } catch (const FtpException& e) {
      return e.what();
    }
    return "";
  }

  TFtpClient ftp;
  std::vector<std::string> display;
  std::vector<std::string> commands;
  std::vector<Done> done;
};

TEST_F(EngineTest, StartsWithTheDocumentedDefaults) {
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_EQ(ftp.Port(), "ftp");
  EXPECT_EQ(ftp.ProxyPort(), "ftp");
  EXPECT_EQ(ftp.LocalAddr(), "0.0.0.0");
  EXPECT_TRUE(ftp.Binary());
  EXPECT_EQ(ftp.ShareMode(), ftpShareExclusive);
  EXPECT_EQ(ftp.ShareFlagValue(), 16);
  EXPECT_EQ(ftp.Options(), TFtpOptions{ftpAcceptLF});
  EXPECT_EQ(ftp.ConnectionType(), ftpDirect);
  EXPECT_FALSE(ftp.Passive());
  EXPECT_FALSE(ftp.Connected());
  EXPECT_EQ(ftp.RequestType(), ftpNone);
  EXPECT_EQ(ftp.Timeout(), 15);
  EXPECT_FALSE(ftp.MultiThreaded());
}

// ---- refusals before anything is sent ----

struct RefusalCase {
  const char* name;
  Request request;
  std::function<void(TCustomFtpCli&)> setup;
  std::string message;
};

class Refusals : public EngineTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(Refusals, RaiseTheirTextSendNothingAndKeepTheState) {
  const RefusalCase& c = GetParam();
  c.setup(ftp);
  EXPECT_EQ(Refusal(c.request), c.message);
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(display.empty());
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_EQ(ftp.RequestType(), ftpNone);
  EXPECT_TRUE(NothingFollows());
}

void NoSetup(TCustomFtpCli&) {}

INSTANTIATE_TEST_SUITE_P(
    Requests, Refusals,
    ::testing::Values(
        RefusalCase{"EmptyUser", &TCustomFtpCli::UserAsync, NoSetup, "UserName emtpy"},
        RefusalCase{"EmptyPassword", &TCustomFtpCli::PassAsync, NoSetup, "Password emtpy"},
        RefusalCase{"EmptyDir", &TCustomFtpCli::CwdAsync, NoSetup, "HostDirName emtpy"},
        RefusalCase{"UserNotConnected", &TCustomFtpCli::UserAsync,
                    [](TCustomFtpCli& f) { f.SetUserName("anna"); },
                    "FTP component not connected"},
        RefusalCase{"PwdNotConnected", &TCustomFtpCli::PwdAsync, NoSetup,
                    "FTP component not connected"},
        RefusalCase{"PortNotConnected", &TCustomFtpCli::PortAsync, NoSetup,
                    "FTP component not connected"},
        RefusalCase{"RestNotConnected", &TCustomFtpCli::RestAsync, NoSetup,
                    "FTP component not connected"},
        RefusalCase{"RetrNotConnected", &TCustomFtpCli::RetrAsync, NoSetup, "RETR: not connected"},
        RefusalCase{"ListNotConnected", &TCustomFtpCli::ListAsync, NoSetup, "LIST: not connected"},
        RefusalCase{"NlstNotConnected", &TCustomFtpCli::NlstAsync, NoSetup, "NLST: not connected"},
        RefusalCase{"StorNotConnected", &TCustomFtpCli::StorAsync, NoSetup,
                    "STOR/APPE: not connected"},
        RefusalCase{"AppeNotConnected", &TCustomFtpCli::AppeAsync, NoSetup,
                    "STOR/APPE: not connected"},
        RefusalCase{"DirSequenceNotConnected", &TCustomFtpCli::DirAsync, NoSetup,
                    "FTP component not connected"},
        RefusalCase{"GetSequenceNotConnected", &TCustomFtpCli::GetAsync, NoSetup,
                    "FTP component not connected"},
        RefusalCase{"OpenWithoutHost", &TCustomFtpCli::OpenAsync, NoSetup,
                    "DNS lookup: invalid host name."}),
    [](const ::testing::TestParamInfo<RefusalCase>& param_info) { return param_info.param.name; });

// ---- CR and LF never reach the control connection ----

struct LineBreakCase {
  const char* name;
  Request request;
  std::function<void(TCustomFtpCli&, const std::string&)> set;
  std::string property;
};

class LineBreaks : public EngineTest,
                   public ::testing::WithParamInterface<std::tuple<LineBreakCase, std::string>> {};

TEST_P(LineBreaks, AreRefusedBeforeAnythingIsSent) {
  const auto& [c, value] = GetParam();
  c.set(ftp, value);
  EXPECT_EQ(Refusal(c.request), c.property + " contains CR or LF");
  EXPECT_TRUE(commands.empty());
  EXPECT_TRUE(display.empty());
  EXPECT_TRUE(NothingFollows());
}

void SetHostFile(TCustomFtpCli& f, const std::string& v) {
  f.SetHostFileName(v);
  f.SetLocalFileName("local.bin");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, LineBreaks,
    ::testing::Combine(
        ::testing::Values(
            LineBreakCase{"User", &TCustomFtpCli::UserAsync,
                          [](TCustomFtpCli& f, const std::string& v) { f.SetUserName(v); },
                          "UserName"},
            LineBreakCase{"Pass", &TCustomFtpCli::PassAsync,
                          [](TCustomFtpCli& f, const std::string& v) { f.SetPassWord(v); },
                          "PassWord"},
            LineBreakCase{"Cwd", &TCustomFtpCli::CwdAsync,
                          [](TCustomFtpCli& f, const std::string& v) { f.SetHostDirName(v); },
                          "HostDirName"},
            LineBreakCase{"Dele", &TCustomFtpCli::DeleAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"Mkd", &TCustomFtpCli::MkdAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"Size", &TCustomFtpCli::SizeAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"RenFrom", &TCustomFtpCli::RenFromAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"Get", &TCustomFtpCli::GetAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"Put", &TCustomFtpCli::PutAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"Dir", &TCustomFtpCli::DirAsync, SetHostFile, "HostFileName"},
            LineBreakCase{"RenTo", &TCustomFtpCli::RenToAsync,
                          [](TCustomFtpCli& f, const std::string& v) { f.SetLocalFileName(v); },
                          "LocalFileName"},
            LineBreakCase{"Quote", &TCustomFtpCli::QuoteAsync,
                          [](TCustomFtpCli& f, const std::string& v) { f.SetLocalFileName(v); },
                          "LocalFileName"},
            LineBreakCase{"ProxyUserHost", &TCustomFtpCli::UserAsync,
                          [](TCustomFtpCli& f, const std::string& v) {
                            f.SetConnectionType(ftpProxy);
                            f.SetUserName("anna");
                            f.SetHostName(v);
                          },
                          "HostName"}),
        ::testing::Values(std::string("a\r\nDELE x"), std::string("a\nb"), std::string("a\r"))),
    [](const ::testing::TestParamInfo<std::tuple<LineBreakCase, std::string>>& param_info) {
      return std::string(std::get<0>(param_info.param).name) + "_" + std::to_string(param_info.index);
    });

// ---- commands that cannot be sent end at once ----
// QUIT, ABOR and STAT pass the readiness checks; with no connection they
// cannot be answered, so they must end at once instead of waiting forever.

TEST_F(EngineTest, QuitWithoutConnectionEndsAtOnceWithoutError) {
  ftp.QuitAsync();
  ASSERT_TRUE(EndsOnce());
  EXPECT_EQ(done[0].type, ftpQuitAsync);
  EXPECT_EQ(done[0].error, 0);
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_EQ(display, std::vector<std::string>{"> QUIT"});
}

TEST_F(EngineTest, AborWithoutConnectionEndsAtOnceWithAnError) {
  ftp.AborAsync();
  ASSERT_TRUE(EndsOnce());
  EXPECT_EQ(done[0].type, ftpAborAsync);
  EXPECT_EQ(done[0].error, 10057);
  EXPECT_EQ(ftp.StatusCode(), 500);
  EXPECT_EQ(ftp.ErrorMessage(), "500 Socket is not connected (Winsock error #10057)");
  EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(EngineTest, RawStatWithoutConnectionEndsAtOnceWithAnError) {
  ftp.SetLocalFileName("STAT");
  ftp.QuoteAsync();
  ASSERT_TRUE(EndsOnce());
  EXPECT_EQ(done[0].type, ftpQuoteAsync);
  EXPECT_EQ(done[0].error, 10057);
  EXPECT_EQ(ftp.ErrorMessage(), "500 Socket is not connected (Winsock error #10057)");
  EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(EngineTest, CommandThatOnCommandRefusesLeavesTheEngineReady) {
  ftp.OnCommand = [](TCustomFtpCli*, std::string&) { throw FtpException("not now"); };
  EXPECT_EQ(Refusal(&TCustomFtpCli::QuitAsync), "not now");
  EXPECT_EQ(ftp.State(), ftpReady);
  EXPECT_TRUE(NothingFollows());
  ftp.OnCommand = nullptr;
  ftp.QuitAsync();
  ASSERT_TRUE(WaitDone());
  EXPECT_EQ(done[0].type, ftpQuitAsync);
}

TEST_F(EngineTest, OnCommandMayRewriteTheCommandBeforeItIsLogged) {
  ftp.OnCommand = [](TCustomFtpCli*, std::string& cmd) { cmd = "QUIT now"; };
  ftp.QuitAsync();
  ASSERT_TRUE(WaitDone());
  EXPECT_EQ(display, std::vector<std::string>{"> QUIT now"});
}

TEST_F(EngineTest, CompletionArrivesOnlyFromTheLoop) {
  ftp.QuitAsync();
  EXPECT_TRUE(done.empty());
  ASSERT_TRUE(WaitDone());
}

TEST_F(EngineTest, RefusedFirstStepLeavesNoSequenceBehind) {
  EXPECT_EQ(Refusal(&TCustomFtpCli::DirAsync), "FTP component not connected");
  ftp.QuitAsync();
  ASSERT_TRUE(WaitDone());
  EXPECT_EQ(done[0].type, ftpQuitAsync);
  EXPECT_EQ(ftp.RequestType(), ftpQuitAsync);
}

TEST_F(EngineTest, SynchronousWrappersReturnFalseOnRefusalAndTrueForQuit) {
  EXPECT_FALSE(ftp.Pwd());
  EXPECT_FALSE(ftp.Get());
  EXPECT_TRUE(ftp.Quit());
  EXPECT_TRUE(ftp.Abort());
}

// ---- exceptions of the application's completion handler ----

TEST_F(EngineTest, HandlerExceptionReachesOnBgExceptionAndAbortsByDefault) {
  std::vector<std::string> reported;
  ftp.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest type, std::uint16_t error) {
    done.push_back({type, error});
    throw std::runtime_error("handler failed");
  };
  ftp.OnBgException = [&](TCustomFtpCli*, const std::exception& e, bool& can_close) {
    reported.push_back(e.what());
    EXPECT_TRUE(can_close);
  };
  std::vector<TFtpState> states;
  ftp.OnStateChange = [&](TCustomFtpCli* sender) { states.push_back(sender->State()); };
  ftp.QuitAsync();
  ASSERT_TRUE(WaitDone());
  EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
  // The default abort passed through ftpAbort back to ftpReady.
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states[states.size() - 2], ftpAbort);
  EXPECT_EQ(ftp.State(), ftpReady);
}

TEST_F(EngineTest, ClearingCanCloseSkipsTheAbort) {
  ftp.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest type, std::uint16_t error) {
    done.push_back({type, error});
    throw std::runtime_error("handler failed");
  };
  int reported = 0;
  ftp.OnBgException = [&](TCustomFtpCli*, const std::exception&, bool& can_close) {
    ++reported;
    can_close = false;
  };
  std::vector<TFtpState> states;
  ftp.QuitAsync();
  ftp.OnStateChange = [&](TCustomFtpCli* sender) { states.push_back(sender->State()); };
  ASSERT_TRUE(WaitDone());
  EXPECT_EQ(reported, 1);
  EXPECT_TRUE(states.empty());
}

TEST_F(EngineTest, DestroyedEngineDropsItsPendingCompletion) {
  auto doomed = std::make_unique<TFtpClient>();
  bool fired = false;
  doomed->OnRequestDone = [&](TCustomFtpCli*, TFtpRequest, std::uint16_t) { fired = true; };
  doomed->QuitAsync();
  doomed.reset();
  runtime::EventLoop::Current().RunOnce(10);
  EXPECT_FALSE(fired);
}

}  // namespace
}  // namespace varnel::ftp
