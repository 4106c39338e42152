#include "ui/main/view_styles.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QMenu>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

#include "ui/dialogs/designed_size.h"
#include "ui/main/pane_model.h"
#include "ui/main/tool_buttons.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

// Designed column widths; the columns grow with the font in use.
constexpr int kColumnWidths[] = {200, 75, 75, 100};
// Width of an item of the small-icon and list styles, in characters.
constexpr int kListItemChars = 24;
// Width of an item of the large-icon style, in characters.
constexpr int kIconItemChars = 15;
// Rows the icon view lays out at a time, so that a large folder shows at
// once and is laid out while the user looks at it.
constexpr int kLayoutBatch = 2000;

constexpr TViewControlNames kNames[2][kViewStyles] = {
    {{"btnViewLocalSmall", "SmallIcons1", "SmallIcons11"},
     {"btnViewLocalIcon", "LargeIcons1", "LargeIcons11"},
     {"btnViewLocalList", "List1", "ListIcons11"},
     {"btnViewLocalDetail", "Details1", "Details11"}},
    {{"btnViewRemoteSmall", "SmallIcons2", "SmallIcons21"},
     {"btnViewRemoteIcon", "LargeIcons2", "LargeIcons21"},
     {"btnViewRemoteList", "List2", "ListIcons21"},
     {"btnViewRemoteDetail", "Details2", "Details21"}},
};

constexpr TViewStyle kStyles[] = {TViewStyle::SmallIcons, TViewStyle::LargeIcons, TViewStyle::List,
                                  TViewStyle::Details};

TCommandIcon StyleIcon(TViewStyle style) {
  switch (style) {
    case TViewStyle::SmallIcons:
      return TCommandIcon::SmallIcons;
    case TViewStyle::LargeIcons:
      return TCommandIcon::LargeIcons;
    case TViewStyle::List:
      return TCommandIcon::ListView;
    case TViewStyle::Details:
      break;
  }
  return TCommandIcon::DetailsView;
}

// Every item of the icon view takes a whole grid cell: with uniform item
// sizes the view would otherwise size all of them after the first row
// ("." or ".."), cutting every longer name down to a few letters.
class TGridCellDelegate : public QStyledItemDelegate {
 public:
  explicit TGridCellDelegate(QListView* view) : QStyledItemDelegate(view), view_(view) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QSize grid = view_->gridSize();
    return grid.isValid() ? grid : QStyledItemDelegate::sizeHint(option, index);
  }

 private:
  QListView* view_;
};

void SetUpItemView(QAbstractItemView& view) {
  view.setSelectionMode(QAbstractItemView::ExtendedSelection);
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setContextMenuPolicy(Qt::CustomContextMenu);
}

// The icon view in one of the three icon styles.
void ShowAsIcons(QListView& view, TViewStyle style) {
  const int chars = view.fontMetrics().averageCharWidth();
  const int small = view.style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &view);
  const int large = view.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &view);
  const int line = view.fontMetrics().lineSpacing();
  view.setWrapping(true);
  view.setResizeMode(QListView::Adjust);
  view.setMovement(QListView::Static);
  if (style == TViewStyle::LargeIcons) {
    view.setViewMode(QListView::IconMode);
    view.setFlow(QListView::LeftToRight);
    view.setIconSize(QSize(large, large));
    view.setWordWrap(true);
    view.setTextElideMode(Qt::ElideMiddle);
    view.setGridSize(QSize(chars * kIconItemChars, large + 3 * line));
  } else {
    view.setViewMode(QListView::ListMode);
    view.setFlow(style == TViewStyle::List ? QListView::TopToBottom : QListView::LeftToRight);
    view.setIconSize(QSize(small, small));
    view.setWordWrap(false);
    view.setTextElideMode(Qt::ElideRight);
    view.setGridSize(QSize(chars * kListItemChars, std::max(small, line) + line / 3));
  }
  view.setUniformItemSizes(true);
}

}  // namespace

const TViewControlNames& ViewControlNames(TPaneSide side, TViewStyle style) {
  return kNames[side == TPaneSide::Remote ? 1 : 0][static_cast<int>(style)];
}

const char* ViewStyleText(TViewStyle style) {
  switch (style) {
    case TViewStyle::SmallIcons:
      return "Small Icons";
    case TViewStyle::LargeIcons:
      return "Large Icons";
    case TViewStyle::List:
      return "List";
    case TViewStyle::Details:
      break;
  }
  return "Details";
}

