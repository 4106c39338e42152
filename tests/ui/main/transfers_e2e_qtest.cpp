// The window against real servers (pyftpdlib and vsftpd), driven as a user
// would: choose a profile and connect, open the work folder, download three
// files (one of 50 MiB) and compare their SHA-256, upload two from the File
// menu, drag a remote file onto the local pane, edit a text file in a
// viewer (a script that appends a line) and find the line on the server,
// again with the session dropped while the viewer runs, rename, create and
// delete a folder, delete files, abort a large download (an older local
// file of that name stays as it was and the window connects again), and
// disconnect. Each stage leaves a screenshot.
#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "servers/real_ftp_server.h"
#include "session_support.h"
#include "ui/main/local_pane.h"
#include "ui/main/remote_pane.h"
#include "ui/main/transfer_queue.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

Q_DECLARE_METATYPE(varnel::testing::FtpServerKind)

namespace varnel::ui::testing {
namespace {

using varnel::testing::Exists;
using varnel::testing::FtpServerKind;
using varnel::testing::OpenInputBox;
using varnel::testing::OpenMessageBox;
using varnel::testing::ReadBytes;
using varnel::testing::RealFtpServer;
using varnel::testing::SaveScreenshot;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;

constexpr int kTransferLimitMs = 60000;
constexpr const char* kAdded = "added by the viewer\n";

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

QByteArray Sha256(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(&file);
  return hash.result().toHex();
}

// The window of a user with the profile "Local demo" for `server`, a local
// folder, and text files opened in `viewer`.
struct UserSession {
  RealFtpServer& server;
  WindowUnderTest t;
  TempFolder local;
  std::unique_ptr<SessionRecord> record;
  QString stage_prefix;

  UserSession(RealFtpServer& ftp, const std::string& viewer) : server(ftp) {
    TProfileTable profiles;
    profiles.Append({"Local demo", "127.0.0.1", server.User(), server.Password()});
    t.WriteProfiles(profiles);
    TStoredSettings stored = FreshSettings();
    stored.LastLocalDir = local.Path();
    stored.Settings.Port = server.PortText();
    t.WriteSettings(stored);
    WriteBytes(t.File(".EXT"), "1\r\nTXT\r\n" + viewer + "\r\n");
    stage_prefix = QString("e2e-") + varnel::testing::FtpServerName(server.Kind()) + "-";
  }

  TFtpReceiveForm& Form() { return t.Form(); }
  TFtpSession& Session() { return t.Form().Session(); }
  QString Status() { return t.Find<QLabel>("pnlConnection")->text(); }
  bool Logged(const std::string& line) const {
    return record->log.contains(QString::fromStdString(line));
  }

  bool Idle(int timeout_ms = kTransferLimitMs) {
    return WaitFor(
        [&] {
          return Session().ConnectedAndIdle() && !Form().Queue().Running() &&
                 Session().FtpClient1().State() == ftp::ftpReady;
        },
        timeout_ms);
  }

  void Shot(const char* stage) {
    QVERIFY2(SaveScreenshot(Form(), stage_prefix + stage), stage);
  }

  // Selects the rows showing `captions` in the pane's details view.
  static void Select(TPaneViews& views, const QStringList& captions) {
    QTreeView* view = views.Details();
    view->selectionModel()->clearSelection();
    for (const QString& caption : captions) {
      QVERIFY2(SelectRow(*view, caption, true), qPrintable(caption));
    }
  }
  void SelectRemote(const QStringList& captions) { Select(Form().RemoteFiles().Views(), captions); }
  void SelectLocal(const QStringList& captions) { Select(Form().LocalFiles().Views(), captions); }

  void Answer(const QString& typed) {
    QInputDialog* box = OpenInputBox(Form());
    QVERIFY(box);
    box->setTextValue(typed);
    box->accept();
  }
  void Confirm(const QString& question) {
    QMessageBox* box = OpenMessageBox(Form());
    QVERIFY(box);
    QCOMPARE(box->text(), question);
    box->button(QMessageBox::Yes)->click();
  }
  void Click(const char* button) { t.Find<QToolButton>(button)->click(); }
};

}  // namespace

class TransfersEndToEndTest : public QObject {
  Q_OBJECT

 private slots:
  void AUserDay_data() {
    QTest::addColumn<FtpServerKind>("kind");
    QTest::newRow("pyftpdlib") << FtpServerKind::kPyftpdlib;
    QTest::newRow("vsftpd") << FtpServerKind::kVsftpd;
  }

