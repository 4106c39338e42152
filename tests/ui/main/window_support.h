// The program's windows under test: a private program folder (VARNEL_HOME)
// with the profile and settings files a test writes, widgets found by their
// names. The engine's loop runs inside Qt's.
#pragma once

#include <QTest>

#include <memory>
#include <optional>
#include <string>

#include "runtime/test_temp_folder.h"
#include "servers/real_ftp_server.h"
#include "ui/main/program_windows.h"
#include "ui/main/qt_loop_bridge.h"
#include "ui/settings/profile_file.h"
#include "ui/settings/settings_file.h"

namespace varnel::ui::testing {

struct WindowUnderTest {
  QtLoopBridge bridge;
  varnel::testing::TempFolder home;
  varnel::testing::ScopedEnv env{"VARNEL_HOME", home.Path()};
  std::unique_ptr<TProgramWindows> windows;

  std::string File(const char* suffix) const {
    return home.File(std::string("varnel-client") + suffix);
  }
  std::string SettingsPath() const { return File(".INI"); }

  void WriteProfiles(const TProfileTable& table) const { WriteProfileFile(File(".UCN"), table); }
  void WriteSettings(const TStoredSettings& stored) const {
    SaveSettingsFile(SettingsPath(), stored);
  }

  // A profile "Local demo" for `server`, chosen and connected at start.
  void ConnectAtStart(const varnel::testing::RealFtpServer& server, TWindowBounds window = {}) {
    ConnectAtStart(server.PortText(), server.User(), server.Password(), "/", window);
  }

  // The same for a server on 127.0.0.1:`port`, with `local_dir` as the
  // local pane's folder.
  void ConnectAtStart(const std::string& port, const std::string& user,
                      const std::string& password, const std::string& local_dir,
                      TWindowBounds window = {}) {
    TProfileTable profiles;
    profiles.Append({"Local demo", "127.0.0.1", user, password});
    WriteProfiles(profiles);
    TStoredSettings stored;
    stored.LastLocalDir = local_dir;
    stored.Settings.Port = port;
    stored.Settings.ActiveStart = true;
    stored.LastConnection = "Local demo";
    stored.Window = window;
    WriteSettings(stored);
  }

  // Creates every window (nothing is read before this) and shows the main
  // window.
  TFtpReceiveForm& Start() {
    windows = std::make_unique<TProgramWindows>(home.File("varnel-client"));
    windows->Show();
    TFtpReceiveForm& form = windows->FtpReceiveForm();
    (void)QTest::qWaitForWindowExposed(&form);
    return form;
  }
  TFtpReceiveForm& Form() { return windows->FtpReceiveForm(); }

  // A control of the main window (the dialogs it owns reuse some names).
  template <typename T>
  T* Find(const char* name) {
    return qobject_cast<T*>(Form().FindControl(name));
  }
};

// Settings as a first start writes them, for a test to change.
inline TStoredSettings FreshSettings() {
  TStoredSettings stored;
  stored.LastLocalDir = "/";
  return stored;
}

}  // namespace varnel::ui::testing
