// GetViewer: the viewer entry that the association table names for a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/assoc/association_table.h"

namespace varnel::ui {

// Files larger than this (49 KiB) go to WordPad instead of Notepad when the
// large-file flag is set.
inline constexpr unsigned long long kNotepadSizeLimit = 50176;

struct ViewerLookup {
  bool found = false;
  std::string viewer;
  // The warning to show when the caller asked for missing viewers to be
  // reported; empty otherwise.
  std::string missing_message;
};

// The places WordPad is looked for, in order; the last existing one wins.
// Only absolute paths count, so these never match on this system and no
// program is ever taken from the current folder.
const std::vector<std::string>& DefaultWordPadPaths();

// "Unable to find a suitable viewer for the file "<path>". Please ..."
std::string MissingViewerMessage(std::string_view path);

// Looks the file's extension up in `rows` (blanks around a row's extension,
// its letter case and one leading dot do not matter; the last matching row
// wins) and applies the Notepad/WordPad rule when `limit50k` is set.
ViewerLookup GetViewer(const std::vector<Association>& rows, std::string_view path,
                       bool report_missing, bool limit50k,
                       const std::vector<std::string>& wordpad_paths = DefaultWordPadPaths());

}  // namespace varnel::ui
