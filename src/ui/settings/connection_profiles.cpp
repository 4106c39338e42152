#include "ui/settings/connection_profiles.h"

#include <stdexcept>

#include "runtime/ini_file.h"

namespace varnel::ui {

TConnectionProfile TConnectionProfile::NewProfile() {
  return {"New Connection", "0.0.0.0", "Anonymous", ""};
}

void TProfileTable::Check(int index) const {
  if (index < 0 || index >= count_) {
    throw std::out_of_range("profile index " + std::to_string(index) + " out of range");
  }
}

const TConnectionProfile& TProfileTable::Profile(int index) const {
  Check(index);
  return slots_[static_cast<std::size_t>(index)];
}

TConnectionProfile& TProfileTable::Profile(int index) {
  Check(index);
  return slots_[static_cast<std::size_t>(index)];
}

bool TProfileTable::Append(TConnectionProfile profile) {
  if (Full()) return false;
  slots_[static_cast<std::size_t>(count_++)] = std::move(profile);
  return true;
}

void TProfileTable::Remove(int index) {
  Check(index);
  for (int i = index; i + 1 < count_; ++i) {
    slots_[static_cast<std::size_t>(i)] = std::move(slots_[static_cast<std::size_t>(i + 1)]);
  }
  slots_[static_cast<std::size_t>(--count_)] = {};
}

void TProfileTable::Clear() {
  for (int i = 0; i < count_; ++i) slots_[static_cast<std::size_t>(i)] = {};
  count_ = 0;
}

std::vector<std::string> TProfileTable::Names() const {
  std::vector<std::string> names;
  for (int i = 0; i < count_; ++i) names.push_back(slots_[static_cast<std::size_t>(i)].Name);
  return names;
}

bool TProfileTable::operator==(const TProfileTable& other) const {
  if (count_ != other.count_) return false;
  for (int i = 0; i < count_; ++i) {
    if (!(Profile(i) == other.Profile(i))) return false;
  }
  return true;
}

int FindProfileByName(const TProfileTable& table, std::string_view name) {
  for (int i = table.ProfileCount() - 1; i >= 0; --i) {
    if (table.Profile(i).Name == name) return i;
  }
  return -1;
}

int FindNameIgnoringCase(const std::vector<std::string>& names, std::string_view name) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (runtime::EqualsIgnoringCase(names[i], name)) return static_cast<int>(i);
  }
  return -1;
}

int ReselectIndex(const std::vector<std::string>& names, std::string_view previous) {
  int found = FindNameIgnoringCase(names, previous);
  if (found >= 0) return found;
  return names.empty() ? -1 : 0;
}

TProfileChoice ChooseProfile(const TProfileTable& table, std::string_view selected_text) {
  int index = FindProfileByName(table, selected_text);
  if (index < 0) return {"", "", "127.0.0.1"};
  const TConnectionProfile& profile = table.Profile(index);
  return {profile.UserName, profile.Password, profile.Address};
}

}  // namespace varnel::ui
