#include "ui/settings/app_settings_form.h"

#include <utility>

#include "runtime/ini_file.h"

namespace varnel::ui {
namespace {

constexpr const char* kStandardPort = "ftp";

// The six proxy and SOCKS boxes and the settings they show.
constexpr std::pair<std::string TAppSettingsForm::*, std::string TClientSettings::*> kTextFields[] = {
    {&TAppSettingsForm::ProxyAddr, &TClientSettings::ProxyAddr},
    {&TAppSettingsForm::ProxyPort, &TClientSettings::ProxyPort},
    {&TAppSettingsForm::SocksServer, &TClientSettings::SocksServer},
    {&TAppSettingsForm::SocksPort, &TClientSettings::SocksPort},
    {&TAppSettingsForm::SocksUser, &TClientSettings::SocksUser},
    {&TAppSettingsForm::SocksPassword, &TClientSettings::SocksPassword},
};

}  // namespace

void FillPreferences(TAppSettingsForm& form, const TClientSettings& settings) {
  form.AutoConnect = settings.ActiveStart;
  form.MsgSuppress = settings.SuppressError;
  form.ClearCache = settings.ClearCache;
  form.SpecificPort = !runtime::EqualsIgnoringCase(settings.Port, kStandardPort);
  if (form.SpecificPort) form.PortText = settings.Port;
  const bool known = settings.Connection >= 0 && settings.Connection < kConnectionButtons;
  form.ConnectionButton = known ? settings.Connection : kNoConnectionButton;
  for (const auto& [box, setting] : kTextFields) form.*box = settings.*setting;
}

std::string FormPort(const TAppSettingsForm& form) {
  return form.SpecificPort ? form.PortText : kStandardPort;
}

void CopyPreferences(const TAppSettingsForm& form, TClientSettings& settings) {
  for (const auto& [box, setting] : kTextFields) settings.*setting = form.*box;
  settings.ActiveStart = form.AutoConnect;
  settings.SuppressError = form.MsgSuppress;
  settings.ClearCache = form.ClearCache;
  settings.Port = FormPort(form);
  if (form.ConnectionButton != kNoConnectionButton) settings.Connection = form.ConnectionButton;
}

bool ConnectionNeedsClosing(const std::string& old_port, const std::string& new_port,
                            bool settings_changed) {
  return new_port != old_port || settings_changed;
}

int ConnectionPage(int connection_button) {
  switch (ConnectionKindOf(connection_button)) {
    case TConnectionKind::Proxy: return 1;
    case TConnectionKind::Socks4:
    case TConnectionKind::Socks4A:
    case TConnectionKind::Socks5: return 2;
    case TConnectionKind::Direct: break;
  }
  return 0;
}

}  // namespace varnel::ui
