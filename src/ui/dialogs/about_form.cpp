#include "ui/dialogs/about_form.h"

#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <random>

#include "ui/dialogs/about_pictures.h"

namespace varnel::ui {
namespace {

const QSize kClientSize{306, 209};
const QRect kPicture{8, 8, 289, 193};
constexpr int kBallDiameter = 50;
constexpr int kTextPoints = 10;

QFont CreditsFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kTextPoints);
  return font;
}

}  // namespace

QString AboutCredits() {
  return QStringLiteral(
      "Varnel Client " VARNEL_VERSION
      "  ***  a desktop FTP client for Linux: two panes, connection profiles, a transfer queue "
      "and remote files opened in your own viewers  ***  its own event-driven sockets with "
      "SOCKS 4, 4A and 5 and an asynchronous FTP engine, in C++20 and Qt 6  ***  thank you for "
      "flying Varnel  ***  press + and - to change the number of balls");
}

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent),
      animation_(std::make_unique<TAboutAnimation>(AboutBackgroundPicture(kPicture.size()),
                                                   AboutBallPicture(kBallDiameter),
                                                   kPicture.size(), CreditsFont(), AboutCredits())),
      Image1(new QLabel(this)),
      Timer1(new QTimer(this)) {
  setObjectName("TAboutForm");
  setWindowTitle("About...");
  setFixedSize(kClientSize);

  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel1");
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  bevel->setGeometry(kPicture.adjusted(-2, -2, 2, 2));

  // Clicks on the picture reach the window, which closes on any click.
  Image1->setObjectName("Image1");
  Image1->setGeometry(kPicture);
  Image1->setPixmap(QPixmap::fromImage(AboutBackgroundPicture(kPicture.size())));

  Timer1->setObjectName("Timer1");
  Timer1->setInterval(kFrameInterval);
  connect(Timer1, &QTimer::timeout, this, &TAboutForm::Timer1Timer);
}

TAboutForm::~TAboutForm() = default;

void TAboutForm::Timer1Timer() {
  animation_->DrawFrame();
  Image1->setPixmap(QPixmap::fromImage(animation_->FrameBuffer()));
}

// Each opening, not a restore from minimized, starts the balls afresh.
void TAboutForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  animation_->Start(std::random_device{}());
  Timer1Timer();
  Timer1->start();
}

void TAboutForm::hideEvent(QHideEvent* event) {
  if (!event->spontaneous()) Timer1->stop();
  QDialog::hideEvent(event);
}

void TAboutForm::keyPressEvent(QKeyEvent* event) {
  if (!event->text().isEmpty()) animation_->KeyPress(event->text().front());
  QDialog::keyPressEvent(event);
}

void TAboutForm::mousePressEvent(QMouseEvent* event) {
  event->accept();
  close();
}

}  // namespace varnel::ui
