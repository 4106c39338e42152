// The session against a real server (pyftpdlib): log in, list, change
// directory, a refused directory change, disconnect.
#include <QTest>

#include <string>

#include "servers/real_ftp_server.h"
#include "session_support.h"
#include "ui/support/qt_test_registry.h"

namespace varnel::ui::testing {

using varnel::testing::FtpServerKind;
using varnel::testing::RealFtpServer;

class SessionPyftpdTest : public QObject {
  Q_OBJECT

 private slots:
  void LogsInListsNavigatesAndDisconnects() {
    RealFtpServer server(FtpServerKind::kPyftpdlib);
    SessionUnderTest t;
    t.Connect(server.PortText(), server.User(), server.Password());
    QVERIFY2(WaitFor([&] { return t.session.ConnectedAndIdle() && t.session.CurDir() == "/"; }),
             qPrintable(t.record.Log()));
    QVERIFY2(t.Listing().find(" pub\r\n") != std::string::npos, t.Listing().c_str());

    t.session.SetCurDir(server.WorkDir());
    t.session.CwdAsyncButtonClick();
    QVERIFY2(WaitFor([&] { return t.record.listings == 2 && t.session.ConnectedAndIdle(); }),
             qPrintable(t.record.Log()));
    QCOMPARE(t.session.CurDir(), server.WorkDir());

    t.session.SetCurDir(server.WorkDir() + "/missing");
    t.session.CwdAsyncButtonClick();
    QVERIFY2(WaitFor([&] { return t.session.ConnectedAndIdle(); }), qPrintable(t.record.Log()));
    QCOMPARE(t.session.CurDir(), server.WorkDir());
    QCOMPARE(t.record.reports,
             QStringList{QString("warning: ") + session_text::kInsufficientRights});
    QCOMPARE(t.record.refusals, QStringList{});

    t.session.btnDisconnectClick();
    QVERIFY2(t.WaitCompletions(t.record.Completions().size() + 1), qPrintable(t.record.Log()));
    QCOMPARE(t.record.Completions().back(), 15);
    QVERIFY(t.record.log.contains("> QUIT"));
    QCOMPARE(t.session.ConnectionState(), TConnectionState{});
  }
};

VARNEL_QTEST(SessionPyftpdTest);

}  // namespace varnel::ui::testing

#include "session_pyftpd_qtest.moc"
