// The pane model over captured listings: what each column shows, the
// pictures (folders, files and links apart), the order of every column in
// both directions with its ties, a re-sort keeping the selection, and the
// local pane's date texts.
#include <QItemSelectionModel>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>

#include "listing/listing_parser.h"
#include "ui/main/file_pictures.h"
#include "ui/main/pane_lookups.h"
#include "ui/main/pane_model.h"
#include "ui/support/qt_test_registry.h"

namespace varnel::ui::testing {
namespace {

using namespace std::chrono;

// The clock the captured listings were read with (the day after capture).
const sys_seconds kNow = sys_days(year(2026) / December / day(9)) + hours(12);

struct ModelUnderTest {
  TPaneLookups lookups;
  TPaneModel model{std::make_shared<TFilePictures>(), false};

  explicit ModelUnderTest(const char* file) {
    const std::string path = std::string(VARNEL_TEST_DATA "/listings/") + file;
    model.SetRows(
        listing::MakeRemoteRows(listing::ParseRemoteListingFile(path, kNow), lookups.Make()));
  }

  QString Text(int row, int column) const {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
  }
  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << Text(row, 0);
    return names;
  }
  qint64 Picture(const QString& name) const {
    const QModelIndexList found =
        model.match(model.index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
    return found.isEmpty()
               ? -1
               : model.data(found.first(), Qt::DecorationRole).value<QIcon>().cacheKey();
  }
};

}  // namespace

class PaneModelTest : public QObject {
  Q_OBJECT

