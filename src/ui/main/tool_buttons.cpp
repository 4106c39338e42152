#include "ui/main/tool_buttons.h"

#include <QAction>
#include <QIcon>
#include <QToolButton>

namespace varnel::ui {

QToolButton* ToolButton(QWidget* parent, const char* name, const char* hint, const QIcon& icon,
                        bool flat) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setText(hint);
  button->setIcon(icon);
  button->setAutoRaise(flat);
  return button;
}

QAction* PaneShortcut(QWidget* scope, const char* name, const QList<QKeySequence>& keys,
                      std::function<void()> run) {
  auto* action = new QAction(scope);
  action->setObjectName(name);
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  QObject::connect(action, &QAction::triggered, scope, [run = std::move(run)] { run(); });
  scope->addAction(action);
  return action;
}

}  // namespace varnel::ui
