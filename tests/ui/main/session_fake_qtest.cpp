// The session against the scripted FTP server: the exact command stream of
// the login chain, every row of the completion table (in two tables: the
// user's commands, which end idle, and the steps handed on to the transfer
// queue), refused logins, the server hanging up, and requests that time out.
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "fake_script_support.h"
#include "ftp/support/fake_ftp_server.h"
#include "servers/loopback_port.h"
#include "session_support.h"
#include "ui/support/case_rows.h"
#include "ui/support/qt_test_registry.h"

namespace varnel::ui::testing {
namespace {

using ftp::TCustomFtpCli;
using ftp::testing::FakeFtpServer;
using varnel::testing::AddCaseRows;
using varnel::testing::CurrentCase;
namespace text = session_text;

constexpr const char* kPayload = "0123456789";
const std::vector<int> kLoginCompletions{1, 2, 3, 37, 7, 32};

using Start = std::function<void(TFtpSession&, const std::string& folder)>;

Start CwdTo(std::string dir) {
  return [dir](TFtpSession& s, const std::string&) {
    s.SetCurDir(dir);
    s.CwdAsyncButtonClick();
  };
}

// `request` on the engine with its file names; a local name is made a
// path in the test's folder.
Start Send(TFtpSession::Request request, std::string host_file, std::string local_file = {}) {
  return [=](TFtpSession& s, const std::string& folder) {
    s.FtpClient1().SetHostFileName(host_file);
    if (!local_file.empty()) {
      s.FtpClient1().SetLocalFileName(local_file[0] == '/' ? local_file
                                                           : folder + "/" + local_file);
    }
    s.StartEngineRequest(request);
  };
}

Start Pwd() {
  return [](TFtpSession& s, const std::string&) { s.PwdAsyncButtonClick(); };
}

Start List() {
  return [](TFtpSession& s, const std::string&) { s.LsAsyncButtonClick(); };
}

const char* const kHome = "/home/bob";
const char* const kHomePwd = "257 \"/home/bob\" is the current directory";

// A command the user started, on a session set busy as such commands do:
// the window always ends connected and idle.
struct IdleCase {
  const char* name;
  Start start;
  Exchange exchange;
  const char* listed;  // the directory of the listing that follows; none: null
  std::vector<int> completions;
  const char* cur_dir;
  bool warned;  // "Insufficient access rights to complete task"
};

// One row per case (the formatter would spread each over many lines).
// clang-format off
const std::vector<IdleCase>& IdleCases() {
  using F = TCustomFtpCli;
  static const std::vector<IdleCase> cases{
      {"cwd lists the new directory", CwdTo("/pub"),
       {{"CWD /pub", "250 OK"}}, "/pub", {4, 7, 32}, "/pub", false},
      {"cwd refused 550 restores the directory", CwdTo("/secret"),
       {{"CWD /secret", "550 No access"}, {"PWD", kHomePwd}}, nullptr, {4, 32}, kHome, true},
      {"cwd failed otherwise keeps the typed path", CwdTo("/slow"),
       {{"CWD /slow", "451 Local error"}}, nullptr, {4}, "/slow", false},
      {"mkd lists the directory", Send(&F::MkdAsync, "NewDir"),
       {{"MKD NewDir", "257 \"NewDir\" created"}}, kHome, {22, 7, 32}, kHome, false},
      {"mkd refused 550", Send(&F::MkdAsync, "NewDir"),
       {{"MKD NewDir", "550 Denied"}, {"PWD", kHomePwd}}, nullptr, {22, 32}, kHome, true},
      {"mkd failed otherwise", Send(&F::MkdAsync, "NewDir"),
       {{"MKD NewDir", "452 Disk full"}}, nullptr, {22}, kHome, false},
      {"rmd refused 501", Send(&F::RmdAsync, "old"),
       {{"RMD old", "501 Bad name"}, {"PWD", kHomePwd}}, nullptr, {23, 32}, kHome, true},
      {"rmd failed otherwise", Send(&F::RmdAsync, "old"),
       {{"RMD old", "521 Not empty"}}, nullptr, {23}, kHome, false},
      {"rename lists the directory", Send(&F::RenAsync, "/home/bob/a.txt", "/home/bob/b.txt"),
       {{"RNFR /home/bob/a.txt", "350 Ready"}, {"RNTO /home/bob/b.txt", "250 Renamed"}},
       kHome, {26, 7, 32}, kHome, false},
      {"rename refused otherwise", Send(&F::RenAsync, "/home/bob/a.txt", "/home/bob/b.txt"),
       {{"RNFR /home/bob/a.txt", "350 Ready"}, {"RNTO /home/bob/b.txt", "553 Not allowed"}},
       nullptr, {26}, kHome, false},
      {"pwd failed", Pwd(),
       {{"PWD", "550 Cannot tell"}}, nullptr, {32}, kHome, false},
      {"listing failed", List(),
       {{"PORT", ""}, {"LIST", "550 Cannot list"}}, nullptr, {7}, kHome, false},
  };
  return cases;
}
// clang-format on

// A step of the transfer queue, or a request the window never starts: the
// queue learns the outcome and decides; the window stays as it was.
struct HandedOnCase {
  const char* name;
  Start start;
  std::function<void(FakeFtpScript&)> server;
  Lines commands;
  int request;
  QStringList queue;
  bool warned;
};

std::function<void(FakeFtpScript&)> Answers(Exchange exchange) {
  return [exchange](FakeFtpScript& script) { Answer(script, exchange); };
}

FakeFtpScript& Download(FakeFtpScript& f) {
  f.ExpectPort().Expect("RETR a.bin").OpenData().Reply("150 Sending\r\n");
  return f.SendData(kPayload).CloseData().Reply("226 Sent\r\n");
}

FakeFtpScript& Upload(FakeFtpScript& f) {
  f.ExpectPort().Expect("STOR up.bin").OpenData().Reply("150 Ok to send\r\n");
  return f.ReceiveData().Reply("226 Stored\r\n");
}

// One row per case (the formatter would spread each over many lines).
// clang-format off
const std::vector<HandedOnCase>& HandedOnCases() {
  using F = TCustomFtpCli;
  const Lines get{"PORT 127,0,0,1,*", "RETR a.bin"};
  static const std::vector<HandedOnCase> cases{
      {"dele done", Send(&F::DeleAsync, "a.txt"),
       Answers({{"DELE a.txt", "250 Deleted"}}), {"DELE a.txt"}, 25, {"done 25"}, false},
      {"dele refused 550", Send(&F::DeleAsync, "a.txt"),
       Answers({{"DELE a.txt", "550 Denied"}}), {"DELE a.txt"}, 25, {"failed 25 550"}, true},
      {"size known", Send(&F::SizeAsync, "a.bin"),
       Answers({{"SIZE a.bin", "213 1234"}}), {"SIZE a.bin"}, 17, {"size 1234"}, false},
      {"size failed", Send(&F::SizeAsync, "a.bin"),
       Answers({{"SIZE a.bin", "550 No file"}}), {"SIZE a.bin"}, 17, {"size failed"}, false},
      {"get done", Send(&F::GetAsync, "a.bin", "a.bin"),
       Download, get, 10, {"done 10"}, false},
      {"get refused", Send(&F::GetAsync, "a.bin", "a.bin"),
       Answers({{"PORT", ""}, {"RETR a.bin", "550 No such file"}}), get, 10, {"failed 10 550"}, false},
      {"put done", Send(&F::PutAsync, "up.bin", "up.bin"),
       Upload, {"PORT 127,0,0,1,*", "STOR up.bin"}, 18, {"done 18"}, false},
      {"other requests only log", Send(&F::SystAsync, ""),
       Answers({{"SYST", "215 UNIX Type: L8"}}), {"SYST"}, 14, {}, false},
  };
  return cases;
}
// clang-format on

QStringList Warned(bool warned) {
  return warned ? QStringList{QString("warning: ") + text::kInsufficientRights} : QStringList{};
}

// Logs in, sets the window busy as a command does, starts the request and
// waits for its `completions` and the end of the server's script.
void RunAfterLogin(SessionUnderTest& t, FakeFtpServer& server, const Start& start,
                   std::size_t completions) {
  t.Connect(server.PortText());
  QVERIFY2(t.WaitCompletions(kLoginCompletions.size()), qPrintable(t.record.Log()));
  t.session.SetConnectionState(true, true);
  start(t.session, t.folder.Path());
  QVERIFY2(t.WaitCompletions(kLoginCompletions.size() + completions), qPrintable(t.record.Log()));
  QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
  QCOMPARE(t.record.refusals, QStringList{});
}

}  // namespace

class SessionFakeTest : public QObject {
  Q_OBJECT

