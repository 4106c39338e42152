// The about box's frame rules, driven frame by frame on a plain background
// with test balls whose pixels say which rule applies.
#include "ui/dialogs/about_animation.h"

#include <QFontDatabase>
#include <QTest>

#include <memory>

#include "ui/support/qt_test_registry.h"

Q_DECLARE_METATYPE(varnel::ui::TBall)

namespace varnel::ui {
namespace {

const QSize kPicture{289, 193};
constexpr int kBall = 50;
const QColor kBackground{10, 100, 200};

QColor PixelAt(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// White in even columns, black in odd ones.
QImage StripedBall() {
  QImage ball(kBall, kBall, QImage::Format_RGB888);
  for (int y = 0; y < kBall; ++y) {
    for (int x = 0; x < kBall; ++x) ball.setPixelColor(x, y, x % 2 ? Qt::black : Qt::white);
  }
  return ball;
}

QImage PlainBall(QColor colour) {
  QImage ball(kBall, kBall, QImage::Format_RGB888);
  ball.fill(colour);
  return ball;
}

QImage PlainBackground() {
  QImage background(kPicture, QImage::Format_RGB888);
  background.fill(kBackground);
  return background;
}

}  // namespace

class AboutAnimationTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TAboutAnimation> Make(const QImage& ball, const QString& credits = {},
                                        int points = 10) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(points);
    auto animation = std::make_unique<TAboutAnimation>(PlainBackground(), ball, kPicture, font, credits);
    animation->Start(7);
    return animation;
  }
  // Leaves one ball, resting at (x, 0) for the next frame.
  static void OneBallAt(TAboutAnimation& animation, double x) {
    while (animation.BallCount() > 1) animation.KeyPress('-');
    animation.Ball(0) = {x, 0, 0, 0};
  }

