// The local pane on a temporary folder: its rows (sizes, hidden files,
// links), navigation, creating a folder (a name that would leave the folder
// refused), deleting into a private trash, the question where no trash
// exists, a file gone before the deletion, a folder that cannot be read,
// and opening a file in its viewer.
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <QTreeView>

#include <string>

#include "session_support.h"
#include "ui/assoc/association_table.h"
#include "ui/assoc/viewer_lookup.h"
#include "ui/dialogs/error_form.h"
#include "ui/main/local_folder.h"
#include "ui/main/local_pane.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"
#include "window_support.h"

namespace varnel::ui::testing {
namespace {

using varnel::testing::AnswerMessageBox;
using varnel::testing::Exists;
using varnel::testing::OpenInputBox;
using varnel::testing::OpenMessageBox;
using varnel::testing::ScopedEnv;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;
namespace text = local_pane_text;

// The window with its local pane on `folder`, its trash and home private.
struct LocalUnderTest {
  TempFolder folder;
  TempFolder data;
  ScopedEnv home{"HOME", data.Path()};
  ScopedEnv data_home{"XDG_DATA_HOME", data.File("share")};
  WindowUnderTest t;

  LocalUnderTest() {
    WriteBytes(folder.File("empty.txt"), "");
    WriteBytes(folder.File("hundred.txt"), std::string(100, 'x'));
    WriteBytes(folder.File(".hidden"), "h");
    ::mkdir(folder.File("sub").c_str(), 0755);
    ::symlink("sub", folder.File("to-sub").c_str());
    ::symlink("nowhere", folder.File("dangling").c_str());
  }

  TFtpReceiveForm& Start(std::vector<Association> associations = {}) {
    TStoredSettings stored = FreshSettings();
    stored.LastLocalDir = folder.Path();
    t.WriteSettings(stored);
    // The association file: a count line, then extension and viewer lines.
    std::string lines = std::to_string(associations.size()) + "\r\n";
    for (const Association& row : associations)
      lines += row.extension + "\r\n" + row.viewer + "\r\n";
    WriteBytes(t.File(".EXT"), lines);
    return t.Start();
  }

  TLocalPane& Pane() { return t.Form().LocalFiles(); }
  QString Dir() { return t.Find<QLineEdit>("edtLocalDir")->text(); }
  QStringList Names() {
    QStringList names;
    const TPaneModel& model = Pane().Model();
    for (int row = 0; row < model.rowCount(); ++row) {
      names << model.data(model.index(row, 0), Qt::DisplayRole).toString();
    }
    return names;
  }
  QString Cell(const QString& name, int column) {
    const TPaneModel& model = Pane().Model();
    const int row = static_cast<int>(Names().indexOf(name));
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
  }
  // Selects the rows showing `names` (the first one current).
  void Select(const QStringList& names) {
    QTreeView* view = Pane().Views().Details();
    view->selectionModel()->clearSelection();
    for (const QString& name : names) {
      const QModelIndex index = Pane().Model().index(static_cast<int>(Names().indexOf(name)), 0);
      view->selectionModel()->select(index,
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    view->selectionModel()->setCurrentIndex(
        Pane().Model().index(static_cast<int>(Names().indexOf(names.first())), 0),
        QItemSelectionModel::NoUpdate);
    view->setFocus();
  }
  void Open(const QString& name) {
    Select({name});
    QTest::keyClick(Pane().Views().Details(), Qt::Key_Return);
  }
  QStringList MessageLog() { return t.Form().Windows().ErrorForm->Lines(); }
};

// Runs `body` where permissions bind also for root: the file system user
// becomes "nobody" for the calling thread meanwhile.
template <typename Body>
void WithoutFilePrivileges(Body body) {
  constexpr uid_t kNobody = 65534;
  const bool root = ::geteuid() == 0;
  if (root) ::setfsuid(kNobody);
  body();
  if (root) ::setfsuid(0);
}

}  // namespace

class PaneLocalTest : public QObject {
  Q_OBJECT

 private slots:
  void ListsTheFolderAsAFileManagerShowsIt() {
    LocalUnderTest l;
    l.Start();
    QCOMPARE(l.Dir(), QString::fromStdString(l.folder.Path() + "/"));
    QCOMPARE(l.Names(),
             (QStringList{".", "..", "sub", "to-sub", "dangling", "empty.txt", "hundred.txt"}));
    QCOMPARE(l.Cell("empty.txt", 1), QString("0 KB"));
    QCOMPARE(l.Cell("hundred.txt", 1), QString("1 KB"));
    QCOMPARE(l.Cell("hundred.txt", 2), QString("Text Document"));
    QCOMPARE(l.Cell("to-sub", 2), QString("File Folder"));
    QCOMPARE(l.Cell("dangling", 2), QString("File"));
    QVERIFY(!l.Cell("empty.txt", 3).isEmpty());
    QVERIFY(l.Pane().Model().Row(3).Link);

    l.t.Find<QAction>("ShowHiddenFiles1")->trigger();
    QVERIFY(l.Names().contains(".hidden"));
    l.t.Find<QAction>("ShowHiddenFiles1")->trigger();
    QVERIFY(!l.Names().contains(".hidden"));
  }

