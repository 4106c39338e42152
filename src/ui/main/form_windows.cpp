// The message log window and the commands that open the other windows:
// Connection Manager, Preferences, File Association Manager and About.
#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QLocale>
#include <QMenu>
#include <QToolButton>

#include "ui/assoc/file_assoc_dialog.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/error_form.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/main/log_file.h"
#include "ui/settings/app_settings_dialog.h"
#include "ui/settings/app_settings_form.h"
#include "ui/settings/connection_setup_dialog.h"

namespace varnel::ui {
namespace {

// The system's short date and long time, as the message log stamps lines.
QString Stamp(const QDateTime& now) {
  const QLocale locale;
  return locale.toString(now.date(), QLocale::ShortFormat) + " " +
         locale.toString(now.time(), QLocale::LongFormat);
}

}  // namespace

void TFtpReceiveForm::ConnectWindows() {
  connect(menu_.Logs, &QMenu::aboutToShow, this, &TFtpReceiveForm::Display1Click);
  connect(menu_.ClearMessagelog1, &QAction::triggered, this,
          &TFtpReceiveForm::ClearMessagelog1Click);
  connect(menu_.SaveMessagelog1, &QAction::triggered, this, &TFtpReceiveForm::SaveMessagelog1Click);
  connect(menu_.ShowMessagelog1, &QAction::triggered, this, &TFtpReceiveForm::ShowMessagelog1Click);
  // The check mark follows the window also when its own Ok or close box
  // hid it.
  connect(windows_.ErrorForm, &TErrorForm::VisibilityChanged, menu_.ShowMessagelog1,
          &QAction::setChecked);
  connect(bar_.btnConnectManage, &QToolButton::clicked, this,
          &TFtpReceiveForm::ConnectionManager1Click);
  connect(menu_.ConnectionManager1, &QAction::triggered, this,
          &TFtpReceiveForm::ConnectionManager1Click);
  connect(menu_.Preferences1, &QAction::triggered, this, &TFtpReceiveForm::Preferences1Click);
  connect(menu_.FileAssociationManager1, &QAction::triggered, this,
          &TFtpReceiveForm::FileAssociationManager1Click);
  connect(menu_.About1, &QAction::triggered, this, &TFtpReceiveForm::About1Click);
}

// A box unless errors are suppressed; the message log gets every report.
void TFtpReceiveForm::ReportMessage(const QString& text, TReportKind kind) {
  if (!session_->Settings().SuppressError) ShowBox(kind, text);
  windows_.ErrorForm->AppendLine(QString::fromStdString(
      MessageLogLine(Stamp(QDateTime::currentDateTime()).toStdString(), text.toStdString())));
}

void TFtpReceiveForm::ClearMessagelog1Click() { windows_.ErrorForm->Clear(); }

void TFtpReceiveForm::SaveMessagelog1Click() {
  SaveLog("Save Message Log", windows_.ErrorForm->Lines());
}

void TFtpReceiveForm::Display1Click() {
  menu_.ShowMessagelog1->setChecked(windows_.ErrorForm->isVisible());
}

void TFtpReceiveForm::ShowMessagelog1Click() {
  windows_.ErrorForm->setVisible(menu_.ShowMessagelog1->isChecked());
}

// The profile list may have changed: the box is filled again and keeps
// the profile shown before when it still exists.
void TFtpReceiveForm::ConnectionManager1Click() {
  if (session_->ViewerRunning()) return;
  const std::string previous = bar_.cmbConnections->currentData().toByteArray().toStdString();
  TConnectionSetup* setup = windows_.ConnectionSetup;
  disconnect(setup, &QDialog::finished, this, nullptr);
  connect(setup, &QDialog::finished, this, [this, setup, previous] {
    FillConnections();
    bar_.cmbConnections->setCurrentIndex(ReselectIndex(setup->Model().ListItems(), previous));
    cmbConnectionsClick();
  });
  setup->open();
}

// Changed connection settings while connected: the user may close the
// session now; the engine takes the settings at the next connect anyway.
void TFtpReceiveForm::Preferences1Click() {
  TAppSettings* dialog = windows_.AppSettings;
  dialog->LoadSettings(session_->Settings());
  disconnect(dialog, &QDialog::finished, this, nullptr);
  connect(dialog, &QDialog::finished, this, [this, dialog] {
    TClientSettings settings = session_->Settings();
    dialog->StoreSettings(settings);
    session_->SetSettings(settings);
    if (dialog->ConnectionSettingsChanged() && session_->ConnectedAndIdle()) {
      AskYesNo(this, TBoxKind::Warning, app_settings_text::kCloseConnectionQuestion,
               [this](bool yes) {
                 if (yes) btnDisconnectClick();
               });
      return;
    }
    session_->ApplySettingsToEngine();
  });
  dialog->open();
}

// The lookups read the manager's table directly: nothing comes back.
void TFtpReceiveForm::FileAssociationManager1Click() { windows_.FileAssoc->open(); }

void TFtpReceiveForm::About1Click() { windows_.AboutForm->open(); }

}  // namespace varnel::ui
