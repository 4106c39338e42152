#include "ui/settings/settings_file.h"

#include "runtime/ini_file.h"

namespace varnel::ui {
namespace {

constexpr const char* kData = "Data";
constexpr mode_t kPrivateMode = 0600;

void ReadDataSection(const runtime::IniFile& file, TStoredSettings& values) {
  TClientSettings& s = values.Settings;
  s.Connection = file.ReadInteger(kData, "Connection", s.Connection);
  s.ProxyAddr = file.ReadString(kData, "ProxyAddr", s.ProxyAddr);
  s.ProxyPort = file.ReadString(kData, "ProxyPort", s.ProxyPort);
  s.SocksServer = file.ReadString(kData, "SocksServer", s.SocksServer);
  s.SocksPort = file.ReadString(kData, "SocksPort", s.SocksPort);
  s.SocksUser = file.ReadString(kData, "SocksUser", s.SocksUser);
  s.SocksPassword = file.ReadString(kData, "SocksPassword", s.SocksPassword);
  s.Port = file.ReadString(kData, "Port", s.Port);
  s.ActiveStart = file.ReadBool(kData, "ActiveStart", s.ActiveStart);
  s.SuppressError = file.ReadBool(kData, "SuppressError", s.SuppressError);
  s.ClearCache = file.ReadBool(kData, "ClearCache", s.ClearCache);
  values.Limit50k = file.ReadBool(kData, "50kLimit", values.Limit50k);
  values.LastLocalDir = file.ReadString(kData, "LastLocalDir", values.LastLocalDir);
  values.LastConnection = file.ReadString(kData, "LastConnection", values.LastConnection);
}

void WriteDataSection(runtime::IniFile& file, const TStoredSettings& values) {
  const TClientSettings& s = values.Settings;
  file.WriteInteger(kData, "Connection", s.Connection);
  file.WriteString(kData, "ProxyAddr", s.ProxyAddr);
  file.WriteString(kData, "ProxyPort", s.ProxyPort);
  file.WriteString(kData, "SocksServer", s.SocksServer);
  file.WriteString(kData, "SocksPort", s.SocksPort);
  file.WriteString(kData, "SocksUser", s.SocksUser);
  file.WriteString(kData, "SocksPassword", s.SocksPassword);
  file.WriteString(kData, "Port", s.Port);
  file.WriteBool(kData, "ActiveStart", s.ActiveStart);
  file.WriteBool(kData, "SuppressError", s.SuppressError);
  file.WriteBool(kData, "ClearCache", s.ClearCache);
  file.WriteBool(kData, "50kLimit", values.Limit50k);
  file.WriteString(kData, "LastLocalDir", values.LastLocalDir);
  file.WriteString(kData, "LastConnection", values.LastConnection);
}

}  // namespace

TStoredSettings DefaultSettings(const TSettingsEnvironment& environment) {
  TStoredSettings values;
  values.LastLocalDir = environment.DefaultLocalDir;
  values.Window = CentredBounds(environment.Screen, environment.DesignedSize);
  return values;
}

TStoredSettings LoadSettingsFile(const std::string& path, const TSettingsEnvironment& environment,
                                 std::string* read_error, runtime::UnreadableFileKeeper* keeper) {
  runtime::IniFile file(path);
  const bool read = file.Load(read_error);
  if (keeper) keeper->NoteLoad(read);
  TStoredSettings values = DefaultSettings(environment);
  ReadDataSection(file, values);
  values.Window = ReadWindowSection(file, environment.Screen, environment.DesignedSize);
  return values;
}

void SaveSettingsFile(const std::string& path, const TStoredSettings& values) {
  runtime::IniFile file(path);
  std::string reason;
  if (!file.Load(&reason)) throw runtime::EIniFileException(path, reason);
  try {
    WriteDataSection(file, values);
    WriteWindowSection(file, values.Window);
  } catch (const runtime::EIniFileException&) {
    file.Save(kPrivateMode, true);
    throw;
  }
  file.Save(kPrivateMode, true);
}

void SaveSettingsFile(const std::string& path, const TStoredSettings& values,
                      runtime::UnreadableFileKeeper& keeper, std::string& kept) {
  std::string error;
  if (!keeper.BeforeSave(path, kept, error)) throw runtime::EIniFileException(path, error);
  SaveSettingsFile(path, values);
}

}  // namespace varnel::ui
