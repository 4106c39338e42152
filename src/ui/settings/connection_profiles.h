// Saved connections: the profile table the connection manager owns and the
// lookups the main window makes in it.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct TConnectionProfile {
  std::string Name;
  std::string Address;
  std::string UserName;
  std::string Password;  // plain text

  // The profile "Add New" creates.
  static TConnectionProfile NewProfile();

  bool operator==(const TConnectionProfile&) const = default;
};

constexpr int MaxProfiles = 101;

// A fixed table of MaxProfiles slots, the first ProfileCount() in use, in
// list order. Indexes outside the used slots throw std::out_of_range.
class TProfileTable {
 public:
  int ProfileCount() const { return count_; }
  bool Full() const { return count_ == MaxProfiles; }

  const TConnectionProfile& Profile(int index) const;
  TConnectionProfile& Profile(int index);

  // Adds a profile after the last one; false (table unchanged) when full.
  bool Append(TConnectionProfile profile);
  // Removes a profile; the ones after it move up one slot.
  void Remove(int index);
  void Clear();

  std::vector<std::string> Names() const;

  bool operator==(const TProfileTable& other) const;

 private:
  void Check(int index) const;

  std::array<TConnectionProfile, MaxProfiles> slots_{};
  int count_ = 0;
};

// The index of the profile whose Name equals `name` exactly (letter case
// counts); the last equal one wins. -1 when none.
int FindProfileByName(const TProfileTable& table, std::string_view name);

// The first of `names` equal to `name` without regard to letter case, -1
// when none: how the remembered last connection is selected.
int FindNameIgnoringCase(const std::vector<std::string>& names, std::string_view name);

// The entry to select after the connection manager closed: the name shown
// before when still listed (letter case ignored), else the first, else -1.
int ReselectIndex(const std::vector<std::string>& names, std::string_view previous);

// What the main window takes from the profile chosen in its connection box.
struct TProfileChoice {
  std::string UserName;
  std::string Password;
  std::string HostName;

  bool operator==(const TProfileChoice&) const = default;
};

// The choice for `selected_text`; without a profile of that name the user
// name and password are empty and the host is "127.0.0.1".
TProfileChoice ChooseProfile(const TProfileTable& table, std::string_view selected_text);

}  // namespace varnel::ui
