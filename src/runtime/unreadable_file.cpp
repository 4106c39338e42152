#include "runtime/unreadable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace varnel::runtime {
namespace {

constexpr int kMaxKeptNames = 100;

std::string KeptName(const std::string& path, int number) {
  std::string name = path + ".unreadable";
  return number == 1 ? name : name + "-" + std::to_string(number);
}

// Never over an earlier kept file: that one is the user's data too. Some
// file systems lack the flag; they get a check before a plain rename.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info {};
  if (::lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

bool UnreadableFileKeeper::BeforeSave(const std::string& path, std::string& kept,
                                      std::string& error) {
  kept.clear();
  if (!unread_) return true;
  std::string target;
  int reason = EEXIST;
  for (int number = 1; number <= kMaxKeptNames && reason == EEXIST; ++number) {
    target = KeptName(path, number);
    if (RenameNoReplace(path, target)) {
      unread_ = false;
      kept = path + " could not be read, so it was kept as " + target +
             " instead of being replaced";
      return true;
    }
    reason = errno;
  }
  // Gone since the load: nothing is left that the save could replace.
  if (reason == ENOENT) {
    unread_ = false;
    return true;
  }
  error = path + " could not be read and could not be kept as " + target + ": " +
          std::strerror(reason) + "; it was not replaced";
  return false;
}

}  // namespace varnel::runtime
