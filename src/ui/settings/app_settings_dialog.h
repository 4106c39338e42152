// The Preferences dialog. The main window's Preferences command uses it in
// three steps around open():
//   LoadSettings(settings);          // steps 1-4, remembers the old port
//   open();                          // Ok and the close box both accept
//   on finished: StoreSettings(settings);               // step 6
//                if (ConnectionSettingsChanged() && connected) ask the
//                app_settings_text::kCloseConnectionQuestion; ...  // 7-8
#pragma once

#include <QDialog>

#include <array>
#include <string>

#include "ui/settings/app_settings_form.h"
#include "ui/settings/client_settings.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace varnel::ui {

class TAppSettings : public QDialog {
  Q_OBJECT

 public:
  explicit TAppSettings(QWidget* parent = nullptr);

  // Steps 1 to 4: the controls show `settings`; its port becomes the old
  // port of ConnectionSettingsChanged().
  void LoadSettings(const TClientSettings& settings);
  // Step 6: copies every control into `settings` (all six proxy and SOCKS
  // boxes, also those on hidden pages). A box the user did not change
  // keeps the loaded bytes, even ones that are no valid UTF-8.
  void StoreSettings(TClientSettings& settings) const;
  // Step 7's test: the port differs from the loaded one as it was written
  // (so "FTP" loaded and stored as "ftp" counts), or SettingsChanged().
  bool ConnectionSettingsChanged() const;
  // The user changed a proxy or SOCKS box or clicked a connection button
  // since the dialog was shown.
  bool SettingsChanged() const { return settings_changed_; }

  // The dialog has no Cancel: closing it in any way acts like "Ok".
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct TTextBinding {
    QLineEdit* Box;
    std::string TAppSettingsForm::*Field;
  };

  TAppSettingsForm ReadControls() const;
  void WriteControls(const TAppSettingsForm& form);
  std::array<TTextBinding, 7> TextBoxes() const;
  void rgpPortClick();
  void ConnectionClick(int button);
  QWidget* PortGroup();
  QWidget* ConnectionGroup();

  TAppSettingsForm loaded_;
  std::string old_port_ = "ftp";
  bool settings_changed_ = false;
  QCheckBox* chkAutoConnect;
  QCheckBox* chkMsgSuppress;
  QCheckBox* chkClearCache;
  QRadioButton* rgpPortStandard;
  QRadioButton* rgpPortSpecific;
  QLineEdit* edtPort;
  QButtonGroup* connection_group_;
  QStackedWidget* nbkConnection;
  QLineEdit* edtProxyAddr;
  QLineEdit* edtProxyPort;
  QLineEdit* edtSocksServer;
  QLineEdit* edtSocksPort;
  QLineEdit* edtSocksUser;
  QLineEdit* edtSocksPassword;
};

}  // namespace varnel::ui
