// Viewer entries of the association table: a program path, optionally
// followed by arguments ("/usr/bin/gedit --wait"). They are split into words
// here, never by a shell: nothing is expanded, and the file to open is
// passed as one more word.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::ui {

struct ViewerCommand {
  std::vector<std::string> words;  // program first, then its arguments
  bool skip_check = false;         // the entry began with "%"
};

// Splits an entry into words separated by blanks (space or tab). Single
// quotes keep everything up to the closing quote; double quotes do the same
// except that \" and \\ stand for " and \; outside quotes a backslash keeps
// the next character as it is. A leading "%" is dropped and marks an entry
// whose program is not checked for existence. Returns nothing, with a reason
// in `error`, for an unclosed quote, a trailing backslash, a NUL byte or an
// entry without any word.
std::optional<ViewerCommand> ParseViewerCommand(std::string_view entry,
                                                std::string* error = nullptr);

// One word written so that ParseViewerCommand gives it back unchanged:
// quoted only when it holds blanks, quotes, backslashes or is empty.
std::string QuoteViewerWord(std::string_view word);

// The program to start: for a checked entry, its first word when that names
// an existing regular file, or, for a bare name without "/", the first
// executable of that name in the PATH directories; a relative name is never
// taken from the current folder. An entry marked with "%" gives its first
// word unchecked. Nothing when the program cannot be found.
std::optional<std::string> ResolveViewerProgram(const ViewerCommand& command);

// The argument list for opening `file`: the entry's words with the resolved
// program in front and the file as the last word.
std::vector<std::string> ViewerArguments(const ViewerCommand& command,
                                         const std::string& program, const std::string& file);

}  // namespace varnel::ui