 private slots:
  void ShowsEveryColumnOfTheCapturedRows() {
    ModelUnderTest t("vsftpd-all.txt");
    QCOMPARE(t.model.rowCount(), 19);
    QCOMPARE(t.model.columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column) {
      headers << t.model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QCOMPARE(headers, (QStringList{"Name", "Size", "Type", "Date"}));
    // Folders first and without the blank that sorts them so.
    QCOMPARE(t.Names().mid(0, 7),
             (QStringList{".", "..", "empty dir", "jan archive", "May", "My Folder", "sub"}));
    QCOMPARE(t.Names().mid(7, 3), (QStringList{"big5m.bin", "caf\u00e9.txt", "empty.txt"}));
    QCOMPARE((QStringList{t.Text(3, 1), t.Text(3, 2), t.Text(3, 3)}),
             (QStringList{"", "File Folder", "Mar 04  2019"}));
    QCOMPARE((QStringList{t.Text(8, 1), t.Text(8, 2), t.Text(8, 3)}),
             (QStringList{"2 KB", "Text Document", "Dec 08 07:38"}));
    QCOMPARE(t.Text(18, 0), QString("one.bin"));
    QCOMPARE(t.model.data(t.model.index(8, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);
  }

  void PicturesTellFoldersFilesAndLinksApart() {
    ModelUnderTest t("vsftpd.txt");
    QCOMPARE(t.Picture("May"), t.Picture("sub"));
    QCOMPARE(t.Picture("empty.txt"), t.Picture("old.txt"));
    QCOMPARE(t.Picture("k1023.bin"), t.Picture("one.bin"));
    QVERIFY(t.Picture("sub") != t.Picture("old.txt"));
    QVERIFY(t.Picture("link.txt -> k1024.bin") != t.Picture("k1024.bin"));
    QVERIFY(t.Picture("link.txt -> k1024.bin") != t.Picture("sub"));
    for (const QString& name : t.Names()) QVERIFY2(t.Picture(name) != 0, qPrintable(name));
  }

  // The order after `clicks` clicks on the header of `column` (the pane
  // starts by name, ascending).
  void SortOrders_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("names");
    const QString folders[] = {"incoming", "release-2.1"};
    QTest::newRow("name ascending")
        << "proftpd.txt" << 0 << 0
        << QStringList{
               folders[0], folders[1],       "disk.img", "empty file.txt", "latest -> release-2.1",
               "README",   "Sep report.txt", "setup.sh"};
    QTest::newRow("name descending")
        << "proftpd.txt" << 0 << 1
        << QStringList{"setup.sh",       "Sep report.txt", "README",   "latest -> release-2.1",
                       "empty file.txt", "disk.img",       folders[1], folders[0]};
    // Size texts: shorter first ("0 KB" < "1 KB" < "51 KB" < "5120 KB" <
    // "4194304 KB"); folders have none; equal sizes go by name.
    QTest::newRow("size ascending")
        << "proftpd.txt" << 1 << 1
        << QStringList{folders[0],       folders[1], "empty file.txt", "latest -> release-2.1",
                       "Sep report.txt", "README",   "setup.sh",       "disk.img"};
    QTest::newRow("size descending")
        << "proftpd.txt" << 1 << 2
        << QStringList{
               "disk.img",       "setup.sh", "README",  "Sep report.txt", "latest -> release-2.1",
               "empty file.txt", folders[1], folders[0]};
    // By time, not by the date text: "Dec 10 08:00" lies after the clock,
    // so it is last year's.
    QTest::newRow("date ascending") << "proftpd.txt" << 3 << 1
                                    << QStringList{"README",
                                                   "disk.img",
                                                   "setup.sh",
                                                   "empty file.txt",
                                                   "release-2.1",
                                                   "Sep report.txt",
                                                   "latest -> release-2.1",
                                                   "incoming"};
    QTest::newRow("date descending")
        << "proftpd.txt" << 3 << 2 << QStringList{"incoming",       "latest -> release-2.1",
                                                  "Sep report.txt", "release-2.1",
                                                  "empty file.txt", "setup.sh",
                                                  "disk.img",       "README"};
    // Many ties: rows of equal size keep the name order, reversed when
    // descending.
    QTest::newRow("size ties ascending") << "vsftpd.txt" << 1 << 1
                                         << QStringList{"empty dir",
                                                        "jan archive",
                                                        "May",
                                                        "My Folder",
                                                        "sub",
                                                        "empty.txt",
                                                        "k1023.bin",
                                                        "k1024.bin",
                                                        "link.txt -> k1024.bin",
                                                        "mar notes.txt",
                                                        "name with blanks.txt",
                                                        "old.txt",
                                                        "one.bin",
                                                        "caf\u00e9.txt",
                                                        "Jan report.txt",
                                                        "k1536.bin",
                                                        "big5m.bin"};
    QTest::newRow("date ties descending")
        << "vsftpd.txt" << 3 << 2 << QStringList{"one.bin",      "name with blanks.txt",
                                                 "k1536.bin",    "k1024.bin",
                                                 "k1023.bin",    "Jan report.txt",
                                                 "empty.txt",    "caf\u00e9.txt",
                                                 "big5m.bin",    "sub",
                                                 "May",          "empty dir",
                                                 "old.txt",      "link.txt -> k1024.bin",
                                                 "My Folder",    "jan archive",
                                                 "mar notes.txt"};
  }

  void SortOrders() {
    QFETCH(QString, file);
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(QStringList, names);
    ModelUnderTest t(file.toUtf8().constData());
    for (int i = 0; i < clicks; ++i) t.model.ClickColumn(column);
    QCOMPARE(t.Names(), names);
    QCOMPARE(t.model.Sort().Column, column);
    QCOMPARE(t.model.Sort().Descending, column == 0 ? clicks == 1 : clicks == 2);
  }

  void TypeOrderPutsFoldersFirstInBothDirections() {
    ModelUnderTest t("proftpd.txt");
    t.model.ClickColumn(2);
    QCOMPARE(t.Names().mid(0, 2), (QStringList{"incoming", "release-2.1"}));
    QStringList types;
    for (int row = 2; row < t.model.rowCount(); ++row) types << t.Text(row, 2).toUpper();
    QStringList sorted = types;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(types, sorted);
    t.model.ClickColumn(2);
    QCOMPARE(t.Names().mid(6, 2), (QStringList{"release-2.1", "incoming"}));
  }

  void ResortKeepsTheSelectedRows() {
    ModelUnderTest t("vsftpd.txt");
    QItemSelectionModel selection(&t.model);
    for (const int row : {6, 9}) {
      selection.select(t.model.index(row, 0),
                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const QString first = t.Text(6, 0), second = t.Text(9, 0);
    t.model.ClickColumn(1);
    QStringList selected;
    for (const QModelIndex& index : selection.selectedRows()) selected << t.Text(index.row(), 0);
    selected.sort();
    QCOMPARE(selected, (QStringList{first, second}));
  }

  void BytesThatAreNoUtf8ShowAsReplacementButStay() {
    TPaneModel model(std::make_shared<TFilePictures>(), false);
    TPaneLookups lookups;
    model.SetRows(listing::MakeRemoteRows(
        listing::ParseRemoteListing("-rw-r--r-- 1 u g 5 Mar 04  2019 caf\xe9.txt\r\n", kNow),
        lookups.Make()));
    QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QString("caf\ufffd.txt"));
    QCOMPARE(model.Row(0).Name, std::string("caf\xe9.txt"));
  }

  void LocalDatesLeaveOutMidnight_data() {
    QTest::addColumn<QTime>("time");
    QTest::addColumn<bool>("with_time");
    QTest::newRow("midnight") << QTime(0, 0) << false;
    QTest::newRow("one second past") << QTime(0, 0, 1) << true;
    QTest::newRow("afternoon") << QTime(15, 4, 5) << true;
  }

  void LocalDatesLeaveOutMidnight() {
    QFETCH(QTime, time);
    QFETCH(bool, with_time);
    const QDateTime local(QDate(2026, 3, 4), time, Qt::LocalTime);
    listing::EntryTime entry{sys_seconds(seconds(local.toSecsSinceEpoch())),
                             listing::TimePrecision::kSecond};
    const QString text = LocalDateText(entry);
    const QLocale locale;
    QVERIFY2(text.startsWith(locale.toString(local.date(), QLocale::ShortFormat)),
             qPrintable(text));
    QCOMPARE(text.contains(' ' + time.toString("HH:mm:ss")) ||
                 text.contains(' ' + time.toString("h:mm:ss")),
             with_time);
    QCOMPARE(LocalDateText({}), QString());
  }
};

VARNEL_QTEST(PaneModelTest);

}  // namespace varnel::ui::testing

#include "pane_model_qtest.moc"
