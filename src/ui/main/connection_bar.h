// The connection bar Panel3 at the top of the main window: the connection
// manager, connect and disconnect buttons, the profile box and the user
// name and password used for the next login.
#pragma once

class QComboBox;
class QLineEdit;
class QToolButton;
class QWidget;

namespace varnel::ui {

struct TConnectionBar {
  QWidget* Panel3 = nullptr;
  QToolButton* btnConnectManage = nullptr;
  QToolButton* btnConnect = nullptr;
  QToolButton* btnDisconnect = nullptr;
  QComboBox* cmbConnections = nullptr;
  QLineEdit* edtUserName = nullptr;
  QLineEdit* edtPassword = nullptr;
};

TConnectionBar BuildConnectionBar(QWidget* parent);

}  // namespace varnel::ui
