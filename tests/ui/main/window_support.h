// The program's windows under test: a private program folder (VARNEL_HOME)
// with the profile and settings files a test writes, widgets found by their
// names, rows found by what they show. The engine's loop runs inside Qt's.
#pragma once

#include <QAbstractItemView>
#include <QAction>
#include <QTest>

#include <memory>
#include <optional>
#include <string>

#include "fake_script_support.h"
#include "ftp/support/fake_ftp_server.h"
#include "runtime/test_temp_folder.h"
#include "servers/real_ftp_server.h"
#include "session_support.h"
#include "ui/main/remote_pane.h"
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

// The window connected at start to the scripted server as bob, its local
// pane on a folder of its own.
struct WindowOnFakeServer {
  WindowUnderTest t;
  varnel::testing::TempFolder local;

  // Starts the window and waits until it is connected and idle with
  // `rows` remote rows shown; false when that does not come.
  bool StartListed(const ftp::testing::FakeFtpServer& server, int rows,
                   TWindowBounds window = {}) {
    t.ConnectAtStart(server.PortText(), "bob", "secret", local.Path(), window);
    TFtpReceiveForm& form = t.Start();
    return WaitFor([&] {
      return form.Session().ConnectedAndIdle() && form.RemoteFiles().Model().RowCount() == rows;
    });
  }
  TFtpReceiveForm& Form() { return t.Form(); }

  // Waits until the server has received `commands` commands in all and
  // the window is idle again.
  bool WaitIdleAfter(const ftp::testing::FakeFtpServer& server, std::size_t commands) {
    return WaitFor([&] {
      return t.Form().Session().ConnectedAndIdle() && server.Commands().size() == commands;
    });
  }

  // F7, once whatever came before it is through: its listing is the last
  // thing the server sees, so the commands after the login show all that
  // a test's action sent. `expected` ends with that listing.
  bool RefreshAfter(ftp::testing::FakeFtpServer& server, const Lines& expected) {
    t.Find<QAction>("RefreshRemote1")->trigger();
    return WaitIdleAfter(server, kLoginCommands.size() + expected.size()) &&
           server.WaitFinished(5000);
  }
};

// Makes the row showing `caption` in the first column of `view` the
// current and only selected row, or with `add` the current row added to
// the selection, as a Ctrl+click does; false when no row shows it.
inline bool SelectRow(QAbstractItemView& view, const QString& caption, bool add = false) {
  const QAbstractItemModel& model = *view.model();
  const QModelIndexList found =
      model.match(model.index(0, 0), Qt::DisplayRole, caption, 1, Qt::MatchExactly);
  if (found.isEmpty()) return false;
  const auto how = add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
  view.selectionModel()->setCurrentIndex(found.first(), how | QItemSelectionModel::Rows);
  return true;
}

// Settings as a first start writes them, for a test to change.
inline TStoredSettings FreshSettings() {
  TStoredSettings stored;
  stored.LastLocalDir = "/";
  return stored;
}

}  // namespace varnel::ui::testing
