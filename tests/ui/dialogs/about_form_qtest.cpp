// The about box as a window: the timer runs while it is shown, keys change
// the balls, a click closes it, and each opening starts with six balls.
#include "ui/dialogs/about_form.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include "ui/support/qt_test_registry.h"
#include "ui/support/widget_test_support.h"

namespace varnel::ui {

class AboutFormTest : public QObject {
  Q_OBJECT

 private slots:
  void ShownItAnimatesAndAClickClosesIt_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("picture") << "Image1";
    QTest::newRow("window") << "TAboutForm";
  }
  void ShownItAnimatesAndAClickClosesIt() {
    QFETCH(QString, target);
    TAboutForm form;
    QCOMPARE(form.windowTitle(), QString("About..."));
    auto* timer = form.findChild<QTimer*>("Timer1");
    QCOMPARE(timer->interval(), TAboutForm::kFrameInterval);
    QVERIFY(!timer->isActive());

    form.open();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(timer->isActive());
    QTest::keyClicks(&form, "++-+");
    QCOMPARE(form.Animation().BallCount(), 8);
    for (int frame = 0; frame < 40; ++frame) form.Timer1Timer();
    QVERIFY(testing::SaveScreenshot(form, "about_box"));
    const int scroll = form.Animation().ScrollX();

    QWidget* clicked = target == "Image1" ? form.findChild<QWidget*>("Image1") : &form;
    QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!form.isVisible());
    QVERIFY(!timer->isActive());

    form.open();
    QCOMPARE(form.Animation().BallCount(), TAboutAnimation::kBallsAtOpening);
    // The text carries on where it was; the opening drew one frame.
    QCOMPARE(form.Animation().ScrollX(), scroll - 2);
  }
};

VARNEL_QTEST(AboutFormTest);

}  // namespace varnel::ui

#include "about_form_qtest.moc"
