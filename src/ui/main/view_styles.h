// The four view styles of a file pane (small icons, large icons, list,
// details) and the controls that choose them: the pane's four view buttons
// (one radio group), its four items of the View menu (one radio group) and
// its four pop-up View items. Whichever is used, the buttons and menu items
// of the pane end up marking the same style.
#pragma once

#include <QStackedWidget>

#include <array>
#include <functional>
#include <vector>

class QAction;
class QActionGroup;
class QButtonGroup;
class QListView;
class QMenu;
class QToolButton;
class QTreeView;
class QHBoxLayout;
class QAbstractItemView;
class QItemSelectionModel;

namespace varnel::ui {

class TPaneModel;

enum class TViewStyle { SmallIcons, LargeIcons, List, Details };
inline constexpr int kViewStyles = 4;

enum class TPaneSide { Local, Remote };

// The names of a pane's view controls: button, View menu item and pop-up
// item for each style, and the buttons' hints.
struct TViewControlNames {
  const char* Button;
  const char* MenuItem;
  const char* PopupItem;
};
const TViewControlNames& ViewControlNames(TPaneSide side, TViewStyle style);
const char* ViewStyleText(TViewStyle style);  // "Small Icons", ..., "Details"

// A pane's list: one model behind a details view (columns Name 200, Size
// 75, Type 75, Date 100, scaled to the font) and an icon view for the other
// styles, sharing one selection.
class TPaneViews : public QStackedWidget {
  Q_OBJECT

 public:
  TPaneViews(const char* name, QWidget* parent);

  // The header's sort indicator follows the model's sort state.
  void SetModel(TPaneModel* model);
  TViewStyle Style() const { return style_; }
  // A click on the sort header or one of the four sort items (Name, Size,
  // Type, Date) runs `click` with the column.
  void ConnectSort(const std::array<QAction*, 4>& sort_items, std::function<void(int)> click);
  void SetStyle(TViewStyle style);

  QTreeView* Details() const { return details_; }
  QListView* Icons() const { return icons_; }
  QAbstractItemView* CurrentView() const;
  QItemSelectionModel* Selection() const;

  // Selected rows in row order; the first of them (-1: none).
  std::vector<int> SelectedRows() const;
  int FirstSelectedRow() const;

 signals:
  // A row was double-clicked or Enter pressed on it.
  void rowActivated(int row);
  void headerClicked(int column);
  void contextMenuRequested(const QPoint& global);

 private:
  QTreeView* details_;
  QListView* icons_;
  TViewStyle style_ = TViewStyle::Details;
};

// One pane's view buttons, View menu items and pop-up View items, kept in
// step (SmallIcons1Click, Details21Click, and the pop-up's check marks).
class TViewStyleControls : public QObject {
  Q_OBJECT

 public:
  // The buttons are created here and added to `buttons` (large icons,
  // small icons, list, details), the pop-up items to `popup_view`;
  // `menu_items` are the pane's View menu items in style order.
  TViewStyleControls(TPaneSide side, TPaneViews& views, QHBoxLayout* buttons,
                     const std::array<QAction*, kViewStyles>& menu_items, QMenu* popup_view);

  QToolButton* Button(TViewStyle style) const { return buttons_[Index(style)]; }
  QAction* MenuItem(TViewStyle style) const { return menu_items_[Index(style)]; }
  QAction* PopupItem(TViewStyle style) const { return popup_items_[Index(style)]; }

  // A menu item or button chose `style`: the view follows and every
  // button and menu item of the pane marks it.
  void SmallIcons1Click(TViewStyle style);
  // The pop-up's View items take their check marks from the buttons.
  void PopupOpening();

 private:
  static std::size_t Index(TViewStyle style) { return static_cast<std::size_t>(style); }

  TPaneViews& views_;
  std::array<QToolButton*, kViewStyles> buttons_{};
  std::array<QAction*, kViewStyles> menu_items_{};
  std::array<QAction*, kViewStyles> popup_items_{};
};

}  // namespace varnel::ui
