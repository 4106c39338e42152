// The message log window: a tool window on top whose lines survive hiding.
#include "ui/dialogs/error_form.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui {

class ErrorFormTest : public QObject {
  Q_OBJECT

 private slots:
  void OkHidesAndTheLinesStay() {
    QWidget main_window;
    auto* form = new TErrorForm(&main_window);
    QCOMPARE(form->windowTitle(), QString("Message Log"));
    QVERIFY(form->windowFlags().testFlags(Qt::Tool | Qt::WindowStaysOnTopHint));
    QCOMPARE(form->findChild<QPlainTextEdit*>("Memo1")->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(form->Lines().isEmpty());
    QSignalSpy visibility(form, &TErrorForm::VisibilityChanged);
    form->AppendLine("[01.02.2024 10:00:00] - Unable to delete the file \"a.txt\"");
    form->AppendLine("[01.02.2024 10:00:05] - Insufficient access rights to complete task");
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QVERIFY(testing::SaveScreenshot(*form, "message_log"));

    form->findChild<QPushButton*>("btnOk")->click();
    QVERIFY(!form->isVisible());
    form->show();
    QCOMPARE(form->Lines(),
             (QStringList{"[01.02.2024 10:00:00] - Unable to delete the file \"a.txt\"",
                          "[01.02.2024 10:00:05] - Insufficient access rights to complete task"}));
    QCOMPARE(visibility.count(), 3);
    QCOMPARE(visibility.at(1).at(0).toBool(), false);
    QCOMPARE(visibility.at(2).at(0).toBool(), true);
  }

  void ClearEmptiesTheLog() {
    TErrorForm form;
    form.AppendLine("one");
    form.Clear();
    QVERIFY(form.Lines().isEmpty());
    form.AppendLine("two");
    QCOMPARE(form.Lines(), QStringList{"two"});
  }

  void LineBreaksInsideAReportBecomeLines() {
    TErrorForm form;
    form.AppendLine("Error 10061 in function connect\r\nConnection refused");
    form.AppendLine("a\rb");
    QCOMPARE(form.Lines(),
             (QStringList{"Error 10061 in function connect", "Connection refused", "a", "b"}));
  }
};

VARNEL_QTEST(ErrorFormTest);

}  // namespace varnel::ui

#include "error_form_qtest.moc"
