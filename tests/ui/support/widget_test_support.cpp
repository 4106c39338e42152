#include "ui/support/widget_test_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QInputDialog>
#include <QPixmap>
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

bool SaveScreenshot(QWidget& widget, const QString& name) {
  QPixmap picture = widget.grab();
  if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return false;
  const QString folder = QStringLiteral(VARNEL_SCREENSHOT_DIR);
  return QDir().mkpath(folder) && picture.save(folder + "/" + name + ".png");
}

}  // namespace varnel::testing
