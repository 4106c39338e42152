// The Connection Manager driven as a user does: the list, the four boxes,
// the buttons and the boxes they open, and the profile file they write.
#include "ui/settings/connection_setup_dialog.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "ui/settings/profile_file.h"
#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui {
namespace {

constexpr const char* kNoSelection = "Please select a conenction before hitting the Edit button";
const TConnectionProfile kFirst{"First", "ftp.first.example", "anna", "secret1"};
const TConnectionProfile kSecond{"Second", "10.0.0.2", "bert", "secret2"};

}  // namespace

class ConnectionSetupTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::string path_;

  std::unique_ptr<TConnectionSetup> Open(std::initializer_list<TConnectionProfile> profiles,
                                         bool write_file = true) {
    if (write_file) {
      TProfileTable table;
      for (const TConnectionProfile& profile : profiles) table.Append(profile);
      WriteProfileFile(path_, table);
    }
    auto dialog = std::make_unique<TConnectionSetup>(path_);
    dialog->Load();
    dialog->open();
    // Activation focuses the list, which must not select an entry
    // (TheCloseBoxCommitsNothing checks that it happened).
    QApplication::setActiveWindow(dialog.get());
    static_cast<void>(QTest::qWaitForWindowActive(dialog.get()));
    return dialog;
  }
  std::string FileBytes() const {
    QFile file(QString::fromStdString(path_));
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    QByteArray bytes = file.readAll();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
  }
  static void Click(TConnectionSetup& dialog, const char* button) {
    dialog.findChild<QPushButton*>(button)->click();
  }
  static QListWidget* List(TConnectionSetup& dialog) {
    return dialog.findChild<QListWidget*>("lstConnections");
  }
  static QStringList Listed(TConnectionSetup& dialog) {
    QStringList names;
    for (int row = 0; row < List(dialog)->count(); ++row) names << List(dialog)->item(row)->text();
    return names;
  }
  static QLineEdit* Box(TConnectionSetup& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(name);
  }
  // The four boxes' texts, and whether they are enabled.
  static QStringList Boxes(TConnectionSetup& dialog, bool enabled) {
    QStringList texts;
    for (const char* name : {"edtConnName", "edtAddress", "edtUserName", "edtPassword"}) {
      if (Box(dialog, name)->isEnabled() != enabled) return {"enabled state differs"};
      texts << Box(dialog, name)->text();
    }
    return texts;
  }
  static void Type(TConnectionSetup& dialog, const char* box, const QString& text) {
    Box(dialog, box)->selectAll();
    QTest::keyClicks(Box(dialog, box), text);
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    path_ = (folder_->path() + "/varnel-client.UCN").toStdString();
  }

  void WithoutAFileEditAndDeleteWarn_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Edit") << "btnEdit";
    QTest::newRow("Delete") << "btnDelete";
  }
  void WithoutAFileEditAndDeleteWarn() {
    QFETCH(QString, button);
    auto dialog = Open({}, false);
    QCOMPARE(dialog->windowTitle(), QString("Connection Manager"));
    QVERIFY(Listed(*dialog).isEmpty());
    Click(*dialog, button.toLatin1().constData());
    QMessageBox* box = testing::OpenMessageBox(*dialog);
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Warning);
    QCOMPARE(box->text(), QString(kNoSelection));
    QVERIFY(testing::AnswerMessageBox(*dialog, QMessageBox::Ok));
    QCOMPARE(Boxes(*dialog, false), QStringList({"", "", "", ""}));
    QCOMPARE(FileBytes(), std::string("<missing>"));
  }

  void AddNewEditTypeOkWritesTheFile() {
    auto dialog = Open({}, false);
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    Click(*dialog, "btnAddNew");
    QCOMPARE(Listed(*dialog), QStringList{"New Connection"});
    QCOMPARE(List(*dialog)->currentRow(), 0);
    QCOMPARE(Boxes(*dialog, false), QStringList({"New Connection", "0.0.0.0", "Anonymous", ""}));
    Click(*dialog, "btnEdit");
    QCOMPARE(Boxes(*dialog, true), QStringList({"New Connection", "0.0.0.0", "Anonymous", ""}));
    Type(*dialog, "edtConnName", "Typed");
    QVERIFY(testing::SaveScreenshot(*dialog, "connection_manager"));
    Click(*dialog, "btnOk");
    QCOMPARE(FileBytes(), std::string("1\r\nTyped\r\nAnonymous\r\n\r\n0.0.0.0\r\n"));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog->Model().ListItems(), std::vector<std::string>{"Typed"});
  }

  void TheCloseBoxCommitsNothing() {
    auto dialog = Open({kFirst});
    const std::string before = FileBytes();
    List(*dialog)->setCurrentRow(0);
    Click(*dialog, "btnEdit");
    Type(*dialog, "edtConnName", "Changed");
    dialog->close();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(FileBytes(), before);
    QCOMPARE(dialog->Model().Profiles().Profile(0), kFirst);

    dialog->open();
    QApplication::setActiveWindow(dialog.get());
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QCOMPARE(List(*dialog)->currentRow(), -1);
    QCOMPARE(dialog->Model().SelectedIndex(), -1);
    QCOMPARE(Boxes(*dialog, false), QStringList({"", "", "", ""}));
  }

  void DeleteAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
  }
  void DeleteAsksFirst() {
    QFETCH(bool, yes);
    auto dialog = Open({kFirst, kSecond});
    const std::string before = FileBytes();
    List(*dialog)->setCurrentRow(0);
    Click(*dialog, "btnDelete");
    QMessageBox* box = testing::OpenMessageBox(*dialog);
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Question);
    QCOMPARE(box->text(), QString("Are you sure that you want to delete the connection \"First\"?"));
    QVERIFY(testing::AnswerMessageBox(*dialog, yes ? QMessageBox::Yes : QMessageBox::No));
    if (yes) {
      QCOMPARE(Listed(*dialog), QStringList{"Second"});
      QCOMPARE(List(*dialog)->currentRow(), 0);
      QCOMPARE(Boxes(*dialog, false), QStringList({"Second", "10.0.0.2", "bert", "secret2"}));
      QCOMPARE(FileBytes(), std::string("1\r\nSecond\r\nbert\r\nsecret2\r\n10.0.0.2\r\n"));
    } else {
      QCOMPARE(Listed(*dialog), QStringList({"First", "Second"}));
      QCOMPARE(FileBytes(), before);
    }
  }

  void DeletingTheProfileBeingEditedKeepsTheNextOneIntact() {
    auto dialog = Open({kFirst, kSecond});
    List(*dialog)->setCurrentRow(0);
    Click(*dialog, "btnEdit");
    Type(*dialog, "edtAddress", "typed.example");
    Click(*dialog, "btnDelete");
    QVERIFY(testing::AnswerMessageBox(*dialog, QMessageBox::Yes));
    QCOMPARE(dialog->Model().Profiles().Profile(0), kSecond);
    Click(*dialog, "btnOk");
    QCOMPARE(FileBytes(), std::string("1\r\nSecond\r\nbert\r\nsecret2\r\n10.0.0.2\r\n"));
  }

  void DeletingTheOnlyProfileLeavesNothing() {
    auto dialog = Open({kFirst});
    List(*dialog)->setCurrentRow(0);
    Click(*dialog, "btnDelete");
    QVERIFY(testing::AnswerMessageBox(*dialog, QMessageBox::Yes));
    QVERIFY(Listed(*dialog).isEmpty());
    QCOMPARE(Boxes(*dialog, false), QStringList({"", "", "", ""}));
    QCOMPARE(FileBytes(), std::string("0\r\n"));
  }

  void SelectingAnotherEntryCommitsTheEdits() {
    auto dialog = Open({kFirst, kSecond});
    QTest::mouseClick(List(*dialog)->viewport(), Qt::LeftButton, {},
                      List(*dialog)->visualItemRect(List(*dialog)->item(0)).center());
    QCOMPARE(List(*dialog)->currentRow(), 0);
    Click(*dialog, "btnEdit");
    Type(*dialog, "edtConnName", "Renamed");
    Type(*dialog, "edtAddress", "typed.example");
    QTest::keyClick(List(*dialog), Qt::Key_Down);
    QCOMPARE(List(*dialog)->currentRow(), 1);
    QCOMPARE(Listed(*dialog), QStringList({"Renamed", "Second"}));
    QCOMPARE(Boxes(*dialog, false), QStringList({"Second", "10.0.0.2", "bert", "secret2"}));
    QCOMPARE(FileBytes(), std::string("2\r\nRenamed\r\nanna\r\nsecret1\r\ntyped.example\r\n"
                                      "Second\r\nbert\r\nsecret2\r\n10.0.0.2\r\n"));
  }

  void AFileThatCannotBeWrittenIsReportedBeforeClosing() {
    path_ = (folder_->path() + "/missing/varnel-client.UCN").toStdString();
    auto dialog = Open({}, false);
    Click(*dialog, "btnAddNew");
    Click(*dialog, "btnEdit");
    Click(*dialog, "btnOk");
    QMessageBox* box = testing::OpenMessageBox(*dialog);
    QVERIFY(box);
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QVERIFY(!box->text().isEmpty());
    QVERIFY(dialog->isVisible());
    QVERIFY(testing::AnswerMessageBox(*dialog, QMessageBox::Ok));
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->Model().ListItems(), std::vector<std::string>{"New Connection"});
  }

  void FieldsLeftAloneKeepTheirBytes() {
    const TConnectionProfile latin1{"caf\xE9", "host", "us\xFF", "pw"};
    auto dialog = Open({latin1});
    List(*dialog)->setCurrentRow(0);
    Click(*dialog, "btnEdit");
    Type(*dialog, "edtAddress", "other.example");
    Click(*dialog, "btnOk");
    QCOMPARE(FileBytes(), std::string("1\r\ncaf\xE9\r\nus\xFF\r\npw\r\nother.example\r\n"));
  }
};

VARNEL_QTEST(ConnectionSetupTest);

}  // namespace varnel::ui

#include "connection_setup_dialog_qtest.moc"
