// The drive scan opened from the File Association Manager: the walk over a
// prepared tree, the results taking the table's place, and a Cancel that
// ends a walk of several seconds at once.
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "assoc_windows.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui::assoc_test {
namespace {

using varnel::testing::AnswerMessageBox;
using varnel::testing::OpenMessageBox;

const std::string kOneRow = "1\r\nTXT\r\n/usr/bin/gedit --wait\r\n";
constexpr int kSlowTreeLeaves = 5000;

template <typename T>
T* ScanControl(AssocWindows& w, const char* name) {
  return w.scan->findChild<T*>(name);
}

QString ScanButton(AssocWindows& w) { return ScanControl<QPushButton>(w, "btnEverything")->text(); }

// Scan... and Yes: the scan opens and starts walking.
void StartScan(AssocWindows& w) {
  w.Click("btnScan");
  QMessageBox* box = OpenMessageBox(w.main);
  QVERIFY(box);
  QCOMPARE(box->text(), QString("You are about to scan for automatic file associations. Doing "
                                "so will remove ALL existing associations. Are you sure that you "
                                "want to proceed?"));
  QVERIFY(AnswerMessageBox(w.main, QMessageBox::Yes));
  QVERIFY(w.scan->isVisible());
}

// A folder chain as deep as paths allow with many folders at its bottom:
// the walk looks each of those up by its whole long path, so it takes
// seconds, while the tree takes no longer to make.
struct SlowTree {
  std::string root;
  std::string last;  // the folder a whole walk enters last
};

SlowTree MakeSlowTree(const TempFolder& folder) {
  SlowTree tree{folder.MakeFolder("slow"), {}};
  const int depth = std::min<int>(1800, static_cast<int>((PATH_MAX - 64 - tree.root.size()) / 2));
  int fd = ::open(tree.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  tree.last = tree.root;
  for (int level = 0; level < depth && fd >= 0; ++level) {
    ::mkdirat(fd, "d", 0755);
    const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    tree.last += "/d";
  }
  std::string last_leaf;
  for (int leaf = 0; leaf < kSlowTreeLeaves && fd >= 0; ++leaf) {
    const std::string name = "l" + std::to_string(leaf);
    ::mkdirat(fd, name.c_str(), 0755);
    last_leaf = std::max(last_leaf, name);
  }
  if (fd >= 0) ::close(fd);
  // The walk goes through each folder in name order.
  tree.last += "/" + last_leaf;
  return tree;
}

}  // namespace

class DriveScanTest : public QObject {
  Q_OBJECT

 private slots:
  void TheScanFindsTheViewersAndOkReplacesTheTable() {
    TempFolder programs;
    programs.Program("bin/mousepad");
    const std::string gedit = programs.Program("bin/gedit");
    const std::string eog = programs.Program("opt/eog/bin/eog");
    const std::string evince = programs.Program("local/evince");
    programs.Program("opt/.cache/okular");         // hidden folders are not entered
    programs.Write("local/vlc", "not a program");  // nor are files nobody may run
    programs.Program("zz/mousepad");               // gedit is preferred all the same
    AssocWindows w({programs / "bin", programs / "opt", programs / "local", programs / "zz"});
    w.Open(kOneRow);
    StartScan(w);
    QCOMPARE(w.scan->windowTitle(), QString("Drive Scan..."));
    QVERIFY(!(w.scan->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(ScanButton(w), QString("Cancel"));
    QVERIFY(ScanControl<QLabel>(w, "Label1")->isVisible());
    QVERIFY(!ScanControl<QLabel>(w, "Label2")->isVisible());

    QTRY_COMPARE(ScanButton(w), QString("Ok"));
    QVERIFY(!ScanControl<QLabel>(w, "Label1")->isVisible());
    QVERIFY(ScanControl<QLabel>(w, "Label2")->isVisible());
    QCOMPARE(ScanControl<QGroupBox>(w, "GroupBox1")->title(), QString("Scan Complete"));
    QCOMPARE(ScanControl<QLabel>(w, "lblScanning")->text(), QString());
    QVERIFY(varnel::testing::SaveScreenshot(*w.scan, "drive_scan_complete"));
    QCOMPARE(w.FileBytes(), kOneRow);  // nothing taken before Ok

    ScanControl<QPushButton>(w, "btnEverything")->click();
    QVERIFY(!w.scan->isVisible());
    QVERIFY(w.scan->Accepted());
    const std::string text = gedit + " --wait";
    const std::string image = eog + " --new-instance";
    // The file has the results in the rules' order, the grid sorted.
    const std::vector<Association> found{{"TXT", text},  {"LOG", text},   {"INI", text},
                                         {"BMP", image}, {"JPG", image},  {"GIF", image},
                                         {"PNG", image}, {"PDF", evince}, {"HTM", text},
                                         {"HTML", text}, {"XML", text},   {"CSV", text}};
    std::string file = std::to_string(found.size()) + "\r\n";
    for (const Association& row : found) file += row.extension + "\r\n" + row.viewer + "\r\n";
    QCOMPARE(w.FileBytes(), file);
    std::vector<Association> sorted = found;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Association& a, const Association& b) {
      return a.extension < b.extension;
    });
    QCOMPARE(w.associations.Table().Rows(), sorted);
    QCOMPARE(w.GridRows().first(), QString::fromStdString("1|BMP|" + image));

    // The results are written at once: a Cancel of the manager keeps them.
    w.Click("btnCancel");
    QCOMPARE(w.associations.Table().RowCount(), int(sorted.size()));

    // Each opening starts afresh; Escape after the walk closes it without
    // handing the results over.
    w.scan->open();
    QCOMPARE(ScanButton(w), QString("Cancel"));
    QVERIFY(w.scan->Results().empty());
    QTRY_COMPARE(ScanButton(w), QString("Ok"));
    QTest::keyClick(w.scan, Qt::Key_Escape);
    QVERIFY(!w.scan->isVisible());
    QVERIFY(!w.scan->Accepted());
  }

