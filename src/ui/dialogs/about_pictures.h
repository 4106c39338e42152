// The about box's two pictures, painted in code: an evening landscape and a
// shaded glass ball on black (black is transparent when the ball is blended).
#pragma once

#include <QImage>

namespace varnel::ui {

QImage AboutBackgroundPicture(QSize size);
QImage AboutBallPicture(int diameter);

}  // namespace varnel::ui
