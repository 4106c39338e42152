#include "ui/assoc/viewer_scan.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/assoc/assoc_text.h"
#include "ui/assoc/viewer_command.h"

namespace varnel::ui {
namespace {

std::string JoinPath(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

// The canonical form of an absolute path, or nothing for a relative path or
// one that does not exist.
std::optional<std::string> Canonical(const std::string& path) {
  if (path.empty() || path.front() != '/') return std::nullopt;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

bool IsWithin(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '/');
}

// An executable regular file, reached through a symbolic link or not.
bool IsExecutableFile(int dir_fd, const char* name) {
  struct stat info {};
  return ::fstatat(dir_fd, name, &info, 0) == 0 && S_ISREG(info.st_mode) &&
         ::faccessat(dir_fd, name, X_OK, 0) == 0;
}

}  // namespace

std::vector<std::string> DefaultScanRoots() {
  std::vector<std::string> roots;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (!dirs.empty()) {
    std::size_t colon = dirs.find(':');
    std::string_view dir = dirs.substr(0, colon);
    if (!dir.empty() && dir.front() == '/') roots.emplace_back(dir);
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  roots.emplace_back("/usr/local");
  roots.emplace_back("/opt");
  if (const char* home = std::getenv("HOME"); home && *home == '/') {
    roots.push_back(JoinPath(home, ".local/bin"));
  }
  return roots;
}

std::vector<std::string> DefaultExcludedFolders() { return {"/proc", "/sys", "/dev"}; }

std::optional<std::size_t> PickViewer(const std::vector<std::string>& found,
                                      std::string_view program, std::string_view preferred) {
  std::optional<std::size_t> index;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (assoc_text::FileNamePart(found[i]) == program) index = i;
  }
  if (!preferred.empty()) {
    for (std::size_t i = 0; i < found.size(); ++i) {
      if (assoc_text::FileNamePart(found[i]) == preferred) index = i;
    }
  }
  return index;
}

std::string ViewerEntryFor(std::string_view path) {
  std::string entry = QuoteViewerWord(path);
  std::string_view option = WaitOption(assoc_text::FileNamePart(path));
  if (!option.empty()) {
    entry += ' ';
    entry += option;
  }
  return entry;
}

ViewerScan::ViewerScan(std::vector<std::string> roots, std::vector<std::string> excluded,
                       std::vector<ViewerRule> rules)
    : roots_(std::move(roots)), rules_(std::move(rules)), targets_(TargetNames(rules_)) {
  for (const std::string& folder : excluded) {
    excluded_.push_back(Canonical(folder).value_or(folder));
  }
}

bool ViewerScan::Run() {
  visited_.clear();
  found_.clear();
  results_.clear();
  for (const std::string& root : roots_) {
    if (CancelRequested()) return false;
    // A root may itself be a link (/bin to /usr/bin): it is named on purpose,
    // so it is resolved; links met during the walk are not followed.
    if (std::optional<std::string> canonical = Canonical(root)) WalkRoot(*canonical);
  }
  if (CancelRequested()) return false;
  PickResults();
  return true;
}

void ViewerScan::WalkRoot(const std::string& root) {
  if (!MayEnter(root)) return;
  std::vector<Frame> stack;
  stack.push_back(OpenFrame(root));
  while (!stack.empty() && !CancelRequested()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.entries.size()) {
      stack.pop_back();
      continue;
    }
    const Entry& entry = frame.entries[frame.next++];
    std::string path = JoinPath(frame.folder, entry.name);
    // A path with a line break cannot be stored in the association file.
    bool storable = path.find_first_of("\r\n") == std::string::npos;
    if (entry.is_target && storable) found_.push_back(path);
    if (entry.is_folder && entry.name.front() != '.' && MayEnter(path)) {
      stack.push_back(OpenFrame(path));  // invalidates `frame`
    }
  }
}

bool ViewerScan::MayEnter(const std::string& folder) {
  for (const std::string& excluded : excluded_) {
    if (IsWithin(folder, excluded)) return false;
  }
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  // Each folder once, however it is reached (a root inside another root, a
  // bind mount).
  return visited_.emplace(info.st_dev, info.st_ino).second;
}

ViewerScan::Frame ViewerScan::OpenFrame(const std::string& folder) {
  Frame frame{folder, {}, 0};
  if (on_folder_) on_folder_(folder);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return frame;  // a folder that cannot be listed yields nothing
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return frame;
  }
  // A cancelled walk leaves the rest of a large folder unread.
  while (!CancelRequested()) {
    const dirent* item = ::readdir(dir);
    if (!item) break;
    std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (::fstatat(fd, item->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    Entry entry{std::string(name), S_ISDIR(info.st_mode), false};
    if (!entry.is_folder && std::find(targets_.begin(), targets_.end(), name) != targets_.end()) {
      entry.is_target = IsExecutableFile(fd, item->d_name);
    }
    frame.entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  std::sort(frame.entries.begin(), frame.entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return frame;
}

void ViewerScan::PickResults() {
  for (const ViewerRule& rule : rules_) {
    std::optional<std::size_t> index = PickViewer(found_, rule.program, rule.preferred);
    if (index) results_.push_back({std::string(rule.extension), ViewerEntryFor(found_[*index])});
  }
}

}  // namespace varnel::ui
