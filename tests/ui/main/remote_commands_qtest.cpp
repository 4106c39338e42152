// The remote folder commands driven through the window against the
// scripted server: what each sends after its input box or question, the
// boxes that stop it before anything is sent, and a refusal that returns
// the window to connected and idle. Every case ends with F7, whose listing
// is the last thing the server sees, so a case that must send nothing
// shows it.
#include <QAction>
#include <QInputDialog>
#include <QMessageBox>
#include <QToolButton>
#include <QTreeView>

#include <string>
#include <vector>

#include "ui/main/remote_commands.h"
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
using varnel::testing::OpenInputBox;
using varnel::testing::OpenMessageBox;
namespace text = remote_text;

constexpr const char* kHome = "/home/bob";
constexpr const char* kFolders =
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 .\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 ..\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 pub\r\n"
    "drwxr-xr-x   2 bob  bob      4096 Mar 01 10:00 docs\r\n"
    "-rw-r--r--   1 bob  bob        10 Mar 01 10:00 a.txt\r\n";
constexpr int kRows = 5;

struct CommandCase {
  const char* name;
  QStringList select;   // remote rows selected first, by caption
  const char* button;   // the command's tool button
  const char* typed;    // entered into its input box; null: no input box
  QString question;     // the confirmation, answered Yes; empty: none
  QString box;          // a warning box at the end; empty: none
  Exchange exchange;    // commands and replies the command causes
  bool listed;          // a listing follows
};

const QString kRefused = session_text::kInsufficientRights;
const std::string kHomePwd = "257 \"/home/bob\" is the current directory";

// One row per case (the formatter would spread each over many lines).
// clang-format off
const std::vector<CommandCase>& CommandCases() {
  static const std::vector<CommandCase> cases{
      {"create a folder", {}, "btnMakeDir", "NewDir", {}, {}, {{"MKD NewDir", "257 \"NewDir\" created"}}, true},
      {"create refused: back to idle", {}, "btnMakeDir", "NewDir", {}, kRefused, {{"MKD NewDir", "550 Denied"}, {"PWD", kHomePwd}}, false},
      {"blank name refused before sending", {}, "btnMakeDir", "   ", {}, text::kNoName, {}, false},
      {"delete the lower of two folders", {"pub", "docs"}, "btnDelDir", nullptr, DeleteDirectoryQuestion("pub"), {}, {{"RMD pub", "250 Removed"}}, true},
      {"delete refused: back to idle", {"docs"}, "btnDelDir", nullptr, DeleteDirectoryQuestion("docs"), kRefused, {{"RMD docs", "550 Not empty"}, {"PWD", kHomePwd}}, false},
      {"parent row is no folder to delete", {".."}, "btnDelDir", nullptr, {}, text::kNoDirectorySelected, {}, false},
      {"no folder selected", {"a.txt"}, "btnDelDir", nullptr, {}, text::kNoDirectorySelected, {}, false},
      {"rename a file by full paths", {"a.txt"}, "btnRename", "b.txt", {}, {}, {{"RNFR /home/bob/a.txt", "350 Ready"}, {"RNTO /home/bob/b.txt", "250 Renamed"}}, true},
      {"rename to another letter case", {"a.txt"}, "btnRename", "A.txt", {}, {}, {{"RNFR /home/bob/a.txt", "350 Ready"}, {"RNTO /home/bob/A.txt", "250 Renamed"}}, true},
      {"rename to the same name sends nothing", {"a.txt"}, "btnRename", "a.txt", {}, {}, {}, false},
      {"rename to blanks refused", {"a.txt"}, "btnRename", " ", {}, text::kNoName, {}, false},
      {"folders are not renamed", {"pub"}, "btnRename", nullptr, {}, text::kUnableToRenameDirectories, {}, false},
      {"rename without a selection", {}, "btnRename", nullptr, {}, text::kNoFileSelected, {}, false},
  };
  return cases;
}
// clang-format on

// Selects the remote rows showing `captions`, and only those.
void SelectRows(TFtpReceiveForm& form, const QStringList& captions) {
  QTreeView* view = form.RemoteFiles().Views().Details();
  view->selectionModel()->clearSelection();
  for (const QString& caption : captions) {
    QVERIFY2(SelectRow(*view, caption, true), qPrintable(caption));
  }
}

}  // namespace

class RemoteCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void CommandsSendExactlyTheirRequests_data() { AddCaseRows(CommandCases()); }

  void CommandsSendExactlyTheirRequests() {
    const CommandCase& c = CurrentCase(CommandCases());
    FakeFtpScript script = LoggedInScript(kFolders, kHome);
    Lines expected = Answer(script, c.exchange);
    for (int listings = c.listed ? 2 : 1; listings > 0; --listings) {
      ListingReplies(script, PwdReply(kHome), kFolders);
      expected.insert(expected.end(), kListingCommands.begin(), kListingCommands.end());
    }
    FakeFtpServer server(script);
    WindowOnFakeServer w;
    QVERIFY2(w.StartListed(server, kRows), server.Report().c_str());
    TFtpReceiveForm& form = w.Form();
    TFtpSession& session = form.Session();
    SelectRows(form, c.select);
    if (QTest::currentTestFailed()) return;

    w.t.Find<QToolButton>(c.button)->click();
    if (c.typed) {
      QInputDialog* input = OpenInputBox(form);
      QVERIFY(input);
      input->setTextValue(c.typed);
      input->accept();
    }
    if (!c.question.isEmpty()) {
      QMessageBox* question = OpenMessageBox(form);
      QVERIFY(question);
      QCOMPARE(question->text(), c.question);
      question->button(QMessageBox::Yes)->click();
    }
    const std::size_t before_refresh =
        kLoginCommands.size() + expected.size() - kListingCommands.size();
    QVERIFY2(w.WaitIdleAfter(server, before_refresh), server.Report().c_str());
    QMessageBox* box = OpenMessageBox(form);
    QCOMPARE(box ? box->text() : QString(), c.box);
    if (box) box->accept();
    QCOMPARE(session.ConnectionState(), (TConnectionState{true, false, ""}));

    QVERIFY2(w.RefreshAfter(server, expected), server.Report().c_str());
    const Lines received = After(server.Commands(), kLoginCommands.size());
    QVERIFY2(SameCommands(received, expected), qPrintable(Joined(received)));
  }
};

VARNEL_QTEST(RemoteCommandsTest);

}  // namespace varnel::ui::testing

#include "remote_commands_qtest.moc"
