// The path dialog: Ok takes an existing local folder only; Cancel and the
// close box leave nothing chosen.
#include "ui/dialogs/path_dialog.h"

#include <QAction>
#include <QDir>
#include <QFileSystemModel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui {

class PathDialogTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;

  QString Folder(const QString& name) {
    QDir(folder_.path()).mkpath(name);
    return folder_.path() + "/" + name;
  }
  static QTreeView* Tree(TfrmPath& dialog) { return dialog.findChild<QTreeView*>("stvPath"); }
  static QString Selected(TfrmPath& dialog) {
    auto* model = static_cast<QFileSystemModel*>(Tree(dialog)->model());
    QModelIndexList rows = Tree(dialog)->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : model->filePath(rows.first());
  }
  static void ClickOk(TfrmPath& dialog) { dialog.findChild<QPushButton*>("btnOk")->click(); }

 private slots:
  void OkAcceptsAnExistingFolder_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "Music";
    QTest::newRow("blanks and UTF-8") << QString::fromUtf8("Fotos d'\xC3\xA9t\xC3\xA9 2024");
    QTest::newRow("the root") << "";
  }
  void OkAcceptsAnExistingFolder() {
    QFETCH(QString, name);
    const QString path = name.isEmpty() ? "/" : Folder(name);
    TfrmPath dialog;
    QCOMPARE(dialog.windowTitle(), QString("Select Directory"));
    QSignalSpy finished(&dialog, &QDialog::finished);
    dialog.open();
    dialog.SelectFolder(path);
    ClickOk(dialog);
    QVERIFY(dialog.PathAccepted());
    QCOMPARE(dialog.ChosenPath(), path);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
  }

  void OkWithoutAnExistingFolderKeepsTheDialogOpen() {
    TfrmPath dialog;
    dialog.open();
    Tree(dialog)->clearSelection();
    ClickOk(dialog);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.PathAccepted());

    // The tree is not watched: a folder removed after it was listed is
    // still shown, and refused.
    const QString gone = Folder("gone");
    dialog.SelectFolder(gone);
    QVERIFY(QDir(gone).removeRecursively());
    ClickOk(dialog);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.PathAccepted());
    QVERIFY(dialog.ChosenPath().isEmpty());
  }

  void CancelAndTheCloseBoxChooseNothing_data() {
    QTest::addColumn<bool>("close_box");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
  }
  void CancelAndTheCloseBoxChooseNothing() {
    QFETCH(bool, close_box);
    TfrmPath dialog;
    dialog.open();
    dialog.SelectFolder(Folder("first"));
    ClickOk(dialog);
    QVERIFY(dialog.PathAccepted());

    // Every opening forgets the last result.
    dialog.open();
    QVERIFY(!dialog.PathAccepted());
    QVERIFY(dialog.ChosenPath().isEmpty());
    QCOMPARE(Selected(dialog), folder_.path() + "/first");
    dialog.SelectFolder(Folder("second"));
    if (close_box) {
      dialog.close();
    } else {
      dialog.findChild<QPushButton*>("btnCancel")->click();
    }
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.PathAccepted());
    QVERIFY(dialog.ChosenPath().isEmpty());
  }

  void HiddenFoldersAppearOnRequest() {
    TfrmPath dialog;
    auto* show_hidden = dialog.findChild<QAction*>("actShowHidden");
    QVERIFY(!show_hidden->isChecked());
    QCOMPARE(show_hidden->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    dialog.open();
    const QString hidden = Folder(".config/app");
    dialog.SelectFolder(hidden);
    QVERIFY(show_hidden->isChecked());
    QCOMPARE(Selected(dialog), hidden);
    ClickOk(dialog);
    QCOMPARE(dialog.ChosenPath(), hidden);
  }

  void ARightClickSelectsAFolder() {
    TfrmPath dialog;
    const QString left = Folder("left"), right = Folder("right");
    dialog.open();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.SelectFolder(left);
    QTreeView* tree = Tree(dialog);
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const QModelIndex target = model->index(right);
    // The folder's rows arrive from the model's background reader.
    QTRY_VERIFY(!tree->visualRect(target).isEmpty());
    tree->scrollTo(target);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualRect(target).center());
    QCOMPARE(Selected(dialog), right);
    QVERIFY(testing::SaveScreenshot(dialog, "path_dialog"));
  }
};

VARNEL_QTEST(PathDialogTest);

}  // namespace varnel::ui

#include "path_dialog_qtest.moc"
