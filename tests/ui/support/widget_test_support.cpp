#include "ui/support/widget_test_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QInputDialog>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace varnel::testing {
namespace {

template <typename Box>
Box* OpenBox(const QWidget& window) {
  for (Box* box : window.findChildren<Box*>()) {
    if (box->isVisible()) return box;
  }
  return nullptr;
}

}  // namespace

QMessageBox* OpenMessageBox(const QWidget& window) { return OpenBox<QMessageBox>(window); }

QInputDialog* OpenInputBox(const QWidget& window) { return OpenBox<QInputDialog>(window); }

bool AnswerMessageBox(const QWidget& window, QMessageBox::StandardButton button) {
  QMessageBox* box = OpenMessageBox(window);
  if (!box || !box->button(button)) return false;
  box->button(button)->click();
  return true;
}

QPalette DarkPalette() {
  const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), dim(128, 128, 128);
  QPalette palette(window);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, QColor(60, 60, 64));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::ToolTipBase, base);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::PlaceholderText, dim);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, dim);
  }
  palette.setColor(QPalette::Disabled, QPalette::Base, window);
  return palette;
}

DarkTheme::DarkTheme() : palette_(QApplication::palette()), style_(QApplication::style()->name()) {
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QApplication::setPalette(DarkPalette());
  QCoreApplication::processEvents();
}

DarkTheme::~DarkTheme() {
  QApplication::setPalette(palette_);
  QApplication::setStyle(QStyleFactory::create(style_));
  QCoreApplication::processEvents();
}

bool SaveScreenshot(QWidget& widget, const QString& name) {
  QPixmap picture = widget.grab();
  if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return false;
  const QString folder = QStringLiteral(VARNEL_SCREENSHOT_DIR);
  return QDir().mkpath(folder) && picture.save(folder + "/" + name + ".png");
}

}  // namespace varnel::testing
