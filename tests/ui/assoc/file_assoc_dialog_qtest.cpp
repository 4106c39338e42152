// The File Association Manager driven as a user does: the grid, the edit
// boxes, the row buttons, Browse, Ok and Cancel, and the association file
// they leave behind, byte for byte.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QToolButton>

#include "assoc_windows.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui::assoc_test {
namespace {

using varnel::testing::AnswerMessageBox;
using varnel::testing::OpenMessageBox;

// Two rows out of order, one of them with bytes that are no UTF-8.
const std::string kTwoRows = "2\r\nTXT\r\n/usr/bin/gedit --wait\r\nBMP\r\n/opt/\xff\xfe/eog\r\n";

QString BoxText(AssocWindows& w, const char* box) { return w.Control<QLineEdit>(box)->text(); }

void Type(QLineEdit* box, const QString& text) {
  box->selectAll();
  QTest::keyClicks(box, text);
}

}  // namespace

class FileAssocTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsTheFileSortedWithTheFirstRowSelected() {
    AssocWindows w;
    w.Open(kTwoRows);
    QCOMPARE(w.dialog->windowTitle(), QString("File Association Manager"));
    QCOMPARE(w.dialog->windowModality(), Qt::WindowModal);
    const QAbstractItemModel* grid = w.Grid()->model();
    QCOMPARE(grid->headerData(1, Qt::Horizontal).toString(), QString("File"));
    QCOMPARE(grid->headerData(2, Qt::Horizontal).toString(), QString("Viewer Application"));
    QCOMPARE(w.GridRows(),
             QStringList({QString::fromUtf8("1|BMP|/opt/\xef\xbf\xbd\xef\xbf\xbd/eog"),
                          "2|TXT|/usr/bin/gedit --wait"}));
    QCOMPARE(w.Grid()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(w.Grid()->currentIndex().row(), 0);
    QCOMPARE(BoxText(w, "edtExt"), QString("BMP"));
    QVERIFY(w.Control<QLineEdit>("edtViewer")->isReadOnly());
    QVERIFY(!OpenMessageBox(w.main));
    QVERIFY(varnel::testing::SaveScreenshot(*w.dialog, "file_association_manager"));

    w.dialog->setPalette(varnel::testing::DarkPalette());
    QVERIFY(varnel::testing::SaveScreenshot(*w.dialog, "file_association_manager_dark"));
  }