  void WithoutAssociationsTheFirstOpeningOffersTheScan_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes scans") << true;
    QTest::newRow("No leaves the table empty") << false;
  }

  void WithoutAssociationsTheFirstOpeningOffersTheScan() {
    QFETCH(bool, yes);
    TempFolder programs;
    const std::string evince = programs.Program("bin/evince");
    AssocWindows w({programs / "bin"});
    w.OpenWithoutFile();
    QTRY_VERIFY(OpenMessageBox(w.main));
    QCOMPARE(OpenMessageBox(w.main)->icon(), QMessageBox::Warning);
    QCOMPARE(OpenMessageBox(w.main)->text(),
             QString("There are no file associations defined. Do you want to automatically setup "
                     "common file types?"));
    QVERIFY(AnswerMessageBox(w.main, yes ? QMessageBox::Yes : QMessageBox::No));
    if (!yes) {
      QVERIFY(!w.scan->isVisible());
      QCOMPARE(w.FileBytes(), std::string());
      return;
    }
    QVERIFY(w.scan->isVisible());  // without asking a second time
    QTRY_COMPARE(ScanButton(w), QString("Ok"));
    ScanControl<QPushButton>(w, "btnEverything")->click();
    QCOMPARE(w.GridRows(), QStringList{QString::fromStdString("1|PDF|" + evince)});
    QCOMPARE(w.FileBytes(), "1\r\nPDF\r\n" + evince + "\r\n");
  }

  void CancelEndsASlowWalkAtOnceAndKeepsTheTable() {
    TempFolder folder;
    const SlowTree tree = MakeSlowTree(folder);
    AssocWindows w({tree.root});
    w.Open(kOneRow);
    StartScan(w);
    auto* shown = ScanControl<QLabel>(w, "lblScanning");
    // The walk has reached the folders at the bottom of the chain.
    const QRegularExpression leaf("/l\\d+$");
    QTRY_VERIFY_WITH_TIMEOUT(leaf.match(shown->toolTip()).hasMatch(), 30000);
    QVERIFY(shown->toolTip().startsWith(QString::fromStdString(tree.root)));
    QCOMPARE(ScanControl<QGroupBox>(w, "GroupBox1")->title(), QString("Scanning..."));
    QVERIFY(varnel::testing::SaveScreenshot(*w.scan, "drive_scan_walking"));

    ScanControl<QPushButton>(w, "btnEverything")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!w.scan->isVisible(), 30000);
    // The last folder shown is where the walk stopped: short of its end.
    QVERIFY(leaf.match(shown->toolTip()).hasMatch());
    QVERIFY2(shown->toolTip() != QString::fromStdString(tree.last), qPrintable(shown->toolTip()));
    QVERIFY(w.scan->CancelRequested());
    QVERIFY(!w.scan->Accepted());
    QVERIFY(w.scan->Results().empty());
    QCOMPARE(w.GridRows(), QStringList{"1|TXT|/usr/bin/gedit --wait"});
    QCOMPARE(w.FileBytes(), kOneRow);
  }
};

VARNEL_QTEST(DriveScanTest);

}  // namespace varnel::ui::assoc_test

#include "drive_scan_dialog_qtest.moc"
