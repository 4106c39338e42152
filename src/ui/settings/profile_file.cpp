#include "ui/settings/profile_file.h"

#include <vector>

#include "runtime/atomic_file.h"
#include "runtime/program_files.h"

namespace varnel::ui {
namespace {

constexpr mode_t kPrivateMode = 0600;
constexpr int kLinesPerProfile = 4;

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    std::size_t end = bytes.find_first_of("\r\n");
    if (end == bytes.npos) end = bytes.size();
    lines.push_back(bytes.substr(0, end));
    if (end < bytes.size()) end += bytes.substr(end, 2) == "\r\n" ? 2 : 1;
    bytes.remove_prefix(end);
  }
  return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The count line's number, clamped to 0 ... MaxProfiles.
int ParseCount(std::string_view line) {
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  while (!line.empty() && IsBlank(line.back())) line.remove_suffix(1);
  bool negative = false;
  if (!line.empty() && (line.front() == '+' || line.front() == '-')) {
    negative = line.front() == '-';
    line.remove_prefix(1);
  }
  if (line.empty()) throw EProfileFileError(kInvalidNumericInput);
  int count = 0;
  for (char c : line) {
    if (c < '0' || c > '9') throw EProfileFileError(kInvalidNumericInput);
    if (count <= MaxProfiles) count = count * 10 + (c - '0');
  }
  if (negative) return 0;
  return count > MaxProfiles ? MaxProfiles : count;
}

std::string FieldLine(const std::string& field) {
  std::string line = field;
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line + "\r\n";
}

}  // namespace

TProfileTable ParseProfiles(std::string_view bytes) {
  std::vector<std::string_view> lines = SplitLines(bytes);
  TProfileTable table;
  if (lines.empty()) return table;
  int count = ParseCount(lines[0]);
  auto line = [&lines](std::size_t index) {
    return index < lines.size() ? std::string(lines[index]) : std::string();
  };
  for (int k = 0; k < count; ++k) {
    std::size_t first = 1 + static_cast<std::size_t>(k) * kLinesPerProfile;
    TConnectionProfile profile;
    profile.Name = line(first);
    profile.UserName = line(first + 1);
    profile.Password = line(first + 2);
    profile.Address = line(first + 3);
    table.Append(std::move(profile));
  }
  return table;
}

std::string FormatProfiles(const TProfileTable& table) {
  std::string bytes = std::to_string(table.ProfileCount()) + "\r\n";
  for (int k = 0; k < table.ProfileCount(); ++k) {
    const TConnectionProfile& profile = table.Profile(k);
    bytes += FieldLine(profile.Name);
    bytes += FieldLine(profile.UserName);
    bytes += FieldLine(profile.Password);
    bytes += FieldLine(profile.Address);
  }
  return bytes;
}

TProfileTable ReadProfileFile(const std::string& path, runtime::UnreadableFileKeeper* keeper) {
  std::string bytes;
  std::string error;
  const bool read = runtime::ReadProgramFile(path, bytes, &error);
  if (keeper) keeper->NoteLoad(read);
  if (!read) throw EProfileFileError(error);
  try {
    return ParseProfiles(bytes);
  } catch (const EProfileFileError&) {
    // Nothing of a file with a broken count line is loaded, so a save must
    // not replace it either: it is kept aside like an unreadable one.
    if (keeper) keeper->NoteLoad(false);
    throw;
  }
}

void WriteProfileFile(const std::string& path, const TProfileTable& table) {
  std::string error;
  if (!runtime::WriteFileAtomically(path, FormatProfiles(table), kPrivateMode, true, &error)) {
    throw EProfileFileError(error);
  }
}

}  // namespace varnel::ui
