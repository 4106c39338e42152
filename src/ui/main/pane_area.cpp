#include "ui/main/pane_area.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "ui/dialogs/designed_size.h"

namespace varnel::ui {
namespace {

// Designed column widths; the columns grow with the font in use.
constexpr struct {
  const char* Caption;
  int Width;
} kColumns[] = {{"Name", 200}, {"Size", 75}, {"Type", 75}, {"Date", 100}};

}  // namespace

TPaneArea BuildPaneArea(QWidget* parent, const TPaneNames& names) {
  TPaneArea area;
  area.Panel = new QWidget(parent);
  area.Panel->setObjectName(names.Panel);
  area.DirBox = new QLineEdit(area.Panel);
  area.DirBox->setObjectName(names.DirBox);
  area.DirBox->setToolTip(names.DirHint);
  area.List = new QTreeView(area.Panel);
  area.List->setObjectName(names.List);
  area.List->setRootIsDecorated(false);
  area.List->setUniformRowHeights(true);
  area.List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  area.List->setEditTriggers(QAbstractItemView::NoEditTriggers);

  auto* columns = new QStandardItemModel(0, std::size(kColumns), area.List);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    columns->setHeaderData(i, Qt::Horizontal, kColumns[i].Caption);
  }
  area.List->setModel(columns);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    area.List->setColumnWidth(i, ScaledToFont(*area.List, QSize(kColumns[i].Width, 0)).width());
  }

  area.Buttons = new QHBoxLayout;
  area.Buttons->addWidget(area.DirBox, 1);
  auto* column = new QVBoxLayout(area.Panel);
  column->setContentsMargins(0, 0, 0, 0);
  column->addLayout(area.Buttons);
  column->addWidget(area.List, 1);
  return area;
}

}  // namespace varnel::ui
