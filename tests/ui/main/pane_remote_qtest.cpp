// The remote pane against the scripted server: what each navigation sends
// (opening a folder, "..", "." and link rows, the up button from folders
// with and without a final slash and from the root, Enter in edtCurDir), a
// link the server refuses to enter opened as the file it is (and looked up
// for viewing), a name unsafe as a local file refused by name. Every case
// ends with F7, whose listing is the last thing the server sees, so a case
// that must send nothing shows it.
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeView>

#include <functional>
#include <string>
#include <vector>

#include "ui/assoc/viewer_lookup.h"
#include "ui/main/remote_pane.h"
#include "ui/support/case_rows.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using ftp::testing::FakeFtpServer;
using varnel::testing::AddCaseRows;
using varnel::testing::CurrentCase;
using varnel::testing::OpenMessageBox;

constexpr const char* kFolderListing =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 .\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 ..\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "-rw-r--r--   1 bob  bob        10 Mar 01 10:00 a.txt\r\n"
    "lrwxrwxrwx   1 bob  bob         7 Mar 01 10:00 docs -> pub/doc\r\n"
    "lrwxrwxrwx   1 bob  bob         5 Mar 01 10:00 latest.txt -> a.txt\r\n"
    "-rw-r--r--   1 bob  bob         5 Mar 01 10:00 ../evil.txt\r\n";

using Action = std::function<void(WindowUnderTest&)>;

// Makes the row showing `caption` the current row and presses Enter on
// it, as a double-click would open it.
void OpenRow(WindowUnderTest& t, const QString& caption) {
  QTreeView* view = t.Form().RemoteFiles().Views().Details();
  QVERIFY2(SelectRow(*view, caption), qPrintable(caption));
  QTest::keyClick(view, Qt::Key_Return);
}

Action Row(const char* caption) {
  return [caption](WindowUnderTest& t) { OpenRow(t, caption); };
}

Action UpButton() {
  return [](WindowUnderTest& t) { t.Find<QToolButton>("btnUpRemoteDir")->click(); };
}

Action TypeFolder(const char* folder) {
  return [folder](WindowUnderTest& t) {
    auto* box = t.Find<QLineEdit>("edtCurDir");
    box->selectAll();
    QTest::keyClicks(box, folder);
    QTest::keyClick(box, Qt::Key_Return);
  };
}

Action HeaderClick(int column) {
  return [column](WindowUnderTest& t) {
    QHeaderView* header = t.Form().RemoteFiles().Views().Details()->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
  };
}

struct NavigationCase {
  const char* name;
  const char* start;  // the directory after the login
  Action act;
  Exchange exchange;   // commands and replies the action causes
  const char* listed;  // directory of the listing that follows; none: null
  const char* cur_dir;
  const char* opened;  // name handed on as a file; none: null
  bool refused;        // a box refusing the unsafe name
};

// One row per case (the formatter would spread each over many lines).
// clang-format off
const std::vector<NavigationCase>& NavigationCases() {
  static const std::vector<NavigationCase> cases{
      {"folder row", "/home/bob", Row("pub"), {{"CWD /home/bob/pub", "250 OK"}}, "/home/bob/pub", "/home/bob/pub", nullptr, false},
      {"parent row", "/home/bob", Row(".."), {{"CWD /home/", "250 OK"}}, "/home", "/home", nullptr, false},
      {"current row sends nothing", "/home/bob", Row("."), {}, nullptr, "/home/bob", nullptr, false},
      {"link entered as a folder", "/home/bob", Row("docs -> pub/doc"), {{"CWD /home/bob/docs", "250 OK"}}, "/home/bob/pub/doc", "/home/bob/pub/doc", nullptr, false},
      {"link refused is a file", "/home/bob", Row("latest.txt -> a.txt"), {{"CWD /home/bob/latest.txt", "550 Not a directory"}}, nullptr, "/home/bob", "latest.txt", false},
      {"file row handed on", "/home/bob", Row("a.txt"), {}, nullptr, "/home/bob", "a.txt", false},
      {"unsafe name refused", "/home/bob", Row("../evil.txt"), {}, nullptr, "/home/bob", nullptr, true},
      {"up from /pub/", "/pub/", UpButton(), {{"CWD /", "250 OK"}}, "/", "/", nullptr, false},
      {"up from /pub", "/pub", UpButton(), {{"CWD /", "250 OK"}}, "/", "/", nullptr, false},
      {"up from / stays", "/", UpButton(), {{"CWD /", "250 OK"}}, "/", "/", nullptr, false},
      {"enter in edtCurDir", "/home/bob", TypeFolder("/srv"), {{"CWD /srv", "250 OK"}}, "/srv", "/srv", nullptr, false},
      {"header click sends nothing", "/home/bob", HeaderClick(1), {}, nullptr, "/home/bob", nullptr, false},
  };
  return cases;
}
// clang-format on

}  // namespace

