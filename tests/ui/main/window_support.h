// The program's windows under test: a private program folder (VARNEL_HOME)
// with the profile and settings files a test writes, widgets found by their
// names, and screenshots of what the test drove.
#pragma once

#include <QDir>
#include <QPixmap>
#include <QString>
#include <QTest>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

#include "runtime/test_temp_folder.h"
#include "ui/main/program_windows.h"
#include "ui/settings/profile_file.h"
#include "ui/settings/settings_file.h"

namespace varnel::ui::testing {

struct WindowUnderTest {
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

  template <typename T>
  T* Find(const char* name) {
    return Form().findChild<T*>(name);
  }
};

// Settings as a first start writes them, for a test to change.
inline TStoredSettings FreshSettings() {
  TStoredSettings stored;
  stored.LastLocalDir = "/";
  return stored;
}

// Saves what `widget` shows into the screenshot folder; false when it
// cannot be rendered.
inline bool SaveScreenshot(QWidget& widget, const QString& name) {
  const QPixmap picture = widget.grab();
  if (picture.isNull() || picture.width() == 0 || picture.height() == 0) return false;
  QDir().mkpath(VARNEL_SCREENSHOTS);
  return picture.save(QString(VARNEL_SCREENSHOTS) + "/" + name + ".png");
}

}  // namespace varnel::ui::testing