  void Navigation() {
    LocalUnderTest l;
    l.Start();
    const QString top = QString::fromStdString(l.folder.Path() + "/");
    l.Open("sub");
    QCOMPARE(l.Dir(), top + "sub/");
    QCOMPARE(l.Names(), (QStringList{".", ".."}));
    l.Open(".");
    QCOMPARE(l.Dir(), top + "sub/");
    l.Open("..");
    QCOMPARE(l.Dir(), top);
    l.Open("to-sub");
    QCOMPARE(l.Dir(), top + "to-sub/");
    l.t.Find<QToolButton>("btnUpLocalDir")->click();
    QCOMPARE(l.Dir(), top);
    // A typed folder without its closing "/" gets it and is listed.
    auto* box = l.t.Find<QLineEdit>("edtLocalDir");
    box->setText(top + "sub");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(l.Dir(), top + "sub/");
    box->setText("/");
    QTest::keyClick(box, Qt::Key_Return);
    l.t.Find<QToolButton>("btnUpLocalDir")->click();
    QCOMPARE(l.Dir(), QString("/"));
  }

  void CreatesAFolderOnlyInsideTheFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("created");
    QTest::newRow("proposed name") << "" << true;
    QTest::newRow("name with blanks") << "My Files" << true;
    QTest::newRow("climbing out") << "../escaped" << false;
    QTest::newRow("nested") << "a/b" << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("existing") << "sub" << false;
  }

  void CreatesAFolderOnlyInsideTheFolder() {
    QFETCH(QString, name);
    QFETCH(bool, created);
    LocalUnderTest l;
    TFtpReceiveForm& form = l.Start();
    l.t.Find<QToolButton>("btnMkDirLocal")->click();
    QInputDialog* box = OpenInputBox(form);
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QString(text::kCreateTitle));
    QCOMPARE(box->labelText(), QString(text::kCreatePrompt));
    QCOMPARE(box->textValue(), QString(text::kCreateProposal));
    const QString entered = name.isEmpty() ? box->textValue() : name;
    const QStringList before = l.Names();
    box->setTextValue(entered);
    box->accept();
    QCOMPARE(l.Names().size(), before.size() + (created ? 1 : 0));
    QCOMPARE(l.Names().count(entered), created || before.contains(entered) ? 1 : 0);
    QVERIFY(!Exists(l.data.File("escaped")));
    QVERIFY(!Exists(l.folder.Path() + "/../escaped"));
    QMessageBox* error = OpenMessageBox(form);
    QCOMPARE(error != nullptr, !created);
    if (error) QCOMPARE(error->text(), "Unable to create directory \"" + entered + "\"");
  }

  void DeletesTheSelectedFilesIntoTheTrash() {
    LocalUnderTest l;
    TFtpReceiveForm& form = l.Start();
    l.Select({"sub", "empty.txt", "hundred.txt"});
    l.t.Find<QToolButton>("btnDeleteLocal")->click();
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(text::kDeleteQuestion));
    QVERIFY(AnswerMessageBox(form, QMessageBox::Yes));
    QCOMPARE(l.Names(), (QStringList{".", "..", "sub", "to-sub", "dangling"}));
    QVERIFY(Exists(l.data.File("share/Trash/files/empty.txt")));
    QVERIFY(Exists(l.data.File("share/Trash/files/hundred.txt")));
    QVERIFY(Exists(l.folder.File("sub")));
    QCOMPARE(l.MessageLog(), QStringList{});
  }

  void DeletingNoFileAsksNothing_data() {
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<bool>("asked");
    QTest::newRow("folders only") << QStringList{"sub", "to-sub"} << false;
    QTest::newRow("answered no") << QStringList{"empty.txt"} << true;
  }

  void DeletingNoFileAsksNothing() {
    QFETCH(QStringList, selected);
    QFETCH(bool, asked);
    LocalUnderTest l;
    TFtpReceiveForm& form = l.Start();
    l.Select(selected);
    QTest::keyClick(l.Pane().Views().Details(), Qt::Key_Delete);
    QCOMPARE(AnswerMessageBox(form, QMessageBox::No), asked);
    QCOMPARE(l.Names().size(), 7);
    QVERIFY(Exists(l.folder.File("empty.txt")));
  }

