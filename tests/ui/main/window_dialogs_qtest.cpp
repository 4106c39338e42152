// The windows the main window opens, driven from its menus: the message
// log, the Connection Manager, Preferences (with the question about the
// open connection), the File Association Manager, the about box; and a
// close whose settings cannot be written.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTableView>
#include <QToolButton>

#include <filesystem>

#include "session_support.h"
#include "ui/assoc/file_assoc_dialog.h"
#include "ui/assoc/file_associations.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/error_form.h"
#include "ui/settings/app_settings_dialog.h"
#include "ui/settings/app_settings_form.h"
#include "ui/settings/connection_setup_dialog.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using varnel::testing::AnswerMessageBox;
using varnel::testing::OpenMessageBox;

template <typename T>
T* DialogControl(QWidget* dialog, const char* name) {
  return dialog->findChild<T*>(name);
}

}  // namespace

class WindowDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void MessageLogGetsEveryReport() {
    WindowUnderTest t;
    TStoredSettings stored = FreshSettings();
    stored.Settings.SuppressError = true;
    t.WriteSettings(stored);
    TFtpReceiveForm& form = t.Start();
    TErrorForm* log = form.Windows().ErrorForm;
    form.ReportMessage("Disk full", TReportKind::Error);
    QVERIFY(!OpenMessageBox(form));
    QCOMPARE(log->Lines().size(), 1);
    QVERIFY2(QRegularExpression(R"(^\[\S+ \S+.*\] - Disk full$)").match(log->Lines()[0]).hasMatch(),
             qPrintable(log->Lines()[0]));
    QVERIFY(!log->isVisible());

    t.Find<QAction>("ShowMessagelog1")->trigger();
    QVERIFY(log->isVisible());
    DialogControl<QPushButton>(log, "btnOk")->click();
    QVERIFY(!log->isVisible());
    QVERIFY(!t.Find<QAction>("ShowMessagelog1")->isChecked());
    QCOMPARE(log->Lines().size(), 1);

