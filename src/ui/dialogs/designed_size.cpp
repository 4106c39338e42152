#include "ui/dialogs/designed_size.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>

namespace varnel::ui {
namespace {
constexpr double kDesignedLineHeight = 13.0;
}

QSize ScaledToFont(const QWidget& widget, QSize designed) {
  double factor = std::max(1.0, widget.fontMetrics().height() / kDesignedLineHeight);
  return designed * factor;
}

}  // namespace varnel::ui
