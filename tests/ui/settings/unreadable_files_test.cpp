// The settings and profile files, unreadable at load: the first save keeps
// them aside (tests/runtime/unreadable_file_cases.h).
#include <gtest/gtest.h>

#include "runtime/ini_file.h"
#include "runtime/unreadable_file_cases.h"
#include "ui/settings/connection_manager_model.h"
#include "ui/settings/profile_file.h"
#include "ui/settings/settings_file.h"

namespace varnel::ui {
namespace {

using testing::ProgramFileOwner;
using testing::UnreadableCaseName;
using testing::UnreadableCases;
using testing::UnreadableProgramFile;

std::string Joined(const TManagerNotices& notices) {
  std::string text;
  for (const TManagerNotice& notice : notices) text += notice.Text + "\n";
  return text;
}

// The main window's load at its first show and its save on close.
const ProgramFileOwner kSettings{
    "Settings",
    [](const std::string& path) {
      runtime::UnreadableFileKeeper keeper;
      TStoredSettings values = LoadSettingsFile(path, {"/", {1024, 768}, {}}, nullptr, &keeper);
      values.LastConnection = "Marker";
      std::string kept;
      try {
        SaveSettingsFile(path, values, keeper, kept);
      } catch (const runtime::EIniFileException& error) {
        return kept + error.Reason();
      }
      return kept;
    },
    "LastConnection=Marker\r\n"};

// The connection manager's load at program start and a commit by Ok.
const ProgramFileOwner kProfiles{
    "Profiles",
    [](const std::string& path) {
      TConnectionManagerModel model(path);
      std::string shown;
      try {
        model.Load();
      } catch (const EProfileFileError& error) {
        shown = std::string(error.what()) + "\n";
      }
      model.Show();
      shown += Joined(model.AddNew());
      shown += Joined(model.Edit());
      model.SetBoxText(TProfileField::Name, "Marker");
      return shown + Joined(model.Ok());
    },
    "1\r\nMarker\r\n"};

TEST(BrokenProfileFile, IsKeptAsideByTheFirstCommit) {
  varnel::testing::TempFolder folder;
  const std::string path = folder.File("varnel-client.UCN");
  const std::string original = "two\r\nWork\r\nme\r\nsecret\r\nftp.example\r\n";
  varnel::testing::WriteBytes(path, original);
  EXPECT_EQ(kProfiles.load_change_save(path).rfind(std::string(kInvalidNumericInput), 0), 0u);
  EXPECT_EQ(varnel::testing::ReadBytes(path + ".unreadable"), original);
  EXPECT_EQ(varnel::testing::ReadBytes(path).rfind(kProfiles.marker, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Settings, UnreadableProgramFile, UnreadableCases(kSettings),
                         UnreadableCaseName);
INSTANTIATE_TEST_SUITE_P(Profiles, UnreadableProgramFile, UnreadableCases(kProfiles),
                         UnreadableCaseName);

}  // namespace
}  // namespace varnel::ui
