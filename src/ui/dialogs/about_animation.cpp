#include "ui/dialogs/about_animation.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace varnel::ui {
namespace {

constexpr QImage::Format kFormat = QImage::Format_RGB888;
constexpr int kScrollStep = 2;
constexpr int kScrollGap = 50;  // how far the text leaves on the left before it comes back
constexpr int kWaveStep = 2;    // degrees per frame: one wave in 180 frames
constexpr double kGravity = 0.25;

int RandomBetween(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

}  // namespace

TAboutAnimation::TAboutAnimation(const QImage& background, const QImage& ball, QSize picture,
                                 const QFont& font, QString credits)
    : frame_(picture, kFormat),
      background_(background.convertToFormat(kFormat)),
      ball_(ball.convertToFormat(kFormat)),
      font_(font),
      credits_(std::move(credits)),
      scroll_x_(picture.width()) {
  // Every lit strip pixel becomes full text colour: smoothed edges would
  // only make the letters fat.
  font_.setStyleStrategy(QFont::NoAntialias);
  QFontMetrics metrics(font_);
  strip_ = QImage(picture.width(), metrics.height(), kFormat);
  text_width_ = metrics.horizontalAdvance(credits_);
  frame_.fill(Qt::black);
}

void TAboutAnimation::Start(unsigned seed) {
  std::mt19937 random(seed);
  ball_count_ = kBallsAtOpening;
  const int drop = frame_.height() - ball_.height();
  for (TBall& ball : balls_) {
    ball.X = RandomBetween(random, 0, std::max(0, background_.width() - ball_.width() - 1));
    ball.Y = static_cast<double>(drop) * RandomBetween(random, 0, ball_count_ - 1) / ball_count_;
    ball.Dx = RandomBetween(random, 2, 6);
    ball.Dy = RandomBetween(random, 0, 9) / 10.0;
  }
}

void TAboutAnimation::KeyPress(QChar key) {
  if ((key == '+' || key == '=') && ball_count_ < kMaxBalls) ++ball_count_;
  if ((key == '-' || key == '_') && ball_count_ > 0) --ball_count_;
}

// Half a step along the velocity, gravity on the fall, bounces off the
// floor with the gravity's share lost and off the ceiling at half speed.
// Sideways only the direction turns; the position is not clamped.
void TAboutAnimation::MoveBall(TBall& ball) const {
  const double max_y = frame_.height() - ball_.height();
  const double max_x = frame_.width() - ball_.width();
  ball.X += ball.Dx / 2;
  ball.Y += ball.Dy / 2;
  ball.Dy += kGravity;
  if (ball.Y > max_y) {
    ball.Dy = -std::fabs(ball.Dy - kGravity);
    ball.Y = max_y;
  }
  if (ball.Y < 0) {
    ball.Y = 0;
    ball.Dy = std::fabs(ball.Dy) / 2;
  }
  if (ball.X > max_x) ball.Dx = -std::fabs(ball.Dx);
  if (ball.X < 0) ball.Dx = std::fabs(ball.Dx);
}

void TAboutAnimation::DrawFrame() {
  for (int slot = 0; slot < ball_count_; ++slot) MoveBall(balls_[static_cast<std::size_t>(slot)]);
  {
    QPainter painter(&frame_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, background_);
  }
  DrawTextStrip();
  DrawWave();
  for (int slot = 0; slot < ball_count_; ++slot) BlendBall(balls_[static_cast<std::size_t>(slot)]);
}

void TAboutAnimation::DrawTextStrip() {
  strip_.fill(Qt::black);
  {
    QPainter painter(&strip_);
    painter.setFont(font_);
    painter.setPen(Qt::white);
    painter.drawText(scroll_x_, QFontMetrics(font_).ascent(), credits_);
  }
  scroll_x_ -= kScrollStep;
  if (text_width_ + scroll_x_ < -kScrollGap) scroll_x_ = frame_.width();
}

// The strip's rows 4 to height - 3 go onto every second frame row, shifted
// down by the wave; any pixel with red in it becomes text.
void TAboutAnimation::DrawWave() {
  const int h = frame_.height() - 2 * strip_.height();
  const double half = h / 2.0;
  const int offset =
      static_cast<int>(std::lround(half + std::sin(wave_angle_ * std::numbers::pi / 180) * half));
  wave_angle_ = (wave_angle_ + kWaveStep) % 360;

  const int width = std::min(frame_.width(), strip_.width());
  for (int r = 4; r <= strip_.height() - 3; ++r) {
    const int row = 2 * r + offset;
    if (row < 0 || row >= frame_.height()) continue;
    const uchar* text = strip_.constScanLine(r);
    uchar* pixel = frame_.scanLine(row);
    for (int u = 0; u < width; ++u) {
      if (text[3 * u] == 0) continue;
      pixel[3 * u] = kTextRed;
      pixel[3 * u + 1] = kTextGreen;
      pixel[3 * u + 2] = kTextBlue;
    }
  }
}

// Each ball pixel covers the frame by its mean non-zero component: black
// leaves the frame as it is, white replaces it. The ball is clipped to the
// frame.
void TAboutAnimation::BlendBall(const TBall& ball) {
  const int bx = static_cast<int>(std::lround(ball.X));
  const int by = static_cast<int>(std::lround(ball.Y));
  for (int r = 0; r < ball_.height(); ++r) {
    if (by + r < 0 || by + r >= frame_.height()) continue;
    const uchar* source = ball_.constScanLine(r);
    uchar* target = frame_.scanLine(by + r);
    for (int u = 0; u < ball_.width(); ++u) {
      if (bx + u < 0 || bx + u >= frame_.width()) continue;
      const uchar* colour = source + 3 * u;
      const int n = (colour[0] != 0) + (colour[1] != 0) + (colour[2] != 0);
      if (n == 0) continue;
      const double a = ((colour[0] + colour[1] + colour[2]) / n) / 255.0;
      uchar* pixel = target + 3 * (bx + u);
      for (int c = 0; c < 3; ++c) {
        pixel[c] = static_cast<uchar>(colour[c] * a + (1 - a) * pixel[c]);
      }
    }
  }
}

}  // namespace varnel::ui