class PaneRemoteTest : public QObject {
  Q_OBJECT

 private slots:
  void NavigationSendsExactlyItsCommands_data() { AddCaseRows(NavigationCases()); }

  void NavigationSendsExactlyItsCommands() {
    const NavigationCase& c = CurrentCase(NavigationCases());
    FakeFtpScript script = LoggedInScript(kFolderListing, c.start);
    Lines expected = Answer(script, c.exchange);
    if (c.listed) {
      ListingReplies(script, PwdReply(c.listed), kFolderListing);
      expected.insert(expected.end(), kListingCommands.begin(), kListingCommands.end());
    }
    ListingReplies(script, PwdReply(c.cur_dir), kFolderListing);
    expected.insert(expected.end(), kListingCommands.begin(), kListingCommands.end());
    FakeFtpServer server(script);

    WindowOnFakeServer w;
    QVERIFY2(w.StartListed(server, 7), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    TFtpSession& session = form.Session();
    QCOMPARE(session.CurDir(), std::string(c.start));
    QSignalSpy opened(&form.RemoteFiles(), &TRemotePane::remoteFileOpened);

    c.act(w.t);
    if (QTest::currentTestFailed()) return;
    QVERIFY2(WaitFor([&] { return session.ConnectedAndIdle(); }), server.Report().c_str());
    // A file opened goes on to its viewer, of which this window knows none.
    QMessageBox* box = OpenMessageBox(form);
    QCOMPARE(box != nullptr, c.refused || c.opened);
    if (box) {
      QCOMPARE(box->text(), c.refused ? UnsafeNameText("../evil.txt")
                                      : QString::fromStdString(MissingViewerMessage(
                                            std::string(c.start) + "/" + c.opened)));
      box->accept();
    }
    QVERIFY2(w.RefreshAfter(server, expected), server.Report().c_str());

    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, expected), qPrintable(Joined(received)));
    QCOMPARE(session.CurDir(), std::string(c.cur_dir));
    QCOMPARE(w.t.Find<QLineEdit>("edtCurDir")->text(), QString(c.cur_dir));
    QCOMPARE(opened.size(), c.opened ? 1 : 0);
    if (c.opened) QCOMPARE(opened.first().first().toByteArray(), QByteArray(c.opened));
    // A link that is a file is no refusal of the user's: nothing reported.
    QVERIFY(!OpenMessageBox(form));
  }

  // A listing file that cannot be read is reported and the rows stay.
  void UnreadableListingKeepsTheRows() {
    FakeFtpServer server(LoggedInScript(kFolderListing));
    WindowOnFakeServer w;
    QVERIFY2(w.StartListed(server, 7), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    form.RemoteFiles().ParseRemoteListing(w.t.home.File("missing.txt"));
    QCOMPARE(form.RemoteFiles().Model().RowCount(), 7);
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QVERIFY2(box->text().contains("missing.txt"), qPrintable(box->text()));
  }
};
VARNEL_QTEST(PaneRemoteTest);

}  // namespace varnel::ui::testing

#include "pane_remote_qtest.moc"
