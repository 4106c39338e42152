// The main window's side of the session: the connection bar, the session's
// signals, and SetConnectionState's effect on the window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>

#include "ui/main/ftp_receive_form.h"
#include "ui/settings/connection_setup_dialog.h"

namespace varnel::ui {
namespace {

constexpr const char* kProcessing = "Processing...";

std::string Bytes(const QString& text) { return text.toStdString(); }

}  // namespace

void TFtpReceiveForm::ConnectSession() {
  TFtpSession* s = session_;
  connect(s, &TFtpSession::connectionStateChanged, this, &TFtpReceiveForm::ShowConnectionState);
  connect(s, &TFtpSession::ftpLogLine, this, &TFtpReceiveForm::AddFtpLogLine);
  connect(s, &TFtpSession::messageReported, this, &TFtpReceiveForm::ReportMessage);
  connect(s, &TFtpSession::warningShown, this,
          [this](const QString& text) { ShowBox(TReportKind::Warning, text); });
  connect(s, &TFtpSession::requestRefused, this,
          [this](const QString& text) { ShowBox(TReportKind::Error, text); });
  connect(s, &TFtpSession::progressReset, this, [this] { ResetProgress(status_); });
  connect(s, &TFtpSession::credentialsChanged, this, &TFtpReceiveForm::ShowCredentials);
  connect(s, &TFtpSession::curDirChanged, this, &TFtpReceiveForm::ShowCurDir);
}

void TFtpReceiveForm::ConnectConnectionBar() {
  connect(bar_.cmbConnections, &QComboBox::activated, this, &TFtpReceiveForm::cmbConnectionsClick);
  connect(bar_.btnConnect, &QToolButton::clicked, this, &TFtpReceiveForm::btnConnectClick);
  connect(menu_.Connect1, &QAction::triggered, this, &TFtpReceiveForm::btnConnectClick);
  connect(bar_.btnDisconnect, &QToolButton::clicked, this, &TFtpReceiveForm::btnDisconnectClick);
  connect(menu_.Disconnect1, &QAction::triggered, this, &TFtpReceiveForm::btnDisconnectClick);
  connect(bar_.edtUserName, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_->SetUserName(Bytes(text)); });
  connect(bar_.edtPassword, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_->SetPassword(Bytes(text)); });
  // Enter in the credentials connects, as the Connect button would.
  connect(bar_.edtUserName, &QLineEdit::returnPressed, this, &TFtpReceiveForm::btnConnectClick);
  connect(bar_.edtPassword, &QLineEdit::returnPressed, this, &TFtpReceiveForm::btnConnectClick);
  connect(remote_.DirBox, &QLineEdit::textEdited, this,
          [this](const QString& text) { session_->SetCurDir(Bytes(text)); });
}

// Each item keeps the profile's name as bytes, so that a name that is not
// valid UTF-8 still finds its profile.
void TFtpReceiveForm::FillConnections() {
  bar_.cmbConnections->clear();
  for (const std::string& name : windows_.ConnectionSetup->Model().ListItems()) {
    bar_.cmbConnections->addItem(QString::fromStdString(name), QByteArray::fromStdString(name));
  }
  bar_.cmbConnections->setCurrentIndex(-1);
}

void TFtpReceiveForm::cmbConnectionsClick() {
  session_->cmbConnectionsClick(windows_.ConnectionSetup->Model().Profiles(),
                                bar_.cmbConnections->currentData().toByteArray().toStdString());
}

void TFtpReceiveForm::btnConnectClick() {
  session_->btnConnectClick(bar_.cmbConnections->currentIndex() >= 0);
}

void TFtpReceiveForm::btnDisconnectClick() { session_->btnDisconnectClick(); }

// SetConnectionState as the window shows it: the one place that enables
// the session controls. Controls of parts not built yet are not found and
// join by their names when they come.
void TFtpReceiveForm::ShowConnectionState() {
  const TConnectionState& state = session_->ConnectionState();
  for (const TSessionControl& control : SessionControls()) {
    const bool enabled = ControlEnabled(control.Group, state);
    QObject* object = FindControl(control.Name);
    if (auto* widget = qobject_cast<QWidget*>(object)) {
      widget->setEnabled(enabled);
    } else if (auto* action = qobject_cast<QAction*>(object)) {
      action->setEnabled(enabled);
    }
  }
  // While a viewer runs, the connection and both folders stay as they are.
  const bool viewing = session_->ViewerRunning();
  for (QWidget* box : {static_cast<QWidget*>(bar_.cmbConnections),
                       static_cast<QWidget*>(bar_.edtUserName),
                       static_cast<QWidget*>(bar_.edtPassword), static_cast<QWidget*>(remote_.DirBox)}) {
    if (viewing) box->setEnabled(false);
  }
  local_.DirBox->setEnabled(!viewing);
  if (state.Busy != wait_cursor_) {
    wait_cursor_ = state.Busy;
    if (wait_cursor_) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }
  const std::string text = StatusText(state, session_->FtpClient1().HostName());
  ShowConnectionText(status_, QString::fromStdString(text),
                     QString::fromStdString(TrimBlanks(text)));
  if (state.Busy) {
    status_.lblProgress->setText(kProcessing);
  } else {
    status_.lblProgress->clear();
    status_.Gauge1->setValue(0);
  }
}

QObject* TFtpReceiveForm::FindControl(const char* name) const {
  for (const QObject* root :
       {static_cast<QObject*>(centralWidget()), static_cast<QObject*>(menuBar()),
        static_cast<QObject*>(statusBar())}) {
    if (QObject* found = root->findChild<QObject*>(name)) return found;
  }
  return nullptr;
}

void TFtpReceiveForm::ShowCredentials() {
  bar_.edtUserName->setText(QString::fromStdString(session_->UserName()));
  bar_.edtPassword->setText(QString::fromStdString(session_->Password()));
}

void TFtpReceiveForm::ShowCurDir() {
  remote_.DirBox->setText(QString::fromStdString(session_->CurDir()));
}

}  // namespace varnel::ui