  // Typing reaches the grid and the table at once and the file on Ok;
  // rows nobody touched keep their bytes.
  void EditsReachTheGridAndOkWritesThem() {
    AssocWindows w;
    w.Open(kTwoRows);
    w.ClickRow(2);
    QCOMPARE(BoxText(w, "edtExt"), QString("TXT"));
    Type(w.Control<QLineEdit>("edtExt"), "log");
    QCOMPARE(w.GridRows().at(1), QString("2|LOG|/usr/bin/gedit --wait"));

    QLineEdit* viewer = w.Control<QLineEdit>("edtViewer");
    Type(viewer, "/bin/ignored");
    QCOMPARE(w.associations.Table().Row(2).viewer, std::string("/usr/bin/gedit --wait"));
    QTest::mouseClick(viewer, Qt::RightButton);
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    QVERIFY(!viewer->isReadOnly());
    Type(viewer, "/usr/bin/mousepad");
    QCOMPARE(w.GridRows().at(1), QString("2|LOG|/usr/bin/mousepad"));
    QCOMPARE(w.associations.GetViewer("/tmp/a.log", false).viewer,
             std::string("/usr/bin/mousepad"));

    // Another row locks the viewer box again.
    w.ClickRow(1);
    QVERIFY(viewer->isReadOnly());
    w.Control<QCheckBox>("chkWordpad")->setChecked(true);
    QCOMPARE(w.FileBytes(), kTwoRows);
    w.Click("btnOk");
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.dialog->result(), int(QDialog::Accepted));
    QVERIFY(w.associations.Limit50k());
    QCOMPARE(w.FileBytes(),
             std::string("2\r\nBMP\r\n/opt/\xff\xfe/eog\r\nLOG\r\n/usr/bin/mousepad\r\n"));
  }

  void RowOperations_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("enabled");
    const QString bmp = QString::fromUtf8("|BMP|/opt/\xef\xbf\xbd\xef\xbf\xbd/eog");
    const QString txt = "|TXT|/usr/bin/gedit --wait";
    QTest::newRow("Add New") << "btnAddExt" << false << QStringList({"1" + bmp, "2" + txt, "3||"})
                             << "" << true;
    QTest::newRow("Copy") << "btnCopyExt" << false << QStringList({"1" + bmp, "2" + txt, "3" + bmp})
                          << "BMP" << true;
    QTest::newRow("Delete") << "btnDelExt" << false << QStringList({"1" + txt}) << "TXT" << true;
    QTest::newRow("Clear, Yes") << "btnClear" << true << QStringList() << "" << false;
    QTest::newRow("Clear, No") << "btnClear" << false << QStringList({"1" + bmp, "2" + txt})
                               << "BMP" << true;
  }

  // Every operation acts on the table and the grid, not on the file.
  void RowOperations() {
    QFETCH(QString, button);
    QFETCH(bool, yes);
    QFETCH(QStringList, rows);
    QFETCH(QString, extension);
    QFETCH(bool, enabled);
    AssocWindows w;
    w.Open(kTwoRows);
    w.Click(button.toLatin1().constData());
    if (button == "btnClear") {
      QMessageBox* box = OpenMessageBox(w.main);
      QVERIFY(box);
      QCOMPARE(box->icon(), QMessageBox::Warning);
      QCOMPARE(box->text(), QString("You are about to remove ALL file associations. Are you "
                                    "really sure that you want to do this?"));
      QVERIFY(AnswerMessageBox(w.main, yes ? QMessageBox::Yes : QMessageBox::No));
    }
    QCOMPARE(w.GridRows(), rows);
    QCOMPARE(w.Grid()->selectionModel()->selectedRows().size(), rows.isEmpty() ? 0 : 1);
    QCOMPARE(BoxText(w, "edtExt"), extension);
    for (const char* name : {"edtExt", "edtViewer", "btnBrowse", "btnDelExt", "btnCopyExt"}) {
      QCOMPARE(w.dialog->findChild<QWidget*>(name)->isEnabled(), enabled);
    }
    QCOMPARE(w.FileBytes(), kTwoRows);
  }

  void LeavingDropsOrKeepsTheEdits_data() {
    QTest::addColumn<QString>("leave");
    QTest::addColumn<int>("rows");
    QTest::newRow("Cancel button rereads the file") << "Cancel" << 2;
    QTest::newRow("Escape key rereads the file") << "Escape" << 2;
    // The lookups keep the edited table until the next opening reads
    // the file again.
    QTest::newRow("close box keeps the edits unsaved") << "close" << 0;
  }

  void LeavingDropsOrKeepsTheEdits() {
    QFETCH(QString, leave);
    QFETCH(int, rows);
    AssocWindows w;
    w.Open(kTwoRows);
    Type(w.Control<QLineEdit>("edtExt"), "gif");
    w.Click("btnClear");
    QVERIFY(AnswerMessageBox(w.main, QMessageBox::Yes));
    if (leave == "Escape") {
      QTest::keyClick(w.Grid(), Qt::Key_Escape);
    } else if (leave == "Cancel") {
      w.Click("btnCancel");
    } else {
      w.dialog->close();
    }
    QVERIFY(!w.dialog->isVisible());
    QCOMPARE(w.FileBytes(), kTwoRows);
    QCOMPARE(w.associations.Table().RowCount(), rows);
    w.dialog->open();
    QCOMPARE(w.GridRows().size(), 2);
  }

  void ATableThatCannotBeWrittenKeepsTheWindowOpen() {
    AssocWindows w;
    w.Open(kTwoRows);
    w.Click("btnDelExt");
    std::filesystem::remove(w.path);
    std::filesystem::create_directory(w.path);  // a folder in the file's place
    w.Click("btnOk");
    QMessageBox* box = OpenMessageBox(w.main);
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QVERIFY2(box->text().contains(QString::fromStdString(w.path)), qPrintable(box->text()));
    QVERIFY(AnswerMessageBox(w.main, QMessageBox::Ok));
    QVERIFY(w.dialog->isVisible());
    QCOMPARE(w.GridRows().size(), 1);
  }

  void ABrokenCountIsReportedAndTheRowsAreKept() {
    AssocWindows w;
    w.Open("two\r\nTXT\r\n/usr/bin/gedit\r\n");
    QTRY_VERIFY(OpenMessageBox(w.main));
    QCOMPARE(OpenMessageBox(w.main)->text(), QString("Invalid numeric input"));
    QVERIFY(AnswerMessageBox(w.main, QMessageBox::Ok));
    QCOMPARE(w.GridRows(), QStringList{"1|TXT|/usr/bin/gedit"});
    // The offer of a scan would follow the report's Ok at once; rows
    // exist, so none comes.
    QVERIFY(!OpenMessageBox(w.main));
  }

  // Browse starts at the row's program and lists folders and the files the
  // user may run ("All Files" lists all); the chosen file becomes the entry.
  void BrowseSetsTheChosenProgram() {
    AssocWindows w;
    const std::string gedit = w.folder.Program("bin/gedit");
    w.folder.Write("bin/notes.txt", "text");
    w.folder.MakeFolder("bin/sub");
    const std::string chosen = w.folder.Program("My Apps/viewer");
    w.Open("1\r\nTXT\r\n" + gedit + " --wait\r\n");
    w.Control<QToolButton>("btnBrowse")->click();
    auto* open = w.dialog->findChild<QFileDialog*>("OpenDialog1");
    QVERIFY(open->isVisible());
    QCOMPARE(open->windowTitle(), QString("Viewer Application"));
    QCOMPARE(open->windowModality(), Qt::WindowModal);
    QCOMPARE(open->directory().absolutePath(), QString::fromStdString(w.folder / "bin"));

    auto* proxy = qobject_cast<QSortFilterProxyModel*>(open->proxyModel());
    auto* files = qobject_cast<QFileSystemModel*>(proxy->sourceModel());
    const QModelIndex bin = proxy->mapFromSource(files->index(open->directory().absolutePath()));
    auto listed = [&] {
      QStringList names;
      for (int row = 0; row < proxy->rowCount(bin); ++row)
        names << proxy->index(row, 0, bin).data().toString();
      names.sort();
      return names;
    };
    QTRY_COMPARE(listed(), QStringList({"gedit", "sub"}));
    QTest::keyClick(open->findChild<QComboBox*>("fileTypeCombo"), Qt::Key_Down);
    QTRY_COMPARE(listed(), QStringList({"gedit", "notes.txt", "sub"}));

    // The path typed into the dialog's name box, and Enter.
    auto* name = open->findChild<QLineEdit*>("fileNameEdit");
    name->setText(QString::fromStdString(chosen));
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(!open->isVisible());
    const QString entry = QString::fromStdString('"' + chosen + '"');
    QCOMPARE(BoxText(w, "edtViewer"), entry);
    QCOMPARE(w.GridRows(), QStringList{"1|TXT|" + entry});
    QVERIFY(w.Control<QLineEdit>("edtViewer")->isReadOnly());
  }
};

VARNEL_QTEST(FileAssocTest);

}  // namespace varnel::ui::assoc_test

#include "file_assoc_dialog_qtest.moc"
