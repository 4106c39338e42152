// The Preferences command without its window: how the settings fill the
// dialog's controls, how the controls are copied back, and whether the
// change needs the open connection closed.
#pragma once

#include <string>

#include "ui/settings/client_settings.h"

namespace varnel::ui {

namespace app_settings_text {
inline constexpr const char* kCaption = "Preferences";
inline constexpr const char* kCloseConnectionQuestion =
    "Changing your settings requires that the current connection be closed. Do you want to do "
    "this now (changes will be used in the future anyway)?";
}  // namespace app_settings_text

// The five connection radio buttons are numbered as the connection types.
inline constexpr int kNoConnectionButton = -1;
inline constexpr int kConnectionButtons = 5;

// The dialog's controls as values.
struct TAppSettingsForm {
  bool AutoConnect = false;
  bool MsgSuppress = false;
  bool ClearCache = false;
  bool SpecificPort = false;
  std::string PortText = "21";
  int ConnectionButton = 0;  // 0 to 4, or kNoConnectionButton
  std::string ProxyAddr;
  std::string ProxyPort;
  std::string SocksServer;
  std::string SocksPort;
  std::string SocksUser;
  std::string SocksPassword;

  bool operator==(const TAppSettingsForm&) const = default;
};

// Steps 1 to 4: `form` shows `settings`. "ftp" in any letter case selects
// the standard port and leaves PortText as it was; a Connection outside 0
// to 4 selects no button.
void FillPreferences(TAppSettingsForm& form, const TClientSettings& settings);

// The port the form stands for: "ftp" for the standard port, else the text
// as typed.
std::string FormPort(const TAppSettingsForm& form);

// Step 6: every control back into `settings`; Connection keeps its value
// when no button is selected.
void CopyPreferences(const TAppSettingsForm& form, TClientSettings& settings);

// Step 7's test: the connection must be closed for the change to apply
// when the port changed or the connection settings were touched.
bool ConnectionNeedsClosing(const std::string& old_port, const std::string& new_port,
                            bool settings_changed);

// The page of the connection details a button shows: 0 (none) for Direct
// and for no button, 1 for the proxy, 2 for the three SOCKS types.
int ConnectionPage(int connection_button);

}  // namespace varnel::ui
