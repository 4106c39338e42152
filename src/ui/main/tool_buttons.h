// The window's small tool buttons, and shortcuts that act inside one pane.
#pragma once

#include <QKeySequence>
#include <QList>

#include <functional>

class QAction;
class QIcon;
class QToolButton;
class QWidget;

namespace varnel::ui {

// A tool button showing `icon`, with `hint` as its tooltip and text; flat
// (raised only under the mouse) unless `flat` is false.
QToolButton* ToolButton(QWidget* parent, const char* name, const char* hint, const QIcon& icon,
                        bool flat = true);

// A shortcut that acts while the focus is inside `scope` (one pane).
QAction* PaneShortcut(QWidget* scope, const char* name, const QList<QKeySequence>& keys,
                      std::function<void()> run);

}  // namespace varnel::ui