  void AFileGoneMeanwhileIsReportedOnce() {
    LocalUnderTest l;
    TFtpReceiveForm& form = l.Start();
    l.Select({"dangling", "empty.txt", "hundred.txt"});
    l.t.Find<QToolButton>("btnDeleteLocal")->click();
    ::unlink(l.folder.File("empty.txt").c_str());
    QVERIFY(AnswerMessageBox(form, QMessageBox::Yes));
    QCOMPARE(l.MessageLog().size(), 1);
    QVERIFY2(l.MessageLog().first().endsWith(QString::fromStdString(
                 "Unable to delete the file \"" + l.folder.File("empty.txt") + "\"")),
             qPrintable(l.MessageLog().first()));
    QVERIFY(!Exists(l.folder.File("dangling")));
    QVERIFY(!Exists(l.folder.File("hundred.txt")));
  }

  // A trash on another file system than the folder's, and none at the
  // top of the folder's own (it is the home's): the files go for good,
  // and the question says so.
  void WithoutATrashTheQuestionSaysTheFilesGoForGood() {
    TempFolder other_volume;
    LocalUnderTest l;
    const std::string shm = "/dev/shm";
    struct stat shm_info {
    }, folder_info{};
    if (::stat(shm.c_str(), &shm_info) != 0 || ::access(shm.c_str(), W_OK) != 0 ||
        (::stat(l.folder.Path().c_str(), &folder_info) == 0 &&
         shm_info.st_dev == folder_info.st_dev)) {
      QSKIP("no second file system to put the trash on");
    }
    std::string trash_home = shm + "/varnel-test-XXXXXX";
    QVERIFY(::mkdtemp(trash_home.data()));
    ScopedEnv elsewhere("XDG_DATA_HOME", trash_home);
    QVERIFY(!TrashAvailable(l.folder.Path()));
    TFtpReceiveForm& form = l.Start();
    l.Select({"hundred.txt"});
    l.t.Find<QToolButton>("btnDeleteLocal")->click();
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString(text::kDeleteQuestion) + "\n\n" + text::kNoTrash);
    QVERIFY(AnswerMessageBox(form, QMessageBox::Yes));
    QVERIFY(!Exists(l.folder.File("hundred.txt")));
    ::rmdir(trash_home.c_str());
  }

  void AFolderThatCannotBeReadIsReportedAndThePaneStays() {
    LocalUnderTest l;
    TFtpReceiveForm& form = l.Start();
    ::chmod(l.folder.File("sub").c_str(), 0);
    const QString top = QString::fromStdString(l.folder.Path() + "/");
    WithoutFilePrivileges([&] { l.Open("sub"); });
    ::chmod(l.folder.File("sub").c_str(), 0755);
    QCOMPARE(l.Dir(), top);
    QCOMPARE(l.Names().size(), 7);
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), "Unable to read the folder \"" + top + "sub/\": Permission denied");
    box->accept();
    l.Open("sub");
    QCOMPARE(l.Dir(), top + "sub/");
  }

  void OpensAFileInItsViewer() {
    LocalUnderTest l;
    const std::string viewer = l.data.File("viewer.sh");
    WriteBytes(viewer,
               "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n", 0755);
    TFtpReceiveForm& form = l.Start({{"TXT", viewer + " --view"}, {"BIN", "/nonexistent/prog"}});
    l.Open("hundred.txt");
    QVERIFY(WaitFor([&] { return Exists(viewer + ".out"); }));
    QCOMPARE(varnel::testing::ReadBytes(viewer + ".out"),
             "--view\n" + l.folder.File("hundred.txt") + "\n");

    WriteBytes(l.folder.File("data.bin"), "b");
    WriteBytes(l.folder.File("notes.xyz"), "x");
    l.t.Find<QToolButton>("btnRefreshLocal")->click();
    l.Open("data.bin");
    QCOMPARE(l.MessageLog().size(), 1);
    QVERIFY2(l.MessageLog().first().endsWith(
                 QString::fromStdString("Unable to open the file \"" + l.folder.File("data.bin") +
                                        "\". Error code: 2 (No such file or directory)")),
             qPrintable(l.MessageLog().first()));
    QVERIFY(AnswerMessageBox(form, QMessageBox::Ok));
    l.Open("notes.xyz");
    QMessageBox* box = OpenMessageBox(form);
    QVERIFY(box);
    QCOMPARE(box->text(), QString::fromStdString(MissingViewerMessage(l.folder.File("notes.xyz"))));
  }
};

VARNEL_QTEST(PaneLocalTest);

}  // namespace varnel::ui::testing

#include "pane_local_qtest.moc"
