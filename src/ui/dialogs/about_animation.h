// The about box's animation without its window: falling, bouncing balls
// blended into a background picture by their brightness, over a line of
// credits that scrolls from right to left and bobs on a sine wave, drawn on
// every second row. All buffers are 24-bit QImages (RGB888), composed one
// frame per DrawFrame().
#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include <array>

namespace varnel::ui {

// A ball's position (pixels) and velocity (pixels per frame).
struct TBall {
  double X = 0;
  double Y = 0;
  double Dx = 0;
  double Dy = 0;
};

class TAboutAnimation {
 public:
  static constexpr int kMaxBalls = 20;
  static constexpr int kBallsAtOpening = 6;
  // The text's colour in the frame.
  static constexpr int kTextRed = 255, kTextGreen = 255, kTextBlue = 255;

  // A frame of `picture` size over `background`; `ball` is the ball's
  // picture, whose black pixels are transparent; `credits` is drawn in
  // `font` into a strip as wide as the frame.
  TAboutAnimation(const QImage& background, const QImage& ball, QSize picture, const QFont& font,
                  QString credits);

  // At every opening: BallCount() becomes kBallsAtOpening and all slots
  // get a new place and speed from a generator seeded with `seed`. The
  // text position and the wave carry on.
  void Start(unsigned seed);
  // Moves the balls one step and composes the next frame.
  void DrawFrame();
  // "+" or "=" adds a ball, "-" or "_" removes one, within 0 to kMaxBalls.
  void KeyPress(QChar key);

  int BallCount() const { return ball_count_; }
  TBall& Ball(int slot) { return balls_.at(static_cast<std::size_t>(slot)); }
  const QImage& FrameBuffer() const { return frame_; }
  const QImage& TextStrip() const { return strip_; }
  int ScrollX() const { return scroll_x_; }
  int WaveAngle() const { return wave_angle_; }

 private:
  void MoveBall(TBall& ball) const;
  void DrawTextStrip();
  void DrawWave();
  void BlendBall(const TBall& ball);

  QImage frame_;
  QImage background_;
  QImage ball_;
  QImage strip_;
  QFont font_;
  QString credits_;
  int text_width_ = 0;
  int ball_count_ = kBallsAtOpening;
  std::array<TBall, kMaxBalls> balls_{};
  int scroll_x_ = 0;
  int wave_angle_ = 0;
};

}  // namespace varnel::ui
