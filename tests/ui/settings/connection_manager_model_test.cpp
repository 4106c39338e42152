#include "ui/settings/connection_manager_model.h"

#include <gtest/gtest.h>

#include "runtime/test_temp_folder.h"
#include "ui/settings/profile_file.h"

namespace varnel::ui {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

constexpr const char* kNoSelection = "Please select a conenction before hitting the Edit button";
const TManagerNotices kWarnNoSelection{{TManagerNotice::Kind::Warning, kNoSelection}};

bool Yes(const std::string&) { return true; }

class ConnectionManagerTest : public ::testing::Test {
 protected:
  // A manager whose file holds `profiles`, loaded and shown.
  TConnectionManagerModel& Open(std::initializer_list<TConnectionProfile> profiles) {
    TProfileTable table;
    for (const TConnectionProfile& profile : profiles) table.Append(profile);
    WriteProfileFile(path_, table);
    return OpenAsIs();
  }
  TConnectionManagerModel& OpenAsIs() {
    model_.Load();
    model_.Show();
    return model_;
  }
  std::string FileBytes() const { return ReadBytes(path_); }

  TempFolder folder_;
  std::string path_ = folder_.File("varnel-client.UCN");
  TConnectionManagerModel model_{path_};
};

TEST_F(ConnectionManagerTest, WithoutAFileNothingIsListedAndEditDeleteWarn) {
  TConnectionManagerModel& m = OpenAsIs();
  EXPECT_TRUE(m.ListItems().empty());
  EXPECT_EQ(m.Edit(), kWarnNoSelection);
  bool asked = false;
  EXPECT_EQ(m.Delete([&asked](const std::string&) { return asked = true; }), kWarnNoSelection);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(m.EditMode());
  EXPECT_FALSE(Exists(path_));
}

TEST_F(ConnectionManagerTest, AddNewEditTypeOkWritesTheProfile) {
  TConnectionManagerModel& m = OpenAsIs();
  EXPECT_TRUE(m.AddNew().empty());
  EXPECT_EQ(m.SelectedIndex(), 0);
  EXPECT_FALSE(m.EditMode()) << "a new profile is shown with the boxes disabled";
  EXPECT_EQ(m.Boxes(), TConnectionProfile::NewProfile());
  EXPECT_TRUE(m.Edit().empty());
  EXPECT_TRUE(m.EditMode());
  m.SetBoxText(TProfileField::Name, "Typed");
  EXPECT_TRUE(m.Ok().empty());
  EXPECT_EQ(FileBytes(), "1\r\nTyped\r\nAnonymous\r\n\r\n0.0.0.0\r\n");
  EXPECT_EQ(m.ListItems(), std::vector<std::string>{"Typed"});
}

TEST_F(ConnectionManagerTest, AddNewWithoutEditStaysInMemoryOnly) {
  TConnectionManagerModel& m = Open({{"Old", "a", "u", "p"}});
  const std::string before = FileBytes();
  m.AddNew();
  m.Ok();
  EXPECT_EQ(m.Profiles().Names(), (std::vector<std::string>{"Old", "New Connection"}));
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ConnectionManagerTest, AddNewWhileEditingCommitsAndWritesTheNewProfileToo) {
  TConnectionManagerModel& m = Open({{"Old", "a", "u", "p"}});
  m.Select(0);
  m.Edit();
  m.SetBoxText(TProfileField::Address, "b.example");
  EXPECT_TRUE(m.AddNew().empty());
  EXPECT_EQ(m.Profiles().Profile(0).Address, "b.example");
  EXPECT_EQ(FileBytes(),
            "2\r\nOld\r\nu\r\np\r\nb.example\r\nNew Connection\r\nAnonymous\r\n\r\n0.0.0.0\r\n");
  EXPECT_EQ(m.SelectedIndex(), 1);
  EXPECT_EQ(m.EditingIndex(), 1);
  EXPECT_FALSE(m.EditMode());
}

TEST_F(ConnectionManagerTest, AddNewOnAFullTableWarnsAndChangesNothing) {
  TProfileTable table;
  for (int i = 0; i < MaxProfiles; ++i) table.Append({"p" + std::to_string(i), "", "", ""});
  WriteProfileFile(path_, table);
  TConnectionManagerModel& m = OpenAsIs();
  m.Select(5);
  m.Edit();
  m.SetBoxText(TProfileField::Name, "typed");
  TManagerNotices notices = m.AddNew();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].NoticeKind, TManagerNotice::Kind::Warning);
  EXPECT_EQ(m.Profiles().ProfileCount(), MaxProfiles);
  EXPECT_TRUE(m.EditMode()) << "the open edit survives";
  EXPECT_EQ(m.BoxText(TProfileField::Name), "typed");
  EXPECT_EQ(ReadProfileFile(path_), table);
}

