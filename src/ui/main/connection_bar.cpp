#include "ui/main/connection_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "ui/main/tool_buttons.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

// Wide enough for this many characters of the window's font.
constexpr int kProfileBoxChars = 22;
constexpr int kCredentialChars = 14;
constexpr int kGapChars = 2;

QToolButton* BarButton(QWidget* parent, const char* name, const char* hint, const QIcon& icon,
                       bool with_text) {
  QToolButton* button = ToolButton(parent, name, hint, icon);
  button->setToolButtonStyle(with_text ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
  return button;
}

QLineEdit* CredentialBox(QWidget* parent, const char* name, const char* hint) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setToolTip(hint);
  box->setMinimumWidth(box->fontMetrics().averageCharWidth() * kCredentialChars);
  return box;
}

QLabel* BuddyLabel(QWidget* parent, const char* text, QWidget* buddy) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TConnectionBar BuildConnectionBar(QWidget* parent) {
  TConnectionBar bar;
  bar.Panel3 = new QWidget(parent);
  bar.Panel3->setObjectName("Panel3");
  bar.btnConnectManage = BarButton(bar.Panel3, "btnConnectManage", "Connection Manager",
                                    CommandIcon(TCommandIcon::ConnectionManager), false);
  bar.btnConnect = BarButton(bar.Panel3, "btnConnect", "Open Connection",
                              CommandIcon(TCommandIcon::Connect), true);
  bar.btnDisconnect = BarButton(bar.Panel3, "btnDisconnect", "Close Connection",
                                 CommandIcon(TCommandIcon::Disconnect), true);
  bar.cmbConnections = new QComboBox(bar.Panel3);
  bar.cmbConnections->setObjectName("cmbConnections");
  bar.cmbConnections->setToolTip("Connection");
  bar.cmbConnections->setPlaceholderText("Select server");
  bar.cmbConnections->setMinimumContentsLength(kProfileBoxChars);
  bar.cmbConnections->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  bar.edtUserName = CredentialBox(bar.Panel3, "edtUserName", "User name used to log on the host");
  bar.edtPassword =
      CredentialBox(bar.Panel3, "edtPassword", "Password used to validate user access");
  bar.edtPassword->setEchoMode(QLineEdit::Password);

  const int gap = bar.Panel3->fontMetrics().averageCharWidth() * kGapChars;
  auto* row = new QHBoxLayout(bar.Panel3);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(bar.btnConnectManage);
  row->addWidget(bar.cmbConnections);
  row->addSpacing(gap);
  row->addWidget(BuddyLabel(bar.Panel3, "User Name", bar.edtUserName));
  row->addWidget(bar.edtUserName);
  row->addWidget(BuddyLabel(bar.Panel3, "Password", bar.edtPassword));
  row->addWidget(bar.edtPassword);
  row->addSpacing(gap);
  row->addWidget(bar.btnConnect);
  row->addWidget(bar.btnDisconnect);
  row->addStretch();
  return bar;
}

}  // namespace varnel::ui
