// The transfer commands in the window against the scripted server: where
// they are and when they are enabled, the question before a remote delete,
// the viewer checks that come before anything is fetched, drops between
// the panes and from the desktop, and the progress display of a download.
#include <QAction>
#include <QDropEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "queue_support.h"
#include "ui/assoc/viewer_lookup.h"
#include "ui/main/local_pane.h"
#include "ui/main/remote_pane.h"
#include "ui/main/viewer_launch.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using varnel::testing::Exists;
using varnel::testing::OpenMessageBox;
using varnel::testing::ReadBytes;
using varnel::testing::SaveScreenshot;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;

constexpr const char* kFiles =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "-rw-r--r--   1 bob  bob        10 Mar 01 10:00 a.txt\r\n";

QStringList Texts(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions()) texts << action->text();
  return texts;
}

// The object names of the widgets in the row of the pane area `panel`.
QStringList ButtonRow(TFtpReceiveForm& form, const char* panel) {
  QStringList names;
  QLayout* row = form.findChild<QWidget*>(panel)->layout()->itemAt(0)->layout();
  for (int i = 0; i < row->count(); ++i) {
    if (QWidget* widget = row->itemAt(i)->widget()) names << widget->objectName();
  }
  return names;
}

// The window connected to `server` with the association rows given
// (extension, viewer), its two remote rows shown.
bool StartWithViewers(WindowOnFakeServer& w, const FakeFtpServer& server,
                      const std::vector<std::pair<std::string, std::string>>& viewers = {}) {
  std::string lines = std::to_string(viewers.size()) + "\r\n";
  for (const auto& [extension, viewer] : viewers) lines += extension + "\r\n" + viewer + "\r\n";
  WriteBytes(w.t.File(".EXT"), lines);
  return w.StartListed(server, 2);
}

void Select(TPaneViews& views, const QString& caption) {
  QVERIFY2(SelectRow(*views.Details(), caption), qPrintable(caption));
}

// A drag of `data` entering `views` and dropped there; false when the pane
// refused it on entering.
bool DropOn(TPaneViews& views, QMimeData* data) {
  QWidget* target = views.Details()->viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &drop);
  return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

std::unique_ptr<QMimeData> DragOf(TPaneViews& views, const TPaneModel& model) {
  return std::unique_ptr<QMimeData>(
      model.mimeData(views.Details()->selectionModel()->selectedIndexes()));
}

}  // namespace

class TransferWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandsAreWhereTheUserLooks() {
    WindowUnderTest t;
    t.WriteSettings(FreshSettings());
    TFtpReceiveForm& form = t.Start();
    QCOMPARE(Texts(*form.RemoteFiles().popRemote()),
             (QStringList{"Open", "Download", "View", "", "Delete", "Rename...", "",
                          "New Folder...", "Delete Folder..."}));
    QCOMPARE(Texts(*form.LocalFiles().popLocal()),
             (QStringList{"Open", "Upload", "View", "", "Delete", "", "New Folder..."}));
    QCOMPARE(Texts(*t.Find<QMenu>("File1")).mid(0, 4),
             (QStringList{"&Download", "&Upload", "", "File &Association Manager..."}));
    QCOMPARE(ButtonRow(form, "Panel1").mid(0, 8),
             (QStringList{"btnUpRemoteDir", "btnAbort", "btnMakeDir", "btnDelDir", "btnRename",
                          "btnDownload", "btnDelete", "btnRefreshRemote"}));
    QCOMPARE(ButtonRow(form, "Panel4").mid(0, 3),
             (QStringList{"btnUpLocalDir", "btnGotoLocalDir", "btnUpload"}));
    const std::vector<std::pair<const char*, const char*>> hints{
        {"btnAbort", "Abort Transfer"},     {"btnMakeDir", "Create New Folder"},
        {"btnDelDir", "Remove Folder"},     {"btnRename", "Rename File"},
        {"btnDownload", "Download File(s)"}, {"btnDelete", "Delete File(s)"},
        {"btnUpload", "Upload File(s)"}};
    for (const auto& [name, hint] : hints) {
      QToolButton* button = t.Find<QToolButton>(name);
      QVERIFY2(button, name);
      QCOMPARE(button->toolTip(), QString(hint));
      QVERIFY2(!button->isEnabled(), name);
    }
    QVERIFY(!t.Find<QAction>("Download1")->isEnabled());
    QVERIFY(!t.Find<QAction>("Upload1")->isEnabled());
    emit form.RemoteFiles().popRemote()->aboutToShow();
    emit form.LocalFiles().popLocal()->aboutToShow();
    for (const char* item :
         {"Download2", "Delete2", "Rename1", "NewFolder2", "DeleteFolder1", "Upload2"}) {
      QAction* action = t.Find<QAction>(item);
      QVERIFY2(action && !action->isEnabled(), item);
    }
  }

  void DeleteAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("No deletes nothing") << false;
    QTest::newRow("Yes deletes the files, never folders") << true;
  }

  void DeleteAsksFirst() {
    QFETCH(bool, yes);
    FakeFtpScript script = LoggedInScript(kFiles, kHomeDir);
    Lines expected;
    if (yes) {
      script.Expect("DELE /home/bob/a.txt").Reply("250 Deleted\r\n");
      EndListing(script);
      expected = Concat({{"DELE /home/bob/a.txt"}, kListingCommands});
    }
    EndListing(script);  // F7's
    FakeFtpServer server(script);
    WindowOnFakeServer w;
    QVERIFY2(StartWithViewers(w, server), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    form.RemoteFiles().Views().Details()->selectAll();
    emit form.RemoteFiles().popRemote()->aboutToShow();
    QVERIFY(w.t.Find<QAction>("Delete2")->isEnabled());
    w.t.Find<QAction>("Delete2")->trigger();
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(transfer_text::kDeleteQuestion));
    box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    QVERIFY2(w.WaitIdleAfter(server, kLoginCommands.size() + expected.size()),
             server.Report().c_str());
    expected = Concat({expected, kListingCommands});
    QVERIFY2(w.RefreshAfter(server, expected), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, expected), qPrintable(Joined(received)));
  }

  void ViewerChecksComeBeforeTheServer_data() {
    QTest::addColumn<QString>("viewer");  // empty: no row for TXT
    QTest::addColumn<QString>("message");
    QTest::newRow("no viewer for the type")
        << "" << QString::fromStdString(MissingViewerMessage("/home/bob/a.txt"));
    QTest::newRow("viewer program missing")
        << "/nonexistent/viewer --wait"
        << QString::fromStdString(MissingProgramMessage("/nonexistent/viewer"));
  }

  void ViewerChecksComeBeforeTheServer() {
    QFETCH(QString, viewer);
    QFETCH(QString, message);
    FakeFtpScript script = LoggedInScript(kFiles, kHomeDir);
    EndListing(script);
    FakeFtpServer server(script);
    WindowOnFakeServer w;
    std::vector<std::pair<std::string, std::string>> viewers;
    if (!viewer.isEmpty()) viewers.push_back({"TXT", viewer.toStdString()});
    QVERIFY2(StartWithViewers(w, server, viewers), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    Select(form.RemoteFiles().Views(), "a.txt");
    QTest::keyClick(form.RemoteFiles().Views().Details(), Qt::Key_Return);
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), message);
    box->accept();
    QVERIFY(!form.Queue().Running());
    QCOMPARE(form.Session().ConnectionState(), (TConnectionState{true, false, ""}));
    // F7's listing is all the server sees after the login.
    QVERIFY2(w.RefreshAfter(server, kListingCommands), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, kListingCommands), qPrintable(Joined(received)));
  }

  // Rows dragged onto the other pane move its selection; the desktop's
  // files dropped on the remote pane are uploaded; a pane never takes its
  // own rows, and the local pane takes no desktop files.
  void DropsMoveFilesBetweenPanes() {
    FakeFtpScript script = LoggedInScript(kFiles, kHomeDir);
    Stor(script, "up.bin");
    EndListing(script);
    Retr(Size(script, "a.txt", "213 5"), "a.txt", "new a");
    EndListing(script);
    Stor(script, "desk.bin");
    EndListing(script);
    FakeFtpServer server(script);
    WindowOnFakeServer w;
    TempFolder desktop;
    WriteBytes(w.local.File("up.bin"), "up");
    WriteBytes(desktop.File("desk.bin"), "desk");
    QVERIFY2(StartWithViewers(w, server), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    TRemotePane& remote = form.RemoteFiles();
    TLocalPane& local = form.LocalFiles();

    Select(local.Views(), "up.bin");
    const std::unique_ptr<QMimeData> up = DragOf(local.Views(), local.Model());
    QCOMPARE(up->urls(), QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(w.local.File("up.bin")))});
    QVERIFY(!DropOn(local.Views(), up.get()));
    QVERIFY(DropOn(remote.Views(), up.get()));
    std::size_t commands = kLoginCommands.size() + 5;
    QVERIFY2(w.WaitIdleAfter(server, commands), server.Report().c_str());

    Select(remote.Views(), "a.txt");
    const std::unique_ptr<QMimeData> down = DragOf(remote.Views(), remote.Model());
    QVERIFY(!DropOn(remote.Views(), down.get()));
    QVERIFY(DropOn(local.Views(), down.get()));
    commands += 6;
    QVERIFY2(w.WaitIdleAfter(server, commands), server.Report().c_str());
    QCOMPARE(ReadBytes(w.local.File("a.txt")), std::string("new a"));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(desktop.File("desk.bin")))});
    QVERIFY(!DropOn(local.Views(), &files));
    QVERIFY(DropOn(remote.Views(), &files));
    commands += 5;
    QVERIFY2(w.WaitIdleAfter(server, commands), server.Report().c_str());
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    QCOMPARE(server.Uploads(), (std::vector<std::string>{"up", "desk"}));
  }

  // While the data comes: the label, the gauge up to the size, the rate in
  // the hint, Abort the only remote command; afterwards all back to rest.
  void ProgressShowsWhileADownloadRuns() {
    FakeFtpScript script = LoggedInScript(kFiles, kHomeDir);
    Size(script, "a.txt", "213 400000").ExpectPort().Expect("RETR a.txt").OpenData();
    script.Reply("150 Sending\r\n").SendData(std::string(400000, 'x'), 4000, 10);
    script.CloseData().Reply("226 Sent\r\n");
    EndListing(script);
    FakeFtpServer server(script);
    WindowOnFakeServer w;
    QVERIFY2(StartWithViewers(w, server), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    Select(form.RemoteFiles().Views(), "a.txt");
    w.t.Find<QToolButton>("btnDownload")->click();
    auto* label = w.t.Find<QLabel>("lblProgress");
    QVERIFY2(WaitFor([&] {
               return label->text().contains(" of 390Kb (") && !label->text().startsWith("0bytes");
             }),
             qPrintable(label->text()));
    QCOMPARE(w.t.Find<QProgressBar>("Gauge1")->maximum(), 400000);
    QVERIFY(w.t.Find<QProgressBar>("Gauge1")->value() > 0);
    QVERIFY(w.t.Find<QWidget>("pnlProgress")->toolTip().contains(label->text()));
    QVERIFY(w.t.Find<QToolButton>("btnAbort")->isEnabled());
    QVERIFY(!w.t.Find<QToolButton>("btnDownload")->isEnabled());
    QVERIFY(SaveScreenshot(form, "transfer-progress"));
    QVERIFY2(w.WaitIdleAfter(server, kLoginCommands.size() + 6), server.Report().c_str());
    QVERIFY2(server.WaitFinished(5000), server.Report().c_str());
    QCOMPARE(label->text(), QString());
    QCOMPARE(w.t.Find<QProgressBar>("Gauge1")->value(), 0);
    QCOMPARE(ReadBytes(w.local.File("a.txt")), std::string(400000, 'x'));
  }
};

VARNEL_QTEST(TransferWindowTest);

}  // namespace varnel::ui::testing

#include "transfer_window_qtest.moc"
