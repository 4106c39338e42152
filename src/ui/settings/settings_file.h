// The settings file: section "Data" (the client's preferences, the
// large-file flag, the last local folder and connection) and section
// "Window" (the main window's bounds).
#pragma once

#include <string>

#include "runtime/unreadable_file.h"
#include "ui/settings/client_settings.h"
#include "ui/settings/window_placement.h"

namespace varnel::ui {

// Everything the settings file holds. The main window keeps `Settings`,
// the association manager `Limit50k`; the rest is applied to the window.
struct TStoredSettings {
  TClientSettings Settings;
  bool Limit50k = true;
  std::string LastLocalDir;
  std::string LastConnection;
  TWindowBounds Window;

  bool operator==(const TStoredSettings&) const = default;
};

// What the defaults depend on, supplied by the main window.
struct TSettingsEnvironment {
  std::string DefaultLocalDir;  // runtime::DefaultLocalDir()
  TScreenSize Screen;
  TWindowSize DesignedSize;
};

// The values a file without any key gives.
TStoredSettings DefaultSettings(const TSettingsEnvironment& environment);

// Reads every key; a missing or unreadable file, section or key, and an
// integer key whose value is no number, give the defaults. When the file
// exists but cannot be read, `read_error` (when given) says why; a missing
// file is no error. `keeper` (when given) notes whether it could be read.
TStoredSettings LoadSettingsFile(const std::string& path, const TSettingsEnvironment& environment,
                                 std::string* read_error = nullptr,
                                 runtime::UnreadableFileKeeper* keeper = nullptr);

// Writes every key of both sections, in the file's order, keeping all other
// keys, sections and lines as they are. The file is rewritten atomically
// with mode 0600 (it holds the SOCKS password). Throws
// runtime::EIniFileException, whose message is "Unable to write to " +
// path, when the file cannot be written, or cannot be read first (its other
// keys would be lost). When a single key cannot be stored, the keys before
// it are saved and the keys after it are not.
void SaveSettingsFile(const std::string& path, const TStoredSettings& values);

// The same after a load that noted into `keeper`: a file that load could not
// read is first kept aside, and `kept` says where (also when the save then
// fails). When it cannot be kept aside, EIniFileException is thrown and the
// file stays as it is.
void SaveSettingsFile(const std::string& path, const TStoredSettings& values,
                      runtime::UnreadableFileKeeper& keeper, std::string& kept);

}  // namespace varnel::ui