TEST_F(ConnectionManagerTest, SelectingCommitsOpenEditsThenShowsTheNewSelection) {
  TConnectionManagerModel& m = Open({{"A", "ha", "ua", "pa"}, {"B", "hb", "ub", "pb"}});
  m.Select(0);
  EXPECT_EQ(m.Boxes(), m.Profiles().Profile(0));
  m.Edit();
  m.SetBoxText(TProfileField::Name, "A2");
  m.SetBoxText(TProfileField::Password, "new");
  EXPECT_TRUE(m.Select(1).empty());
  EXPECT_EQ(m.Profiles().Profile(0), (TConnectionProfile{"A2", "ha", "ua", "new"}));
  EXPECT_EQ(m.ListItems(), (std::vector<std::string>{"A2", "B"}));
  EXPECT_EQ(m.SelectedIndex(), 1);
  EXPECT_EQ(m.EditingIndex(), 1);
  EXPECT_EQ(m.Boxes(), m.Profiles().Profile(1));
  EXPECT_FALSE(m.EditMode());
  EXPECT_EQ(ReadProfileFile(path_), m.Profiles());
}

TEST_F(ConnectionManagerTest, SelectingWithoutEditModeWritesNothing) {
  TConnectionManagerModel& m = Open({{"A", "ha", "ua", "pa"}, {"B", "hb", "ub", "pb"}});
  ASSERT_EQ(::unlink(path_.c_str()), 0);
  m.Select(1);
  m.Select(0);
  m.Select(-1);
  EXPECT_FALSE(Exists(path_));
  EXPECT_EQ(m.Boxes(), TConnectionProfile{});
  EXPECT_EQ(m.EditingIndex(), -1);
}

TEST_F(ConnectionManagerTest, OutOfRangeSelectionMeansNone) {
  TConnectionManagerModel& m = Open({{"A", "ha", "ua", "pa"}});
  m.Select(7);
  EXPECT_EQ(m.SelectedIndex(), -1);
  EXPECT_EQ(m.Edit(), kWarnNoSelection);
}

TEST_F(ConnectionManagerTest, EditAgainKeepsWhatWasTyped) {
  TConnectionManagerModel& m = Open({{"A", "ha", "ua", "pa"}});
  m.Select(0);
  m.Edit();
  m.SetBoxText(TProfileField::UserName, "typed");
  m.Edit();
  EXPECT_EQ(m.BoxText(TProfileField::UserName), "typed");
  m.Ok();
  EXPECT_EQ(m.Profiles().Profile(0).UserName, "typed");
}

TEST_F(ConnectionManagerTest, ClosingWithoutOkDropsOpenEdits) {
  TConnectionManagerModel& m = Open({{"A", "ha", "ua", "pa"}});
  const std::string before = FileBytes();
  m.Select(0);
  m.Edit();
  m.SetBoxText(TProfileField::Name, "lost");
  m.Show();  // next opening
  EXPECT_EQ(m.Boxes(), TConnectionProfile{});
  EXPECT_FALSE(m.EditMode());
  EXPECT_EQ(m.SelectedIndex(), -1);
  EXPECT_EQ(m.EditingIndex(), -1);
  EXPECT_EQ(m.Profiles().Profile(0).Name, "A");
  EXPECT_EQ(FileBytes(), before);
}

TEST_F(ConnectionManagerTest, DeleteAsksWithTheNameAndNoChangesNothing) {
  TConnectionManagerModel& m = Open({{"My \"Box\"", "h", "u", "p"}});
  const std::string before = FileBytes();
  ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
  m.Select(0);
  std::string question;
  EXPECT_TRUE(m.Delete([&question](const std::string& text) {
                 question = text;
                 return false;
               }).empty());
  EXPECT_EQ(question, "Are you sure that you want to delete the connection \"My \"Box\"\"?");
  EXPECT_EQ(m.Profiles().ProfileCount(), 1);
  EXPECT_EQ(m.SelectedIndex(), 0);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(testing::ModeOf(path_), 0644u) << "the file was rewritten";
}

