#include "ui/settings/connection_manager_model.h"

#include "ui/settings/profile_file.h"

namespace varnel::ui {
namespace {

template <typename Profile>
auto& FieldOf(Profile& profile, TProfileField field) {
  switch (field) {
    case TProfileField::Address: return profile.Address;
    case TProfileField::UserName: return profile.UserName;
    case TProfileField::Password: return profile.Password;
    case TProfileField::Name: break;
  }
  return profile.Name;
}

}  // namespace

std::string DeleteQuestion(const std::string& name) {
  return "Are you sure that you want to delete the connection \"" + name + "\"?";
}

TConnectionManagerModel::TConnectionManagerModel(std::string profile_path)
    : path_(std::move(profile_path)) {}

void TConnectionManagerModel::Load() {
  table_.Clear();
  table_ = ReadProfileFile(path_, &keeper_);
}

const std::string& TConnectionManagerModel::BoxText(TProfileField field) const {
  return FieldOf(boxes_, field);
}

void TConnectionManagerModel::SetBoxText(TProfileField field, std::string text) {
  FieldOf(boxes_, field) = std::move(text);
}

bool TConnectionManagerModel::HasSelection() const {
  return selected_ >= 0 && selected_ < table_.ProfileCount();
}

void TConnectionManagerModel::Show() {
  selected_ = -1;
  editing_ = -1;
  boxes_ = {};
  edit_mode_ = false;
}

// Commits the boxes into profile `index` (none for -1) and rewrites the
// whole file. A failed write is reported; the table keeps the change.
TManagerNotices TConnectionManagerModel::SaveProfiles(int index) {
  if (index >= 0 && index < table_.ProfileCount()) table_.Profile(index) = boxes_;
  std::string kept;
  std::string refusal;
  if (!keeper_.BeforeSave(path_, kept, refusal)) return {{TManagerNotice::Kind::Error, refusal}};
  TManagerNotices notices;
  if (!kept.empty()) notices.push_back({TManagerNotice::Kind::Error, kept});
  try {
    WriteProfileFile(path_, table_);
  } catch (const EProfileFileError& error) {
    notices.push_back({TManagerNotice::Kind::Error, error.what()});
  }
  return notices;
}

// The selection's own steps: the selected profile becomes the edited one,
// its fields fill the boxes (empty without a selection), edit mode ends.
void TConnectionManagerModel::ShowSelection(int index) {
  selected_ = index >= 0 && index < table_.ProfileCount() ? index : -1;
  editing_ = selected_;
  boxes_ = selected_ >= 0 ? table_.Profile(selected_) : TConnectionProfile{};
  edit_mode_ = false;
}

TManagerNotices TConnectionManagerModel::Select(int index) {
  TManagerNotices notices;
  if (edit_mode_) notices = SaveProfiles(editing_);
  ShowSelection(index);
  return notices;
}

TManagerNotices TConnectionManagerModel::Edit() {
  if (!HasSelection()) return {{TManagerNotice::Kind::Warning, connection_manager_text::kNoSelection}};
  // Pressing Edit again keeps what was typed since the first press.
  if (!(edit_mode_ && editing_ == selected_)) boxes_ = table_.Profile(selected_);
  editing_ = selected_;
  edit_mode_ = true;
  return {};
}

TManagerNotices TConnectionManagerModel::AddNew() {
  if (table_.Full()) return {{TManagerNotice::Kind::Warning, connection_manager_text::kTableFull}};
  TManagerNotices notices;
  if (edit_mode_) notices = SaveProfiles(editing_);
  table_.Append(TConnectionProfile::NewProfile());
  // Selecting commits the open edits once more, now with the new profile
  // in the table, so the file then holds it too.
  TManagerNotices more = Select(table_.ProfileCount() - 1);
  notices.insert(notices.end(), more.begin(), more.end());
  return notices;
}

TManagerNotices TConnectionManagerModel::Delete(const Confirm& confirm) {
  if (!HasSelection()) return {{TManagerNotice::Kind::Warning, connection_manager_text::kNoSelection}};
  if (!confirm(DeleteQuestion(table_.Profile(selected_).Name))) return {};
  int removed = selected_;
  table_.Remove(removed);
  // Open edits belonged to the removed profile: dropped, never committed.
  edit_mode_ = false;
  ShowSelection(removed < table_.ProfileCount() ? removed : table_.ProfileCount() - 1);
  return SaveProfiles(-1);
}

TManagerNotices TConnectionManagerModel::Ok() {
  if (!edit_mode_) return {};
  return SaveProfiles(editing_);
}

}  // namespace varnel::ui
