// The session against the scripted FTP server: the exact command stream of
// the login chain, every row of the completion table, refused logins, the
// server hanging up, and requests that time out.
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "ftp/support/fake_ftp_server.h"
#include "servers/loopback_port.h"
#include "session_support.h"
#include "ui/support/qt_test_registry.h"

namespace varnel::ui::testing {
namespace {

using ftp::TCustomFtpCli;
using ftp::testing::FakeFtpScript;
using ftp::testing::FakeFtpServer;
using Lines = std::vector<std::string>;
namespace text = session_text;

constexpr const char* kListing =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "-rw-r--r--   1 bob  bob        10 Mar 01 10:00 a.txt\r\n";
constexpr const char* kPayload = "0123456789";

FakeFtpScript& ListingReplies(FakeFtpScript& script, const std::string& pwd_reply) {
  return script.ExpectPort()
      .Expect("LIST")
      .OpenData()
      .Reply("150 Here comes the listing\r\n")
      .SendData(kListing)
      .CloseData()
      .Reply("226 Directory send OK\r\n")
      .Expect("PWD")
      .Reply(pwd_reply);
}

// Banner, USER, PASS, TYPE I and the first listing in /home/bob.
FakeFtpScript LoggedInScript() {
  FakeFtpScript script;
  script.Reply("220 Fake FTP ready\r\n")
      .Expect("USER bob")
      .Reply("331 Password required for bob\r\n")
      .Expect("PASS secret")
      .Reply("230 User bob logged in\r\n")
      .Expect("TYPE I")
      .Reply("200 Type set to I\r\n");
  ListingReplies(script, "257 \"/home/bob\" is the current directory\r\n");
  return script;
}

const Lines kLoginCommands{"USER bob", "PASS secret", "TYPE I", "PORT 127,0,0,1,*", "LIST", "PWD"};
const std::vector<int> kLoginCompletions{1, 2, 3, 37, 7, 32};

bool SameCommands(const Lines& actual, const Lines& expected) {
  if (actual.size() != expected.size()) return false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    const std::string& want = expected[i];
    const bool prefix = !want.empty() && want.back() == '*';
    if (prefix ? actual[i].rfind(want.substr(0, want.size() - 1), 0) != 0 : actual[i] != want) {
      return false;
    }
  }
  return true;
}

QString Joined(const Lines& lines) {
  QStringList out;
  for (const auto& line : lines) out << QString::fromStdString(line);
  return out.join(" | ");
}

template <typename T>
std::vector<T> After(const std::vector<T>& all, std::size_t skip) {
  return all.size() <= skip ? std::vector<T>{} : std::vector<T>(all.begin() + skip, all.end());
}

// One row of the completion table: a request started on a logged-in
// session (set busy first, as the commands that start them do), what the
// server answers, and what the window ends up with.
struct DoneCase {
  const char* name;
  std::function<void(TFtpSession&, const std::string& folder)> start;
  std::function<void(FakeFtpScript&)> server;
  std::vector<int> completions;
  Lines commands;
  bool connected;
  bool busy;
  std::string cur_dir;
  QStringList reports;
  int listings;
  QStringList queue;
};

void StartRequest(TFtpSession& s, TFtpSession::Request request) { s.StartEngineRequest(request); }

void Cwd(TFtpSession& s, const char* dir) {
  s.SetCurDir(dir);
  s.CwdAsyncButtonClick();
}

void HostFile(TFtpSession& s, const char* name, TFtpSession::Request request) {
  s.FtpClient1().SetHostFileName(name);
  StartRequest(s, request);
}

const QStringList kNoReports;
const QString kRightsWarning = QString("warning: ") + text::kInsufficientRights;
const char* const kHomePwd = "257 \"/home/bob\" is the current directory\r\n";

const std::vector<DoneCase>& DoneCases() {
  static const std::vector<DoneCase> cases{
      {"cwd_lists_the_new_directory",
       [](auto& s, auto&) { Cwd(s, "/pub"); },
       [](FakeFtpScript& f) {
         ListingReplies(f.Expect("CWD /pub").Reply("250 OK\r\n"), "257 \"/pub\"\r\n");
       },
       {4, 7, 32},
       {"CWD /pub", "PORT 127,0,0,1,*", "LIST", "PWD"},
       true,
       false,
       "/pub",
       kNoReports,
       1,
       {}},
      {"cwd_refused_550_restores_the_directory",
       [](auto& s, auto&) { Cwd(s, "/secret"); },
       [](FakeFtpScript& f) {
         f.Expect("CWD /secret").Reply("550 No access\r\n").Expect("PWD").Reply(kHomePwd);
       },
       {4, 32},
       {"CWD /secret", "PWD"},
       true,
       false,
       "/home/bob",
       {kRightsWarning},
       0,
       {}},
      {"cwd_failed_otherwise_keeps_the_typed_path",
       [](auto& s, auto&) { Cwd(s, "/slow"); },
       [](FakeFtpScript& f) { f.Expect("CWD /slow").Reply("451 Local error\r\n"); },
       {4},
       {"CWD /slow"},
       true,
       false,
       "/slow",
       kNoReports,
       0,
       {}},
      {"mkd_lists_the_directory",
       [](auto& s, auto&) { HostFile(s, "NewDir", &TCustomFtpCli::MkdAsync); },
       [](FakeFtpScript& f) {
         ListingReplies(f.Expect("MKD NewDir").Reply("257 \"NewDir\" created\r\n"), kHomePwd);
       },
       {22, 7, 32},
       {"MKD NewDir", "PORT 127,0,0,1,*", "LIST", "PWD"},
       true,
       false,
       "/home/bob",
       kNoReports,
       1,
       {}},
      {"mkd_refused_550_ends_idle",
       [](auto& s, auto&) { HostFile(s, "NewDir", &TCustomFtpCli::MkdAsync); },
       [](FakeFtpScript& f) {
         f.Expect("MKD NewDir").Reply("550 Denied\r\n").Expect("PWD").Reply(kHomePwd);
       },
       {22, 32},
       {"MKD NewDir", "PWD"},
       true,
       false,
       "/home/bob",
       {kRightsWarning},
       0,
       {}},
      {"mkd_failed_otherwise_ends_idle",
       [](auto& s, auto&) { HostFile(s, "NewDir", &TCustomFtpCli::MkdAsync); },
       [](FakeFtpScript& f) { f.Expect("MKD NewDir").Reply("452 Disk full\r\n"); },
       {22},
       {"MKD NewDir"},
       true,
       false,
       "/home/bob",
       kNoReports,
       0,
       {}},
      {"rmd_refused_501_ends_idle",
       [](auto& s, auto&) { HostFile(s, "old", &TCustomFtpCli::RmdAsync); },
       [](FakeFtpScript& f) {
         f.Expect("RMD old").Reply("501 Bad name\r\n").Expect("PWD").Reply(kHomePwd);
       },
       {23, 32},
       {"RMD old", "PWD"},
       true,
       false,
       "/home/bob",
       {kRightsWarning},
       0,
       {}},
      {"rmd_failed_otherwise_ends_idle",
       [](auto& s, auto&) { HostFile(s, "old", &TCustomFtpCli::RmdAsync); },
       [](FakeFtpScript& f) { f.Expect("RMD old").Reply("521 Not empty\r\n"); },
       {23},
       {"RMD old"},
       true,
       false,
       "/home/bob",
       kNoReports,
       0,
       {}},
      {"rename_lists_the_directory",
       [](auto& s, auto&) {
         s.FtpClient1().SetLocalFileName("/home/bob/b.txt");
         HostFile(s, "/home/bob/a.txt", &TCustomFtpCli::RenAsync);
       },
       [](FakeFtpScript& f) {
         ListingReplies(f.Expect("RNFR /home/bob/a.txt")
                            .Reply("350 Ready\r\n")
                            .Expect("RNTO /home/bob/b.txt")
                            .Reply("250 Renamed\r\n"),
                        kHomePwd);
       },
       {26, 7, 32},
       {"RNFR /home/bob/a.txt", "RNTO /home/bob/b.txt", "PORT 127,0,0,1,*", "LIST", "PWD"},
       true,
       false,
       "/home/bob",
       kNoReports,
       1,
       {}},
      {"rename_refused_otherwise_ends_idle",
       [](auto& s, auto&) {
         s.FtpClient1().SetLocalFileName("/home/bob/b.txt");
         HostFile(s, "/home/bob/a.txt", &TCustomFtpCli::RenAsync);
       },
       [](FakeFtpScript& f) {
         f.Expect("RNFR /home/bob/a.txt")
             .Reply("350 Ready\r\n")
             .Expect("RNTO /home/bob/b.txt")
             .Reply("553 Name not allowed\r\n");
       },
       {26},
       {"RNFR /home/bob/a.txt", "RNTO /home/bob/b.txt"},
       true,
       false,
       "/home/bob",
       kNoReports,
       0,
       {}},
      {"dele_is_a_queue_step",
       [](auto& s, auto&) { HostFile(s, "a.txt", &TCustomFtpCli::DeleAsync); },
       [](FakeFtpScript& f) { f.Expect("DELE a.txt").Reply("250 Deleted\r\n"); },
       {25},
       {"DELE a.txt"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"done 25"}},
      {"dele_refused_550_is_reported_to_the_queue",
       [](auto& s, auto&) { HostFile(s, "a.txt", &TCustomFtpCli::DeleAsync); },
       [](FakeFtpScript& f) { f.Expect("DELE a.txt").Reply("550 Denied\r\n"); },
       {25},
       {"DELE a.txt"},
       true,
       true,
       "/home/bob",
       {kRightsWarning},
       0,
       {"failed 25 550"}},
      {"size_known",
       [](auto& s, auto&) { HostFile(s, "a.bin", &TCustomFtpCli::SizeAsync); },
       [](FakeFtpScript& f) { f.Expect("SIZE a.bin").Reply("213 1234\r\n"); },
       {17},
       {"SIZE a.bin"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"size 1234"}},
      {"size_failed",
       [](auto& s, auto&) { HostFile(s, "a.bin", &TCustomFtpCli::SizeAsync); },
       [](FakeFtpScript& f) { f.Expect("SIZE a.bin").Reply("550 No such file\r\n"); },
       {17},
       {"SIZE a.bin"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"size failed"}},
      {"get_is_a_queue_step",
       [](auto& s, const std::string& folder) {
         s.FtpClient1().SetLocalFileName(folder + "/a.bin");
         HostFile(s, "a.bin", &TCustomFtpCli::GetAsync);
       },
       [](FakeFtpScript& f) {
         f.ExpectPort()
             .Expect("RETR a.bin")
             .OpenData()
             .Reply("150 Sending\r\n")
             .SendData(kPayload)
             .CloseData()
             .Reply("226 Sent\r\n");
       },
       {10},
       {"PORT 127,0,0,1,*", "RETR a.bin"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"done 10"}},
      {"get_refused_is_a_failed_queue_step",
       [](auto& s, const std::string& folder) {
         s.FtpClient1().SetLocalFileName(folder + "/a.bin");
         HostFile(s, "a.bin", &TCustomFtpCli::GetAsync);
       },
       [](FakeFtpScript& f) { f.ExpectPort().Expect("RETR a.bin").Reply("550 No such file\r\n"); },
       {10},
       {"PORT 127,0,0,1,*", "RETR a.bin"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"failed 10 550"}},
      {"put_is_a_queue_step",
       [](auto& s, const std::string& folder) {
         varnel::testing::WriteBytes(folder + "/up.bin", kPayload);
         s.FtpClient1().SetLocalFileName(folder + "/up.bin");
         HostFile(s, "up.bin", &TCustomFtpCli::PutAsync);
       },
       [](FakeFtpScript& f) {
         f.ExpectPort()
             .Expect("STOR up.bin")
             .OpenData()
             .Reply("150 Ok to send\r\n")
             .ReceiveData()
             .Reply("226 Stored\r\n");
       },
       {18},
       {"PORT 127,0,0,1,*", "STOR up.bin"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {"done 18"}},
      {"pwd_failed_ends_idle",
       [](auto& s, auto&) { s.PwdAsyncButtonClick(); },
       [](FakeFtpScript& f) { f.Expect("PWD").Reply("550 Cannot tell\r\n"); },
       {32},
       {"PWD"},
       true,
       false,
       "/home/bob",
       kNoReports,
       0,
       {}},
      {"listing_failed_ends_idle",
       [](auto& s, auto&) { s.LsAsyncButtonClick(); },
       [](FakeFtpScript& f) { f.ExpectPort().Expect("LIST").Reply("550 Cannot list\r\n"); },
       {7},
       {"PORT 127,0,0,1,*", "LIST"},
       true,
       false,
       "/home/bob",
       kNoReports,
       0,
       {}},
      {"quit_ends_the_session",
       [](auto& s, auto&) { s.btnDisconnectClick(); },
       [](FakeFtpScript& f) { f.Expect("QUIT").Reply("221 Goodbye\r\n").CloseControl(); },
       {15},
       {"QUIT"},
       false,
       false,
       "",
       kNoReports,
       0,
       {}},
      {"other_requests_only_log",
       [](auto& s, auto&) { StartRequest(s, &TCustomFtpCli::SystAsync); },
       [](FakeFtpScript& f) { f.Expect("SYST").Reply("215 UNIX Type: L8\r\n"); },
       {14},
       {"SYST"},
       true,
       true,
       "/home/bob",
       kNoReports,
       0,
       {}},
  };
  return cases;
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

  void CompletionTable_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < DoneCases().size(); ++i) {
      QTest::newRow(DoneCases()[i].name) << static_cast<int>(i);
    }
  }

