// The shared boxes: opened without a nested loop, window-modal on their
// parent, answered through their callbacks exactly once.
#include "ui/dialogs/message_box.h"

#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QTest>

#include <optional>

#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui {

using testing::AnswerMessageBox;
using testing::OpenInputBox;
using testing::OpenMessageBox;

class MessageBoxTest : public QObject {
  Q_OBJECT

 private:
  QDialog window_;

 private slots:
  void init() { window_.show(); }

  void QuestionAnswersTrueOnlyForYes_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("yes");
    const int confirm = static_cast<int>(TBoxKind::Confirmation);
    const int warning = static_cast<int>(TBoxKind::Warning);
    QTest::newRow("confirm yes") << confirm << "Yes" << true;
    QTest::newRow("confirm no") << confirm << "No" << false;
    QTest::newRow("confirm escape") << confirm << "Escape" << false;
    QTest::newRow("confirm close box") << confirm << "Close" << false;
    QTest::newRow("warning yes") << warning << "Yes" << true;
    QTest::newRow("warning no") << warning << "No" << false;
  }
  void QuestionAnswersTrueOnlyForYes() {
    QFETCH(int, kind);
    QFETCH(QString, how);
    QFETCH(bool, yes);
    int calls = 0;
    std::optional<bool> answer;
    AskYesNo(&window_, static_cast<TBoxKind>(kind), "Delete it?", [&](bool value) {
      ++calls;
      answer = value;
    });
    QMessageBox* box = OpenMessageBox(window_);
    QVERIFY(box);
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    QCOMPARE(box->text(), QString("Delete it?"));
    QCOMPARE(box->icon(), kind == static_cast<int>(TBoxKind::Warning) ? QMessageBox::Warning
                                                                      : QMessageBox::Question);
    QVERIFY2(!answer, "the answer waits for the user");
    if (how == "Yes") QVERIFY(AnswerMessageBox(window_, QMessageBox::Yes));
    if (how == "No") QVERIFY(AnswerMessageBox(window_, QMessageBox::No));
    if (how == "Escape") QTest::keyClick(box, Qt::Key_Escape);
    if (how == "Close") box->close();
    QCOMPARE(calls, 1);
    QCOMPARE(*answer, yes);
    QTRY_VERIFY(!OpenMessageBox(window_));
  }

  void MessageBoxRunsClosedAfterOk_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");
    QTest::newRow("warning") << static_cast<int>(TBoxKind::Warning) << int(QMessageBox::Warning)
                             << "Warning";
    QTest::newRow("error") << static_cast<int>(TBoxKind::Error) << int(QMessageBox::Critical)
                           << "Error";
    QTest::newRow("information") << static_cast<int>(TBoxKind::Information)
                                 << int(QMessageBox::Information) << "Information";
  }
  void MessageBoxRunsClosedAfterOk() {
    QFETCH(int, kind);
    QFETCH(int, icon);
    QFETCH(QString, title);
    int closed = 0;
    ShowMessageBox(&window_, static_cast<TBoxKind>(kind), "<b>not markup</b>", [&] { ++closed; });
    QMessageBox* box = OpenMessageBox(window_);
    QVERIFY(box);
    QCOMPARE(int(box->icon()), icon);
    QCOMPARE(box->windowTitle(), title);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(closed, 0);
    QVERIFY(AnswerMessageBox(window_, QMessageBox::Ok));
    QCOMPARE(closed, 1);
  }

  void InputBoxHandsOverTheTextOnOkOnly() {
    QStringList entered;
    auto ask = [&] {
      AskText(&window_, "Create Directory", "Please enter a name for the new directory", "NewDir",
              [&](const QString& text) { entered << text; });
      return OpenInputBox(window_);
    };
    QInputDialog* box = ask();
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QString("Create Directory"));
    QCOMPARE(box->labelText(), QString("Please enter a name for the new directory"));
    QCOMPARE(box->textValue(), QString("NewDir"));
    box->reject();
    QVERIFY(entered.isEmpty());

    box = ask();
    box->findChild<QLineEdit*>()->setText("Photos 2024");
    box->accept();
    QCOMPARE(entered, QStringList{"Photos 2024"});
  }
};

VARNEL_QTEST(MessageBoxTest);

}  // namespace varnel::ui

#include "message_box_qtest.moc"
