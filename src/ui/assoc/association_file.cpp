#include "ui/assoc/association_file.h"

#include <cerrno>
#include <charconv>
#include <sys/stat.h>

#include "runtime/atomic_file.h"
#include "ui/assoc/assoc_text.h"

namespace varnel::ui {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

// A decimal count with optional surrounding blanks and sign; false when the
// line is anything else or does not fit.
bool ParseCount(std::string_view line, long long& count) {
  line = assoc_text::Trim(line);
  if (!line.empty() && line.front() == '+') line.remove_prefix(1);
  const char* end = line.data() + line.size();
  auto [ptr, ec] = std::from_chars(line.data(), end, count);
  return ec == std::errc() && ptr == end && !line.empty();
}

std::string_view LineOrEmpty(const std::vector<std::string_view>& lines, std::size_t index) {
  return index < lines.size() ? lines[index] : std::string_view();
}

std::vector<Association> TakeRows(const std::vector<std::string_view>& lines,
                                  std::size_t wanted) {
  std::vector<Association> rows;
  for (std::size_t k = 0; k < wanted; ++k) {
    std::size_t extension_line = 1 + 2 * k;
    if (extension_line >= lines.size()) break;
    rows.push_back({std::string(lines[extension_line]),
                    std::string(LineOrEmpty(lines, extension_line + 1))});
  }
  return rows;
}

bool HasLineBreak(const std::string& cell) {
  return cell.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

ParsedAssociations ParseAssociationFile(std::string_view bytes) {
  ParsedAssociations parsed;
  std::vector<std::string_view> lines = SplitLines(bytes);
  if (lines.empty()) return parsed;

  std::size_t pairs_present = lines.size() / 2;  // lines after the count line
  long long count = 0;
  if (!ParseCount(lines.front(), count) || count < 0) {
    parsed.error = std::string(kInvalidNumericInput);
    parsed.rows = TakeRows(lines, pairs_present);
    return parsed;
  }
  std::size_t wanted = static_cast<unsigned long long>(count) < lines.size()
                           ? static_cast<std::size_t>(count)
                           : lines.size();
  parsed.rows = TakeRows(lines, wanted);
  return parsed;
}

bool FormatAssociationFile(const std::vector<Association>& rows, std::string& bytes,
                           std::string* error) {
  bytes.clear();
  std::string text = std::to_string(rows.size());
  text += kLineEnd;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (HasLineBreak(rows[i].extension) || HasLineBreak(rows[i].viewer)) {
      if (error) *error = "Association row " + std::to_string(i + 1) + " holds a line break";
      return false;
    }
    text += rows[i].extension;
    text += kLineEnd;
    text += rows[i].viewer;
    text += kLineEnd;
  }
  bytes = std::move(text);
  return true;
}

LoadedAssociations LoadAssociationFile(const std::string& path,
                                       runtime::UnreadableFileKeeper* keeper) {
  LoadedAssociations loaded;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) {
    if (keeper) keeper->NoteLoad(true);
    return loaded;
  }
  loaded.exists = true;
  std::string bytes;
  const bool read = runtime::ReadWholeFile(path, bytes, &loaded.error);
  if (keeper) keeper->NoteLoad(read);
  if (!read) return loaded;
  ParsedAssociations parsed = ParseAssociationFile(bytes);
  loaded.rows = std::move(parsed.rows);
  loaded.error = std::move(parsed.error);
  return loaded;
}

bool SaveAssociationFile(const std::string& path, const std::vector<Association>& rows,
                         std::string* error) {
  std::string bytes;
  if (!FormatAssociationFile(rows, bytes, error)) return false;
  return runtime::WriteFileAtomically(path, bytes, 0644, false, error);
}

}  // namespace varnel::ui
