#include "runtime/program_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/atomic_file.h"

namespace varnel::runtime {
namespace {

constexpr const char* kDefaultName = "varnel-client";
constexpr const char* kConfigSubfolder = "varnel-client";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::string FolderOf(const std::string& executable_path) {
  std::size_t slash = executable_path.rfind('/');
  if (slash == std::string::npos) return "./";
  return executable_path.substr(0, slash + 1);
}

std::string NameOf(const std::string& executable_path) {
  std::string name = executable_path.substr(executable_path.rfind('/') + 1);
  return name.empty() ? kDefaultName : name;
}

bool IsWritableFolder(const std::string& folder) {
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string ConfigFolder() {
  std::string base = Environment("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') base = WithSlash(HomeFolder()) + ".config";
  return WithSlash(base) + kConfigSubfolder + "/";
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string ExecutablePath() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= path.size()) return {};
  path.resize(static_cast<std::size_t>(n));
  return path;
}

std::string ProgramFolder(const std::string& executable_path, std::string* error) {
  std::string folder = Environment("VARNEL_HOME");
  if (folder.empty()) {
    folder = FolderOf(executable_path);
    if (!IsWritableFolder(folder)) folder = ConfigFolder();
  }
  folder = WithSlash(folder);
  MakeFolders(folder, 0700, error);
  return folder;
}

ProgramFilePaths ProgramFilesIn(const std::string& folder, const std::string& executable_path) {
  ProgramFilePaths paths;
  paths.folder = WithSlash(folder);
  std::string base = paths.folder + NameOf(executable_path);
  paths.settings = base + ".INI";
  paths.profiles = base + ".UCN";
  paths.associations = base + ".EXT";
  paths.cache_folder = paths.folder + "Cache/";
  paths.listing = paths.folder + "FTPDIR.TXT";
  return paths;
}

ProgramFilePaths LocateProgramFiles(const std::string& executable_path, std::string* error) {
  return ProgramFilesIn(ProgramFolder(executable_path, error), executable_path);
}

std::string DefaultLocalDir() {
  std::string home = HomeFolder();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return WithSlash(home);
}

bool MakeFolders(const std::string& path, mode_t mode, std::string* error) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string prefix = path.substr(0, slash);
    if (!prefix.empty() && !IsFolder(prefix) && ::mkdir(prefix.c_str(), mode) != 0 &&
        errno != EEXIST) {
      if (error) *error = prefix + ": " + std::strerror(errno);
      return false;
    }
    if (slash == std::string::npos) break;
  }
  if (IsFolder(path)) return true;
  if (error) *error = path + ": " + std::strerror(ENOTDIR);
  return false;
}

bool ReadProgramFile(const std::string& path, std::string& bytes, std::string* error) {
  std::string reason;
  if (ReadWholeFile(path, bytes, &reason)) return true;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 && errno == ENOENT) return true;
  if (error) *error = reason;
  return false;
}

}  // namespace varnel::runtime
