// The small tool buttons and pane shortcuts both panes build alike.
#pragma once

#include <QKeySequence>
#include <QList>

#include <functional>

#include "ui/main/window_icons.h"

class QAction;
class QToolButton;
class QWidget;

namespace varnel::ui {

// A flat tool button showing `icon`, with `hint` as its tooltip.
QToolButton* PaneButton(QWidget* parent, const char* name, const char* hint, TCommandIcon icon,
                        bool flat = true);

// A shortcut that acts while the focus is inside `scope` (one pane).
QAction* PaneShortcut(QWidget* scope, const char* name, const QList<QKeySequence>& keys,
                      std::function<void()> run);

}  // namespace varnel::ui