  void AUserDay() {
    QFETCH(FtpServerKind, kind);
    RealFtpServer server(kind);
    WriteBytes(server.LocalPath("small.txt"), "hello\n");
    WriteBytes(server.LocalPath("medium.bin"), RandomBytes(1 << 20, 1));
    WriteBytes(server.LocalPath("big.bin"), RandomBytes(50 << 20, 2));
    WriteBytes(server.LocalPath("drag.txt"), "dragged\n");
    WriteBytes(server.LocalPath("view.txt"), "first line\n");
    WriteBytes(server.LocalPath("rename.txt"), "rename me\n");
    WriteBytes(server.LocalPath("delete1.txt"), "1");
    WriteBytes(server.LocalPath("delete2.txt"), "2");
    // Far larger than a download can finish before the abort.
    { std::ofstream(server.LocalPath("huge.bin")); }
    std::filesystem::resize_file(server.LocalPath("huge.bin"), 8ull << 30);
    TempFolder tools;
    const std::string viewer = tools.File("append-line.sh");
    WriteBytes(viewer, std::string("#!/bin/sh\nsleep 0.3\nprintf '") + "added by the viewer\\n" +
                           "' >> \"$1\"\n",
               0755);

    UserSession u(server, viewer);
    WriteBytes(u.local.File("up1.txt"), "first upload\n");
    WriteBytes(u.local.File("up2.bin"), RandomBytes(300000, 3));
    WriteBytes(u.local.File("huge.bin"), "an older file\n");
    TFtpReceiveForm& form = u.t.Start();
    u.record = std::make_unique<SessionRecord>(form.Session());
    const std::string work = server.WorkDir() + "/";
    const QString connected = " Connected To 127.0.0.1";

    // Choose the profile and connect; open the work folder.
    auto* profiles = u.t.Find<QComboBox>("cmbConnections");
    profiles->setCurrentIndex(profiles->findText("Local demo"));
    emit profiles->activated(profiles->currentIndex());
    u.Click("btnConnect");
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QCOMPARE(u.Status(), connected);
    u.SelectRemote({"pub"});
    QTest::keyClick(form.RemoteFiles().Views().Details(), Qt::Key_Return);
    QVERIFY2(WaitFor([&] { return u.Session().CurDir() == server.WorkDir() && u.Idle(); }),
             qPrintable(u.record->Log()));
    QCOMPARE(form.RemoteFiles().Model().RowCount(), 9);
    u.Shot("1-listed");

    // Three downloads, the last of 50 MiB.
    u.SelectRemote({"small.txt", "medium.bin", "big.bin"});
    u.Click("btnDownload");
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    for (const char* name : {"small.txt", "medium.bin", "big.bin"}) {
      QCOMPARE(Sha256(u.local.File(name)), Sha256(server.LocalPath(name)));
      QVERIFY2(u.Logged(std::string("> SIZE ") + name), name);
      QVERIFY2(u.Logged(std::string("> RETR ") + name), name);
    }
    QCOMPARE(u.Status(), connected);
    u.Shot("2-downloaded");

    // Two uploads from the File menu.
    u.t.Find<QAction>("RefreshLocal1")->trigger();
    u.SelectLocal({"up1.txt", "up2.bin"});
    u.t.Find<QAction>("Upload1")->trigger();
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    for (const char* name : {"up1.txt", "up2.bin"}) {
      QCOMPARE(Sha256(server.LocalPath(name)), Sha256(u.local.File(name)));
      QVERIFY2(u.Logged(std::string("> STOR ") + name), name);
    }
    u.Shot("3-uploaded");

    // A remote file dragged onto the local pane.
    u.SelectRemote({"drag.txt"});
    const std::unique_ptr<QMimeData> drag(form.RemoteFiles().Model().mimeData(
        form.RemoteFiles().Views().Details()->selectionModel()->selectedIndexes()));
    QWidget* local_view = form.LocalFiles().Views().Details()->viewport();
    const QPoint at = local_view->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, drag.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(local_view, &enter);
    QDropEvent drop(at, Qt::CopyAction, drag.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(local_view, &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY2(WaitFor([&] { return Exists(u.local.File("drag.txt")) && u.Idle(); }),
             qPrintable(u.record->Log()));
    QCOMPARE(ReadBytes(u.local.File("drag.txt")), std::string("dragged\n"));

    // A text file edited in its viewer goes back with the added line.
    u.SelectRemote({"view.txt"});
    QTest::keyClick(form.RemoteFiles().Views().Details(), Qt::Key_Return);
    QVERIFY2(WaitFor([&] { return u.Session().ViewerRunning(); }), qPrintable(u.record->Log()));
    u.Shot("4-viewing");
    QVERIFY(!u.t.Find<QWidget>("cmbConnections")->isEnabled());
    QVERIFY(!u.t.Find<QWidget>("edtLocalDir")->isEnabled());
    QVERIFY2(WaitFor([&] { return ReadBytes(server.LocalPath("view.txt")) == "first line\n" +
                                                 std::string(kAdded); }),
             qPrintable(u.record->Log()));
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QVERIFY(u.Logged("> STOR " + work + "view.txt"));
    QVERIFY(u.t.Find<QWidget>("edtLocalDir")->isEnabled());

    // Again, with the session gone while the viewer runs (as a server that
    // closes idle sessions does): the window connects again, returns to
    // the folder and sends the copy.
    u.SelectRemote({"view.txt"});
    QTest::keyClick(form.RemoteFiles().Views().Details(), Qt::Key_Return);
    QVERIFY2(WaitFor([&] { return u.Session().ViewerRunning(); }), qPrintable(u.record->Log()));
    u.Session().FtpClient1().ControlSocket().Close();
    QVERIFY(!u.Session().ConnectionState().Connected);
    QVERIFY2(WaitFor([&] { return ReadBytes(server.LocalPath("view.txt")) ==
                                  "first line\n" + std::string(kAdded) + kAdded; },
                     kTransferLimitMs),
             qPrintable(u.record->Log()));
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QCOMPARE(u.Session().CurDir(), server.WorkDir());
    QCOMPARE(u.Status(), connected);

    // Rename, create and delete a folder, delete two files.
    u.SelectRemote({"rename.txt"});
    u.Click("btnRename");
    u.Answer("renamed.txt");
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QVERIFY(Exists(server.LocalPath("renamed.txt")) && !Exists(server.LocalPath("rename.txt")));
    QVERIFY(u.Logged("> RNFR " + work + "rename.txt"));
    u.Click("btnMakeDir");
    u.Answer("NewDir");
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QVERIFY(std::filesystem::is_directory(server.LocalPath("NewDir")));
    u.Shot("5-folder-created");
    u.SelectRemote({"NewDir"});
    u.Click("btnDelDir");
    u.Confirm("Are you sure that you want to delete the directory \"NewDir\"?");
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QVERIFY(!Exists(server.LocalPath("NewDir")));
    u.SelectRemote({"delete1.txt", "delete2.txt"});
    u.Click("btnDelete");
    u.Confirm(transfer_text::kDeleteQuestion);
    QVERIFY2(u.Idle(), qPrintable(u.record->Log()));
    QVERIFY(!Exists(server.LocalPath("delete1.txt")) && !Exists(server.LocalPath("delete2.txt")));
    QVERIFY(u.Logged("> DELE " + work + "delete1.txt"));
    u.Shot("6-deleted");

    // Abort a large download as soon as data comes: the older local file
    // stays, no part of the download is left, the window connects again
    // and returns to the folder.
    u.SelectRemote({"huge.bin"});
    bool aborted = false;
    QObject::connect(&form.Queue(), &TTransferQueue::progressShown, &form,
                     [&](qint64 count, qint64, const QString&, const QString&) {
                       if (count == 0 || aborted) return;
                       aborted = true;
                       u.Shot("7-downloading");
                       QTimer::singleShot(0, &form, [&] { u.Click("btnAbort"); });
                     });
    u.Click("btnDownload");
    QVERIFY2(WaitFor([&] { return aborted && u.Idle() && u.Session().CurDir() == server.WorkDir(); },
                     kTransferLimitMs),
             qPrintable(u.record->Log()));
    QCOMPARE(ReadBytes(u.local.File("huge.bin")), std::string("an older file\n"));
    for (const auto& entry : std::filesystem::directory_iterator(u.local.Path())) {
      QVERIFY2(entry.path().filename().string()[0] != '.', entry.path().c_str());
    }
    QCOMPARE(u.record->log.count("Session Connected, error = 0"), 3);
    QCOMPARE(u.Status(), connected);
    u.Shot("8-reconnected");

    u.Click("btnDisconnect");
    QVERIFY2(WaitFor([&] { return !u.Session().ConnectionState().Connected; }),
             qPrintable(u.record->Log()));
    QVERIFY(u.Logged("> QUIT"));
    QCOMPARE(u.Status(), QString(" No FTP Connection"));
    QVERIFY(!OpenMessageBox(form));
    u.Shot("9-disconnected");
  }
};

VARNEL_QTEST(TransfersEndToEndTest);

}  // namespace varnel::ui::testing

#include "transfers_e2e_qtest.moc"