    t.Find<QAction>("ClearMessagelog1")->trigger();
    QCOMPARE(log->Lines(), QStringList{});
  }

  void ConnectionManagerReselectsAfterItCloses() {
    WindowUnderTest t;
    TProfileTable profiles;
    profiles.Append({"Alpha", "10.0.0.1", "ann", "a"});
    profiles.Append({"Beta", "10.0.0.2", "ben", "b"});
    t.WriteProfiles(profiles);
    TStoredSettings stored = FreshSettings();
    stored.LastConnection = "Beta";
    t.WriteSettings(stored);
    TFtpReceiveForm& form = t.Start();
    QCOMPARE(t.Find<QLineEdit>("edtUserName")->text(), QString("ben"));

    t.Find<QToolButton>("btnConnectManage")->click();
    TConnectionSetup* setup = form.Windows().ConnectionSetup;
    QVERIFY(setup->isVisible());
    QVERIFY(setup->isModal());
    DialogControl<QListWidget>(setup, "lstConnections")->setCurrentRow(1);
    DialogControl<QPushButton>(setup, "btnDelete")->click();
    QVERIFY(AnswerMessageBox(form, QMessageBox::Yes));
    DialogControl<QPushButton>(setup, "btnOk")->click();
    QVERIFY(!setup->isVisible());
    QCOMPARE(t.Find<QComboBox>("cmbConnections")->count(), 1);
    QCOMPARE(t.Find<QComboBox>("cmbConnections")->currentText(), QString("Alpha"));
    QCOMPARE(t.Find<QLineEdit>("edtUserName")->text(), QString("ann"));
    QCOMPARE(form.Session().FtpClient1().HostName(), std::string("10.0.0.1"));
  }

  void PreferencesWhileConnectedAskToCloseTheConnection_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes closes the connection") << true;
    QTest::newRow("No keeps it") << false;
  }

  void PreferencesWhileConnectedAskToCloseTheConnection() {
    QFETCH(bool, yes);
    varnel::testing::RealFtpServer server(varnel::testing::FtpServerKind::kPyftpdlib);
    WindowUnderTest t;
    t.ConnectAtStart(server);
    TFtpReceiveForm& form = t.Start();
    QVERIFY(WaitFor([&] { return form.Session().ConnectedAndIdle(); }));

    t.Find<QAction>("Preferences1")->trigger();
    TAppSettings* dialog = form.Windows().AppSettings;
    QVERIFY(dialog->isVisible());
    QVERIFY(DialogControl<QRadioButton>(dialog, "rgpPortSpecific")->isChecked());
    DialogControl<QLineEdit>(dialog, "edtPort")->setText("2121");
    DialogControl<QPushButton>(dialog, "btnOk")->click();
    QCOMPARE(form.Session().Settings().Port, std::string("2121"));
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(app_settings_text::kCloseConnectionQuestion));
    QVERIFY(AnswerMessageBox(form, yes ? QMessageBox::Yes : QMessageBox::No));
    if (yes) {
      QVERIFY(WaitFor([&] { return !form.Session().ConnectionState().Connected; }));
      return;
    }
    // The connection kept still serves: F7 lists the folder again.
    QSignalSpy listed(&form.Session(), &TFtpSession::remoteListingReady);
    t.Find<QAction>("RefreshRemote1")->trigger();
    QVERIFY(WaitFor([&] { return listed.size() == 1 && form.Session().ConnectedAndIdle(); }));
    QCOMPARE(form.Session().FtpClient1().Port(), server.PortText());
  }

  void FileAssociationManagerOpensFromTheFileMenu() {
    WindowUnderTest t;
    const std::string bytes = "1\r\nTXT\r\n/usr/bin/gedit --wait\r\n";
    varnel::testing::WriteBytes(t.File(".EXT"), bytes);
    TFtpReceiveForm& form = t.Start();
    t.Find<QAction>("FileAssociationManager1")->trigger();
    TFileAssoc* manager = form.Windows().FileAssoc;
    QVERIFY(manager->isVisible());
    QCOMPARE(manager->windowModality(), Qt::WindowModal);
    QCOMPARE(DialogControl<QTableView>(manager, "sgAssocs")->model()->rowCount(), 1);
    DialogControl<QPushButton>(manager, "btnDelExt")->click();
    QVERIFY(!manager->Associations().GetViewer("a.txt", false).found);
    DialogControl<QPushButton>(manager, "btnCancel")->click();
    QVERIFY(!manager->isVisible());
    QCOMPARE(manager->Associations().GetViewer("a.txt", false).viewer,
             std::string("/usr/bin/gedit --wait"));
    QCOMPARE(varnel::testing::ReadBytes(t.File(".EXT")), bytes);
  }

  void AboutBoxOpensOverTheWindow() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    t.Find<QAction>("About1")->trigger();
    TAboutForm* about = form.Windows().AboutForm;
    QVERIFY(about->isVisible());
    QCOMPARE(about->windowModality(), Qt::WindowModal);
    about->close();
  }

  // Settings that cannot be written keep the window open until the user
  // agrees to close without them.
  void CloseWithUnwritableSettingsAsksFirst() {
    WindowUnderTest t;
    TFtpReceiveForm& form = t.Start();
    std::filesystem::create_directory(t.SettingsPath());
    QVERIFY(!form.close());
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QVERIFY2(
        box->text().startsWith(QString::fromStdString("Unable to write to " + t.SettingsPath())),
        qPrintable(box->text()));
    QVERIFY(AnswerMessageBox(form, QMessageBox::No));
    QVERIFY(form.isVisible());
    QVERIFY(!form.close());
    QVERIFY(AnswerMessageBox(form, QMessageBox::Yes));
    QVERIFY(!form.isVisible());
  }
};

VARNEL_QTEST(WindowDialogsTest);

}  // namespace varnel::ui::testing

#include "window_dialogs_qtest.moc"
