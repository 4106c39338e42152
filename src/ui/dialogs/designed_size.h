// Window sizes given in pixels for the classic 8-point dialog font, scaled
// to the font the desktop actually uses, so windows grow with larger fonts.
#pragma once

#include <QSize>

class QWidget;

namespace varnel::ui {

// `designed` scaled by the height of `widget`'s font against the 13-pixel
// line the designed size assumed; never smaller than designed.
QSize ScaledToFont(const QWidget& widget, QSize designed);

}  // namespace varnel::ui