 private slots:
  void LoginChainSendsTheCommandsInOrder() {
    FakeFtpServer server(LoggedInScript());
    SessionUnderTest t;
    QList<bool> busy_when_listed;
    connect(&t.session, &TFtpSession::remoteListingReady,
            [&] { busy_when_listed << t.session.ConnectionState().Busy; });
    t.Connect(server.PortText());
    QVERIFY2(t.WaitCompletions(kLoginCompletions.size()), qPrintable(t.record.Log()));
    // Busy until the PWD after the listing ended: no command meets a busy engine.
    QCOMPARE(busy_when_listed, QList<bool>{true});
    QVERIFY2(SameCommands(server.Commands(), kLoginCommands),
             qPrintable(Joined(server.Commands())));
    QCOMPARE(t.record.Completions(), kLoginCompletions);
    QCOMPARE(t.session.ConnectionState(), (TConnectionState{true, false, ""}));
    QCOMPARE(t.session.CurDir(), std::string("/home/bob"));
    QCOMPARE(t.record.listings, 1);
    QCOMPARE(t.Listing(), std::string(kListing));
    QVERIFY(
        t.record.log.contains("LastResponse was : '257 \"/home/bob\" is the current directory'"));
    QVERIFY(t.record.log.contains("Session Connected, error = 0"));
    QCOMPARE(t.record.log.count(text::kExecuting), 6);
    QCOMPARE(t.record.reports, QStringList{});
  }

