// The connection manager's behaviour without its window: the list, the
// selection, the four edit boxes and when their text reaches the profile
// table and the profile file. The dialog binds its widgets to this state,
// passes the user's actions in and shows the notices that come back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "runtime/unreadable_file.h"
#include "ui/settings/connection_profiles.h"

namespace varnel::ui {

namespace connection_manager_text {
inline constexpr const char* kCaption = "Connection Manager";
inline constexpr const char* kConnectionsLabel = "Connections";
inline constexpr const char* kNameLabel = "Connection Name";
inline constexpr const char* kAddressLabel = "Address";
inline constexpr const char* kUserNameLabel = "Default User Name";
inline constexpr const char* kPasswordLabel = "Default Password";
inline constexpr const char* kAddNewButton = "Add New";
inline constexpr const char* kDeleteButton = "Delete";
inline constexpr const char* kEditButton = "Edit";
inline constexpr const char* kOkButton = "Ok";
inline constexpr const char* kNoSelection = "Please select a conenction before hitting the Edit button";
inline constexpr const char* kTableFull = "The connection list is full: delete a connection first";
}  // namespace connection_manager_text

// The question Delete asks before removing the profile called `name`.
std::string DeleteQuestion(const std::string& name);

// A message box the dialog shows after an action: a warning with OK, or an
// error with OK for a profile file that could not be written.
struct TManagerNotice {
  enum class Kind { Warning, Error };
  Kind NoticeKind;
  std::string Text;

  bool operator==(const TManagerNotice&) const = default;
};
using TManagerNotices = std::vector<TManagerNotice>;

enum class TProfileField { Name, Address, UserName, Password };

class TConnectionManagerModel {
 public:
  // Asked with DeleteQuestion(); true for Yes.
  using Confirm = std::function<bool(const std::string& question)>;

  explicit TConnectionManagerModel(std::string profile_path);

  // At program start: reads the profile file. Throws EProfileFileError (the
  // table stays empty then); a missing file gives an empty table. A file
  // that could not be read is kept aside by the first commit, which reports
  // where.
  void Load();

  const TProfileTable& Profiles() const { return table_; }
  const std::string& ProfilePath() const { return path_; }

  // State the dialog shows. The list holds the profile names in table order.
  std::vector<std::string> ListItems() const { return table_.Names(); }
  int SelectedIndex() const { return selected_; }
  int EditingIndex() const { return editing_; }
  // The four edit boxes are enabled exactly in edit mode.
  bool EditMode() const { return edit_mode_; }
  const TConnectionProfile& Boxes() const { return boxes_; }
  const std::string& BoxText(TProfileField field) const;
  // Text the user typed into a box.
  void SetBoxText(TProfileField field, std::string text);

  // Each opening of the dialog: nothing selected, boxes empty and disabled.
  void Show();
  // The user selected list entry `index` (-1, or any index outside the
  // list, for none): commits open edits to the profile being edited, then
  // shows the selected profile with the boxes disabled.
  TManagerNotices Select(int index);
  // Enables the boxes for the selected profile.
  TManagerNotices Edit();
  // Commits open edits, appends a profile with the defaults and selects it.
  TManagerNotices AddNew();
  // Asks `confirm`, then removes the selected profile (open edits are
  // dropped), selects its neighbour and rewrites the file.
  TManagerNotices Delete(const Confirm& confirm);
  // Commits open edits; the dialog closes afterwards. Closing with the
  // window's close box calls nothing: open edits are lost.
  TManagerNotices Ok();

 private:
  TManagerNotices SaveProfiles(int index);
  void ShowSelection(int index);
  bool HasSelection() const;

  std::string path_;
  runtime::UnreadableFileKeeper keeper_;
  TProfileTable table_;
  int selected_ = -1;
  int editing_ = -1;
  bool edit_mode_ = false;
  TConnectionProfile boxes_;
};

}  // namespace varnel::ui
