#include "ui/assoc/viewer_command.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace varnel::ui {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

// Reads one word starting at `pos` (not on a blank) and advances `pos`.
bool ReadWord(std::string_view entry, std::size_t& pos, std::string& word, std::string* error) {
  while (pos < entry.size() && !IsBlank(entry[pos])) {
    char c = entry[pos++];
    if (c == '\'') {
      std::size_t close = entry.find('\'', pos);
      if (close == std::string_view::npos) return Fail(error, "Unclosed quote in viewer entry");
      word.append(entry.substr(pos, close - pos));
      pos = close + 1;
    } else if (c == '"') {
      for (;;) {
        if (pos >= entry.size()) return Fail(error, "Unclosed quote in viewer entry");
        char d = entry[pos++];
        if (d == '"') break;
        if (d == '\\' && pos < entry.size() && (entry[pos] == '"' || entry[pos] == '\\')) {
          d = entry[pos++];
        }
        word += d;
      }
    } else if (c == '\\') {
      if (pos >= entry.size()) return Fail(error, "Trailing backslash in viewer entry");
      word += entry[pos++];
    } else {
      word += c;
    }
  }
  return true;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> SearchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (!dirs.empty()) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    // Only absolute directories: an empty or relative entry would mean the
    // current folder, and a viewer must never be taken from there.
    if (!dir.empty() && dir.front() == '/') {
      std::string candidate = std::string(dir) + "/" + name;
      if (IsRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return std::nullopt;
}

}  // namespace

std::optional<ViewerCommand> ParseViewerCommand(std::string_view entry, std::string* error) {
  ViewerCommand command;
  if (entry.find('\0') != std::string_view::npos) {
    Fail(error, "NUL byte in viewer entry");
    return std::nullopt;
  }
  if (!entry.empty() && entry.front() == '%') {
    command.skip_check = true;
    entry.remove_prefix(1);
  }
  std::size_t pos = 0;
  for (;;) {
    while (pos < entry.size() && IsBlank(entry[pos])) ++pos;
    if (pos >= entry.size()) break;
    std::string word;
    if (!ReadWord(entry, pos, word, error)) return std::nullopt;
    command.words.push_back(std::move(word));
  }
  if (command.words.empty() || command.words.front().empty()) {
    Fail(error, "No program in viewer entry");
    return std::nullopt;
  }
  return command;
}

std::string QuoteViewerWord(std::string_view word) {
  bool plain = !word.empty() && word.find_first_of(" \t'\"\\") == std::string_view::npos &&
               word.front() != '%';
  if (plain) return std::string(word);
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::optional<std::string> ResolveViewerProgram(const ViewerCommand& command) {
  if (command.words.empty()) return std::nullopt;
  const std::string& program = command.words.front();
  if (command.skip_check) return program;
  if (program.find('/') == std::string::npos) return SearchPath(program);
  // A relative path with "/" would still depend on the current folder.
  if (program.front() != '/') return std::nullopt;
  if (IsRegularFile(program)) return program;
  return std::nullopt;
}

std::vector<std::string> ViewerArguments(const ViewerCommand& command, const std::string& program,
                                         const std::string& file) {
  std::vector<std::string> arguments;
  arguments.reserve(command.words.size() + 1);
  arguments.push_back(program);
  arguments.insert(arguments.end(), command.words.begin() + 1, command.words.end());
  arguments.push_back(file);
  return arguments;
}

}  // namespace varnel::ui
