#include "ui/main/pane_area.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/main/view_styles.h"

namespace varnel::ui {

TPaneArea BuildPaneArea(QWidget* parent, const TPaneNames& names) {
  TPaneArea area;
  area.Panel = new QWidget(parent);
  area.Panel->setObjectName(names.Panel);
  area.DirBox = new QLineEdit(area.Panel);
  area.DirBox->setObjectName(names.DirBox);
  area.DirBox->setToolTip(names.DirHint);
  area.List = new TPaneViews(names.List, area.Panel);

  area.Buttons = new QHBoxLayout;
  area.Buttons->setSpacing(0);
  area.Buttons->setAlignment(Qt::AlignLeft);
  auto* column = new QVBoxLayout(area.Panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(area.Buttons);
  column->addWidget(area.DirBox);
  column->addWidget(area.List, 1);
  return area;
}

}  // namespace varnel::ui