  void CompletionTable() {
    QFETCH(int, row);
    const DoneCase& c = DoneCases()[row];
    FakeFtpScript script = LoggedInScript();
    c.server(script);
    FakeFtpServer server(script);
    SessionUnderTest t;
    t.Connect(server.PortText());
    QVERIFY2(t.WaitCompletions(kLoginCompletions.size()), qPrintable(t.record.Log()));
    t.session.SetConnectionState(true, true);
    c.start(t.session, t.folder.Path());
    const std::size_t total = kLoginCompletions.size() + c.completions.size();
    QVERIFY2(t.WaitCompletions(total), qPrintable(t.record.Log()));
    QVERIFY2(server.WaitFinished(5000), qPrintable(QString::fromStdString(server.Report())));
    QCOMPARE(After(t.record.Completions(), kLoginCompletions.size()), c.completions);
    const Lines commands = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(commands, c.commands), qPrintable(Joined(commands)));
    QCOMPARE(t.session.ConnectionState().Connected, c.connected);
    QCOMPARE(t.session.ConnectionState().Busy, c.busy);
    QCOMPARE(t.session.CurDir(), c.cur_dir);
    QCOMPARE(t.record.reports, c.reports);
    QCOMPARE(t.record.listings - 1, c.listings);
    QCOMPARE(t.record.queue, c.queue);
    QCOMPARE(t.record.refusals, QStringList{});
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
    Cwd(t.session, "/slow");
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