 private slots:
  void BallCountKeysStayWithinTheLimits_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("count");
    QTest::newRow("+ adds") << 6 << "+" << 7;
    QTest::newRow("= adds") << 6 << "=" << 7;
    QTest::newRow("- removes") << 6 << "-" << 5;
    QTest::newRow("_ removes") << 6 << "_" << 5;
    QTest::newRow("+ at 20") << 20 << "+=" << 20;
    QTest::newRow("- at 0") << 0 << "-_" << 0;
    QTest::newRow("other keys") << 6 << "a 0*" << 6;
  }
  void BallCountKeysStayWithinTheLimits() {
    QFETCH(int, start);
    QFETCH(QString, keys);
    QFETCH(int, count);
    auto animation = Make(StripedBall());
    QCOMPARE(animation->BallCount(), TAboutAnimation::kBallsAtOpening);
    while (animation->BallCount() < start) animation->KeyPress('+');
    while (animation->BallCount() > start) animation->KeyPress('-');
    for (QChar key : keys) animation->KeyPress(key);
    QCOMPARE(animation->BallCount(), count);
  }

  void BallsMoveAndBounce_data() {
    QTest::addColumn<TBall>("before");
    QTest::addColumn<TBall>("after");
    const double max_y = kPicture.height() - kBall, max_x = kPicture.width() - kBall;
    QTest::newRow("falls") << TBall{10, 20, 2, 1} << TBall{11, 20.5, 2, 1.25};
    QTest::newRow("floor") << TBall{10, max_y - 0.5, 2, 3} << TBall{11, max_y, 2, -3};
    QTest::newRow("ceiling") << TBall{10, 0.25, 2, -1} << TBall{11, 0, 2, 0.375};
    QTest::newRow("right edge, not clamped") << TBall{max_x + 1, 20, 4, 0}
                                             << TBall{max_x + 3, 20, -4, 0.25};
    QTest::newRow("left edge, not clamped") << TBall{0.5, 20, -3, 0} << TBall{-1, 20, 3, 0.25};
  }
  void BallsMoveAndBounce() {
    QFETCH(TBall, before);
    QFETCH(TBall, after);
    auto animation = Make(StripedBall());
    OneBallAt(*animation, 0);
    animation->Ball(0) = before;
    animation->DrawFrame();
    const TBall& ball = animation->Ball(0);
    QCOMPARE(ball.X, after.X);
    QCOMPARE(ball.Y, after.Y);
    QCOMPARE(ball.Dx, after.Dx);
    QCOMPARE(ball.Dy, after.Dy);
  }

  void BlackKeepsTheBackgroundAndWhiteReplacesIt() {
    auto animation = Make(StripedBall());
    OneBallAt(*animation, 100);
    animation->DrawFrame();
    const QImage& frame = animation->FrameBuffer();
    for (int u = 0; u < kBall; ++u) {
      QCOMPARE(PixelAt(frame, 100 + u, 10), u % 2 ? kBackground : QColor(Qt::white));
    }
    QCOMPARE(PixelAt(frame, 99, 10), kBackground);
    QCOMPARE(PixelAt(frame, 150, 10), kBackground);
  }

  void AColouredPixelBlendsByItsMeanComponent_data() {
    QTest::addColumn<QColor>("ball");
    QTest::addColumn<QColor>("blended");
    // Mean of the non-zero components over 255 is the ball's share.
    QTest::newRow("red 200") << QColor(200, 0, 0) << QColor(159, 21, 43);
    QTest::newRow("grey 51") << QColor(51, 51, 51) << QColor(18, 90, 170);
    QTest::newRow("yellow") << QColor(255, 255, 0) << QColor(255, 255, 0);
  }
  void AColouredPixelBlendsByItsMeanComponent() {
    QFETCH(QColor, ball);
    QFETCH(QColor, blended);
    auto animation = Make(PlainBall(ball));
    OneBallAt(*animation, 100);
    animation->DrawFrame();
    QCOMPARE(PixelAt(animation->FrameBuffer(), 120, 20), blended);
  }

  void BallsAreClippedAtTheEdges_data() {
    QTest::addColumn<double>("x");
    QTest::newRow("left") << -21.0;
    QTest::newRow("right") << double(kPicture.width() - 10);
    QTest::newRow("far outside") << 1000.0;
  }
  void BallsAreClippedAtTheEdges() {
    QFETCH(double, x);
    auto animation = Make(StripedBall());
    OneBallAt(*animation, x);
    animation->DrawFrame();
    const QImage& frame = animation->FrameBuffer();
    const int bx = static_cast<int>(x);
    for (int column = 0; column < kPicture.width(); ++column) {
      const int u = column - bx;
      const bool white = u >= 0 && u < kBall && u % 2 == 0;
      QCOMPARE(PixelAt(frame, column, 5), white ? QColor(Qt::white) : kBackground);
    }
  }

  void WithoutBallsOnlyTheTextOnEverySecondRowIsDrawn() {
    auto animation = Make(StripedBall(), "Press + and - to change the number of balls");
    while (animation->BallCount() > 0) animation->KeyPress('-');
    for (int frame = 0; frame < 60; ++frame) animation->DrawFrame();
    const QImage& frame = animation->FrameBuffer();
    int text_pixels = 0;
    int row_parity = -1;
    for (int y = 0; y < frame.height(); ++y) {
      for (int x = 0; x < frame.width(); ++x) {
        const QColor pixel = PixelAt(frame, x, y);
        if (pixel == kBackground) continue;
        QCOMPARE(pixel, QColor(Qt::white));
        if (row_parity < 0) row_parity = y % 2;
        QCOMPARE(y % 2, row_parity);
        ++text_pixels;
      }
    }
    QVERIFY(text_pixels > 0);
  }

  // A strip more than half as high as the picture puts the wave's rows
  // above and below the frame; they are left out, never written.
  void AFontTooLargeForThePictureStaysInsideIt() {
    auto animation = Make(StripedBall(), "Aj", 90);
    while (animation->BallCount() > 0) animation->KeyPress('-');
    QVERIFY(2 * animation->TextStrip().height() > kPicture.height());
    bool text_shown = false;
    for (int frame = 0; frame < 90; ++frame) {
      animation->DrawFrame();
      const QImage& picture = animation->FrameBuffer();
      QCOMPARE(picture.size(), kPicture);
      for (int y = 0; y < picture.height() && !text_shown; ++y) {
        for (int x = 0; x < picture.width() && !text_shown; ++x) {
          text_shown = PixelAt(picture, x, y) != kBackground;
        }
      }
    }
    QVERIFY2(text_shown, "the rows of the text that fit are drawn");
  }

  void TextScrollsLeftAndComesBackAndTheWaveRepeats() {
    auto animation = Make(StripedBall(), "short");
    animation->DrawFrame();
    QCOMPARE(animation->ScrollX(), kPicture.width() - 2);
    QCOMPARE(animation->WaveAngle(), 2);
    int frames = 1;
    for (; animation->ScrollX() != kPicture.width() && frames < 1000; ++frames) animation->DrawFrame();
    QVERIFY2(frames < 1000, "the text comes back from the right");
    for (; frames % 180 != 0; ++frames) animation->DrawFrame();
    QCOMPARE(animation->WaveAngle(), 0);
  }
};

VARNEL_QTEST(AboutAnimationTest);

}  // namespace varnel::ui

#include "about_animation_qtest.moc"
