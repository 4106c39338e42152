#include "ui/assoc/viewer_lookup.h"

#include <sys/stat.h>

#include "ui/assoc/assoc_text.h"

namespace varnel::ui {
namespace {

std::string RowExtension(std::string_view extension) {
  std::string upper = assoc_text::Upper(assoc_text::Trim(extension));
  if (!upper.empty() && upper.front() == '.') upper.erase(0, 1);
  return upper;
}

bool IsLargerThanNotepadLimit(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 &&
         static_cast<unsigned long long>(info.st_size) > kNotepadSizeLimit;
}

std::string FindWordPad(const std::vector<std::string>& paths) {
  std::string candidate;
  for (const std::string& path : paths) {
    struct stat info {};
    if (!path.empty() && path.front() == '/' && ::stat(path.c_str(), &info) == 0 &&
        S_ISREG(info.st_mode)) {
      candidate = path;
    }
  }
  return candidate;
}

}  // namespace

const std::vector<std::string>& DefaultWordPadPaths() {
  static const std::vector<std::string> paths{
      "c:\\program files\\accessories\\wordpad.exe",
      "c:\\program files\\windows NT\\accessories\\wordpad.exe",
      "c:\\windows\\wordpad.exe",
      "c:\\winNT\\wordpad.exe",
  };
  return paths;
}

std::string MissingViewerMessage(std::string_view path) {
  return "Unable to find a suitable viewer for the file \"" + std::string(path) +
         "\". Please specify a viewer application in the File Association Manager";
}

ViewerLookup GetViewer(const std::vector<Association>& rows, std::string_view path,
                       bool report_missing, bool limit50k,
                       const std::vector<std::string>& wordpad_paths) {
  ViewerLookup result;
  std::string extension = assoc_text::Upper(assoc_text::ExtensionWithDot(path));
  // A name ending in a dot has no extension either.
  if (extension.size() <= 1) return result;
  extension.erase(0, 1);

  for (const Association& row : rows) {
    if (RowExtension(row.extension) == extension) result.viewer = row.viewer;
  }

  std::string file(path);
  if (limit50k && assoc_text::Upper(result.viewer).find("NOTEPAD.EXE") != std::string::npos &&
      IsLargerThanNotepadLimit(file)) {
    std::string wordpad = FindWordPad(wordpad_paths);
    if (!wordpad.empty()) result.viewer = wordpad;
  }

  // A matching row with an empty viewer finds nothing either, and is
  // reported like a missing row.
  result.found = !result.viewer.empty();
  if (!result.found && report_missing) result.missing_message = MissingViewerMessage(path);
  return result;
}

}  // namespace varnel::ui
