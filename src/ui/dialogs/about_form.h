// The about box: the animation of about_animation.h shown at 25 ms a
// frame. Opened window-modal with open(); a click on the picture or the
// window closes it, + and - change the number of balls.
#pragma once

#include <QDialog>

#include <memory>

#include "ui/dialogs/about_animation.h"

class QLabel;
class QTimer;

namespace varnel::ui {

class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFrameInterval = 25;  // milliseconds

  explicit TAboutForm(QWidget* parent = nullptr);
  ~TAboutForm() override;

  const TAboutAnimation& Animation() const { return *animation_; }

  // One tick of the animation timer: composes and shows the next frame.
  void Timer1Timer();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  std::unique_ptr<TAboutAnimation> animation_;
  QLabel* Image1;
  QTimer* Timer1;
};

// The line that scrolls through the about box.
QString AboutCredits();

}  // namespace varnel::ui