TEST_F(ConnectionManagerTest, DeletingTheOnlyProfileLeavesNothingAndWritesZero) {
  TConnectionManagerModel& m = Open({{"Only", "h", "u", "p"}});
  m.Select(0);
  EXPECT_TRUE(m.Delete(Yes).empty());
  EXPECT_TRUE(m.ListItems().empty());
  EXPECT_EQ(m.SelectedIndex(), -1);
  EXPECT_EQ(m.EditingIndex(), -1);
  EXPECT_EQ(m.Boxes(), TConnectionProfile{});
  EXPECT_EQ(FileBytes(), "0\r\n");
}

TEST_F(ConnectionManagerTest, DeletingWhileEditingDropsTheEditsOnly) {
  TConnectionManagerModel& m =
      Open({{"A", "ha", "ua", "pa"}, {"B", "hb", "ub", "pb"}, {"C", "hc", "uc", "pc"}});
  m.Select(1);
  m.Edit();
  m.SetBoxText(TProfileField::Name, "edited B");
  m.SetBoxText(TProfileField::Address, "edited.host");
  EXPECT_TRUE(m.Delete(Yes).empty());
  EXPECT_EQ(m.Profiles().Names(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(m.Profiles().Profile(1), (TConnectionProfile{"C", "hc", "uc", "pc"}));
  EXPECT_EQ(m.SelectedIndex(), 1);
  EXPECT_EQ(m.EditingIndex(), 1);
  EXPECT_EQ(m.Boxes(), m.Profiles().Profile(1));
  EXPECT_FALSE(m.EditMode());
  EXPECT_EQ(ReadProfileFile(path_), m.Profiles());
  m.Ok();
  EXPECT_EQ(m.Profiles().Profile(1).Name, "C");
}

struct DeleteCase {
  int count;
  int removed;
  int selected_after;
};

class DeleteSelectionTest : public ConnectionManagerTest,
                            public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteSelectionTest, SelectsTheSamePositionOrTheLast) {
  TProfileTable table;
  for (int i = 0; i < GetParam().count; ++i) table.Append({"p" + std::to_string(i), "", "", ""});
  WriteProfileFile(path_, table);
  TConnectionManagerModel& m = OpenAsIs();
  m.Select(GetParam().removed);
  m.Delete(Yes);
  EXPECT_EQ(m.SelectedIndex(), GetParam().selected_after);
  EXPECT_EQ(m.EditingIndex(), GetParam().selected_after);
  table.Remove(GetParam().removed);
  EXPECT_EQ(m.Profiles(), table);
  EXPECT_EQ(ReadProfileFile(path_), table);
}

INSTANTIATE_TEST_SUITE_P(Positions, DeleteSelectionTest,
                         ::testing::Values(DeleteCase{3, 0, 0}, DeleteCase{3, 1, 1},
                                           DeleteCase{3, 2, 1}, DeleteCase{1, 0, -1},
                                           DeleteCase{2, 1, 0}),
                         [](const auto& test) {
                           return "of" + std::to_string(test.param.count) + "_remove" +
                                  std::to_string(test.param.removed);
                         });

TEST_F(ConnectionManagerTest, FailedWriteIsReportedAndTheTableKeepsTheChange) {
  TConnectionManagerModel m(folder_.File("missing/x.UCN"));
  m.Load();
  m.Show();
  m.AddNew();
  m.Edit();
  m.SetBoxText(TProfileField::Name, "kept");
  TManagerNotices notices = m.Select(-1);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].NoticeKind, TManagerNotice::Kind::Error);
  EXPECT_NE(notices[0].Text.find("missing/x.UCN"), std::string::npos) << notices[0].Text;
  EXPECT_EQ(m.Profiles().Profile(0).Name, "kept");
  EXPECT_EQ(m.SelectedIndex(), -1) << "the selection still completes";
  EXPECT_FALSE(m.EditMode());
}

TEST_F(ConnectionManagerTest, InvalidCountLineIsReportedAndLeavesTheTableEmpty) {
  WriteProfileFile(path_, TProfileTable{});
  TConnectionManagerModel& m = OpenAsIs();
  m.AddNew();
  WriteBytes(path_, "many\r\nA\r\nu\r\np\r\nh\r\n");
  try {
    m.Load();
    FAIL() << "loaded";
  } catch (const EProfileFileError& error) {
    EXPECT_STREQ(error.what(), "Invalid numeric input");
  }
  EXPECT_EQ(m.Profiles().ProfileCount(), 0);
}

}  // namespace
}  // namespace varnel::ui