TPaneViews::TPaneViews(const char* name, QWidget* parent)
    : QStackedWidget(parent), details_(new QTreeView(this)), icons_(new QListView(this)) {
  setObjectName(name);
  details_->setObjectName(QString(name) + "Details");
  icons_->setObjectName(QString(name) + "Icons");
  details_->setRootIsDecorated(false);
  details_->setUniformRowHeights(true);
  details_->setItemsExpandable(false);
  details_->setAllColumnsShowFocus(true);
  details_->header()->setSectionsClickable(true);
  details_->header()->setSortIndicatorShown(true);
  details_->header()->setStretchLastSection(false);
  icons_->setLayoutMode(QListView::Batched);
  icons_->setBatchSize(kLayoutBatch);
  icons_->setItemDelegate(new TGridCellDelegate(icons_));
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(details_), static_cast<QAbstractItemView*>(icons_)}) {
    SetUpItemView(*view);
    addWidget(view);
    connect(view, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { emit rowActivated(index.row()); });
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
      emit contextMenuRequested(view->viewport()->mapToGlobal(at));
    });
  }
  connect(details_->header(), &QHeaderView::sectionClicked, this, &TPaneViews::headerClicked);
  setCurrentWidget(details_);
}

void TPaneViews::SetModel(TPaneModel* model) {
  details_->setModel(model);
  icons_->setModel(model);
  icons_->setSelectionModel(details_->selectionModel());
  for (int i = 0; i < static_cast<int>(std::size(kColumnWidths)); ++i) {
    details_->setColumnWidth(i, ScaledToFont(*details_, QSize(kColumnWidths[i], 0)).width());
  }
  const auto show_sort = [this, model] {
    details_->header()->setSortIndicator(
        model->Sort().Column, model->Sort().Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  };
  connect(model, &TPaneModel::sortChanged, this, show_sort);
  show_sort();
}

void TPaneViews::ConnectSort(const std::array<QAction*, 4>& sort_items,
                             std::function<void(int)> click) {
  for (int column = 0; column < static_cast<int>(sort_items.size()); ++column) {
    connect(sort_items[static_cast<std::size_t>(column)], &QAction::triggered, this,
            [click, column] { click(column); });
  }
  connect(this, &TPaneViews::headerClicked, this, [click](int column) { click(column); });
}

void TPaneViews::SetStyle(TViewStyle style) {
  style_ = style;
  if (style == TViewStyle::Details) {
    setCurrentWidget(details_);
  } else {
    ShowAsIcons(*icons_, style);
    setCurrentWidget(icons_);
  }
  if (const QModelIndex current = Selection()->currentIndex(); current.isValid()) {
    CurrentView()->scrollTo(current);
  }
}

QAbstractItemView* TPaneViews::CurrentView() const {
  return style_ == TViewStyle::Details ? static_cast<QAbstractItemView*>(details_) : icons_;
}

QItemSelectionModel* TPaneViews::Selection() const { return details_->selectionModel(); }

std::vector<int> TPaneViews::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : Selection()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TPaneViews::FirstSelectedRow() const {
  const std::vector<int> rows = SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

TViewStyleControls::TViewStyleControls(TPaneSide side, TPaneViews& views, QHBoxLayout* buttons_row,
                                       const std::array<QAction*, kViewStyles>& menu_items,
                                       QMenu* popup_view)
    : QObject(&views), views_(views), menu_items_(menu_items) {
  auto* buttons = new QButtonGroup(this);
  buttons->setExclusive(true);
  for (const TViewStyle style : kStyles) {
    const TViewControlNames& names = ViewControlNames(side, style);
    QToolButton* button = ToolButton(buttons_row->parentWidget(), names.Button,
                                     ViewStyleText(style), CommandIcon(StyleIcon(style)));
    button->setCheckable(true);
    buttons->addButton(button);
    buttons_[Index(style)] = button;
    connect(button, &QToolButton::clicked, this, [this, style] { SmallIcons1Click(style); });
    connect(menu_items_[Index(style)], &QAction::triggered, this,
            [this, style] { SmallIcons1Click(style); });

    QAction* popup = popup_view->addAction(ViewStyleText(style));
    popup->setObjectName(names.PopupItem);
    popup->setCheckable(true);
    popup_items_[Index(style)] = popup;
    // A pop-up item acts as a click on the pane's matching button.
    connect(popup, &QAction::triggered, button, &QToolButton::click);
  }
  for (const TViewStyle style :
       {TViewStyle::LargeIcons, TViewStyle::SmallIcons, TViewStyle::List, TViewStyle::Details}) {
    buttons_row->addWidget(Button(style));
  }
  SmallIcons1Click(TViewStyle::Details);
}

void TViewStyleControls::SmallIcons1Click(TViewStyle style) {
  views_.SetStyle(style);
  buttons_[Index(style)]->setChecked(true);
  menu_items_[Index(style)]->setChecked(true);
}

void TViewStyleControls::PopupOpening() {
  for (const TViewStyle style : kStyles) {
    popup_items_[Index(style)]->setChecked(buttons_[Index(style)]->isChecked());
  }
}

}  // namespace varnel::ui