  void UserCommandsEndIdle_data() { AddCaseRows(IdleCases()); }

  void UserCommandsEndIdle() {
    const IdleCase& c = CurrentCase(IdleCases());
    FakeFtpScript script = LoggedInScript();
    Lines commands = Answer(script, c.exchange);
    if (c.listed) {
      ListingReplies(script, "257 \"" + std::string(c.listed) + "\"\r\n");
      commands.insert(commands.end(), kListingCommands.begin(), kListingCommands.end());
    }
    FakeFtpServer server(script);
    SessionUnderTest t;
    RunAfterLogin(t, server, c.start, c.completions.size());
    if (QTest::currentTestFailed()) return;
    QCOMPARE(After(t.record.Completions(), kLoginCompletions.size()), c.completions);
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, commands), qPrintable(Joined(received)));
    QCOMPARE(t.session.ConnectionState(), (TConnectionState{true, false, ""}));
    QCOMPARE(t.session.CurDir(), std::string(c.cur_dir));
    QCOMPARE(t.record.reports, Warned(c.warned));
    QCOMPARE(t.record.listings, c.listed ? 2 : 1);
    QCOMPARE(t.record.queue, QStringList{});
  }

  void QueueStepsAreHandedOn_data() { AddCaseRows(HandedOnCases()); }

  void QueueStepsAreHandedOn() {
    const HandedOnCase& c = CurrentCase(HandedOnCases());
    FakeFtpScript script = LoggedInScript();
    c.server(script);
    FakeFtpServer server(script);
    SessionUnderTest t;
    varnel::testing::WriteBytes(t.folder.File("up.bin"), kPayload);
    RunAfterLogin(t, server, c.start, 1);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(t.record.Completions().back(), c.request);
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, c.commands), qPrintable(Joined(received)));
    QCOMPARE(t.session.ConnectionState(), (TConnectionState{true, true, ""}));
    QCOMPARE(t.record.queue, c.queue);
    QCOMPARE(t.record.reports, Warned(c.warned));
  }

  void QuitEndsTheSession() {
    FakeFtpScript script = LoggedInScript();
    script.Expect("QUIT").Reply("221 Goodbye\r\n").CloseControl();
    FakeFtpServer server(script);
    SessionUnderTest t;
    RunAfterLogin(
        t, server, [](TFtpSession& s, const std::string&) { s.btnDisconnectClick(); }, 1);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(t.record.Completions().back(), 15);
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
    QCOMPARE(t.session.CurDir(), std::string());
  }

  void RefusedLoginDisconnects_data() {
    QTest::addColumn<bool>("user_refused");
    QTest::newRow("PASS refused") << false;
    QTest::newRow("USER refused") << true;
  }

  void RefusedLoginDisconnects() {
    QFETCH(bool, user_refused);
    FakeFtpScript script;
    script.Reply("220 Fake FTP ready\r\n").Expect("USER bob");
    Lines expected{"USER bob"};
    if (user_refused) {
      script.Reply("530 Not allowed\r\n");
    } else {
      script.Reply("331 Password required\r\n")
          .Expect("PASS secret")
          .Reply("530 Login incorrect\r\n");
      expected.push_back("PASS secret");
    }
    script.Expect("QUIT").Reply("221 Goodbye\r\n").CloseControl();
    expected.push_back("QUIT");
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.Connect(server.PortText());
    QVERIFY2(WaitFor([&] { return !t.session.ConnectionState().Connected; }),
             qPrintable(t.record.Log()));
    QVERIFY(server.WaitFinished(5000));
    QVERIFY2(SameCommands(server.Commands(), expected), qPrintable(Joined(server.Commands())));
    QCOMPARE(t.record.reports, QStringList{QString("warning: ") + text::kLoginRefused});
  }

  // Without a user name USER cannot start: the refusal is shown and the
  // session closed, instead of a window left connecting for good.
  void EmptyUserNameIsRefusedAndTheSessionClosed() {
    FakeFtpScript script;
    script.Reply("220 Fake FTP ready\r\n").Expect("QUIT").Reply("221 Goodbye\r\n").CloseControl();
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.Connect(server.PortText(), "", "secret");
    QVERIFY2(t.WaitCompletions(2), qPrintable(t.record.Log()));
    QCOMPARE(t.record.refusals, QStringList{"UserName emtpy"});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
    QVERIFY2(SameCommands(server.Commands(), {"QUIT"}), qPrintable(Joined(server.Commands())));
  }

  void ServerHangingUpWhileIdleResetsWithoutQuit() {
    FakeFtpScript script = LoggedInScript();
    script.Pause(200).CloseControl();
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.Connect(server.PortText());
    QVERIFY2(t.WaitCompletions(kLoginCompletions.size()), qPrintable(t.record.Log()));
    QVERIFY(t.session.ConnectedAndIdle());
    QVERIFY2(WaitFor([&] { return !t.session.ConnectionState().Connected; }),
             qPrintable(t.record.Log()));
    QTest::qWait(100);
    QVERIFY(t.record.log.contains("Session Closed, error = 0"));
    QVERIFY(!t.record.log.contains("> QUIT"));
    QCOMPARE(t.record.Completions(), kLoginCompletions);
    QCOMPARE(t.session.CurDir(), std::string());
    QCOMPARE(t.record.cleared, 1);
    QVERIFY2(SameCommands(server.Commands(), kLoginCommands),
             qPrintable(Joined(server.Commands())));
  }

  void TimeoutReportsAndLeavesTheWindowUsable() {
    FakeFtpScript script = LoggedInScript();
    script.Expect("CWD /slow").Stall();
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.Connect(server.PortText());
    QVERIFY2(t.WaitCompletions(kLoginCompletions.size()), qPrintable(t.record.Log()));
    t.session.FtpClient1().SetTimeout(1);
    CwdTo("/slow")(t.session, t.folder.Path());
    QVERIFY2(t.WaitCompletions(kLoginCompletions.size() + 1), qPrintable(t.record.Log()));
    server.Stop();
    QCOMPARE(t.record.reports,
             QStringList{"warning: " + QString::fromStdString(TimeoutText(1, true))});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
    QVERIFY(t.record.log.contains("Error = 426 (426 Timeout)"));
  }

  // A server that never greets: the open fails like any other.
  void TimeoutBeforeTheBannerIsAFailedConnect() {
    FakeFtpScript script;
    script.Stall();
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.session.FtpClient1().SetTimeout(1);
    t.Connect(server.PortText());
    QVERIFY2(t.WaitCompletions(1), qPrintable(t.record.Log()));
    server.Stop();
    QCOMPARE(t.record.reports, QStringList{QString("warning: ") + text::kUnableToConnect});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
  }

  void RefusedConnectionReturnsToNotConnected() {
    const std::uint16_t port = varnel::testing::TryBindLoopback(0);
    SessionUnderTest t;
    t.Connect(std::to_string(port));
    QVERIFY2(t.WaitCompletions(1), qPrintable(t.record.Log()));
    QCOMPARE(t.record.reports, QStringList{QString("warning: ") + text::kUnableToConnect});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
  }

  void ConnectChecksComeBeforeTheServer_data() {
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("warning");
    QTest::newRow("no profile chosen") << false << "secret" << text::kNoConnectionSelected;
    QTest::newRow("no password") << true << "" << text::kNoPassword;
  }

  void ConnectChecksComeBeforeTheServer() {
    QFETCH(bool, selected);
    QFETCH(QString, password);
    QFETCH(QString, warning);
    SessionUnderTest t;
    t.profiles.Append({kProfileName, "127.0.0.1", "bob", password.toStdString()});
    t.session.cmbConnectionsClick(t.profiles, kProfileName);
    t.session.btnConnectClick(selected);
    QCOMPARE(t.record.warnings, QStringList{warning});
    QCOMPARE(t.record.log, QStringList{});
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
  }

  void ProfileChoiceFillsTheEditsAndTheHost() {
    SessionUnderTest t;
    t.profiles.Append({"Work", "ftp.example.org", "alice", "pw"});
    t.session.cmbConnectionsClick(t.profiles, "Work");
    QCOMPARE(t.session.UserName(), std::string("alice"));
    QCOMPARE(t.session.Password(), std::string("pw"));
    QCOMPARE(t.session.FtpClient1().HostName(), std::string("ftp.example.org"));
    t.session.cmbConnectionsClick(t.profiles, "work");
    QCOMPARE(t.session.UserName(), std::string());
    QCOMPARE(t.session.FtpClient1().HostName(), std::string("127.0.0.1"));
  }
};

VARNEL_QTEST(SessionFakeTest);

}  // namespace varnel::ui::testing

#include "session_fake_qtest.moc"
