#include "ui/main/local_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <memory>

#include "listing/listing_paths.h"

namespace varnel::ui {
namespace {

using listing::EntryKind;

listing::EntryTime TimeOf(const struct stat& info) {
  return listing::EntryTime{std::chrono::sys_seconds(std::chrono::seconds(info.st_mtim.tv_sec)),
                            listing::TimePrecision::kSecond};
}

// The row of the entry `name` in the open folder `dir`.
listing::ListingRow LocalRow(int dir, const std::string& name,
                             const listing::ListingLookups& lookups) {
  listing::ListingEntry entry;
  entry.Name = name;
  entry.Kind = EntryKind::kFile;
  struct stat info {};
  bool link = false;
  if (::fstatat(dir, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
    link = true;
    struct stat target {};
    if (::fstatat(dir, name.c_str(), &target, 0) == 0) info = target;
  }
  if (S_ISDIR(info.st_mode)) entry.Kind = EntryKind::kFolder;
  entry.Size = S_ISDIR(info.st_mode) ? 0 : static_cast<std::int64_t>(info.st_size);
  entry.Modified = TimeOf(info);
  listing::ListingRow row = listing::MakeLocalRow(entry, std::string(), lookups);
  row.Link = link;
  return row;
}

// The device of `path`, or of its nearest existing parent; -1 when none.
dev_t DeviceOf(std::string path) {
  struct stat info {};
  while (!path.empty()) {
    if (::stat(path.c_str(), &info) == 0) return info.st_dev;
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) break;
    path.resize(slash);
  }
  return static_cast<dev_t>(-1);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A trash at the top of the file system that holds `folder`: an existing
// ".Trash/<uid>" or ".Trash-<uid>", or a top folder where the latter can
// be made.
bool TopTrashAvailable(const std::string& folder) {
  const std::string top = QStorageInfo(QString::fromStdString(folder)).rootPath().toStdString();
  if (top.empty()) return false;
  const std::string uid = std::to_string(::getuid());
  const std::string base = top == "/" ? "" : top;
  return IsFolder(base + "/.Trash/" + uid) || IsFolder(base + "/.Trash-" + uid) ||
         ::access(top.c_str(), W_OK) == 0;
}

}  // namespace

bool IsHiddenName(const std::string& name) {
  return !name.empty() && name.front() == '.' && name != "." && name != "..";
}

TLocalFolderRead ReadLocalFolder(const std::string& folder, bool show_hidden,
                                 const listing::ListingLookups& lookups) {
  TLocalFolderRead read;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) {
    read.Error = errno;
    return read;
  }
  const int fd = ::dirfd(dir.get());
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry) break;
    const std::string name = entry->d_name;
    if (!show_hidden && IsHiddenName(name)) continue;
    read.Rows.push_back(LocalRow(fd, name, lookups));
  }
  if (errno != 0) {
    read.Error = errno;
    read.Rows.clear();
  }
  return read;
}

std::string UnreadableFolderText(const std::string& folder, int error) {
  return "Unable to read the folder \"" + folder + "\": " + std::strerror(error);
}

bool MakeLocalFolder(const std::string& folder, const std::string& name) {
  const std::optional<std::string> path = listing::JoinLocalPath(folder, name);
  return path && ::mkdir(path->c_str(), 0777) == 0;
}

bool TrashAvailable(const std::string& folder) {
  const std::string home_trash =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
      "/Trash";
  if (DeviceOf(folder) == DeviceOf(home_trash)) return true;
  const bool same_volume =
      QStorageInfo(QString::fromStdString(folder)) == QStorageInfo(QDir::home());
  return !same_volume && TopTrashAvailable(folder);
}

bool DeleteLocalFile(const std::string& path, bool to_trash) {
  struct stat info {};
  // A broken link holds no data, and the trash takes no link without a
  // target: it is removed.
  const bool broken_link = ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
                           ::stat(path.c_str(), &info) != 0;
  if (to_trash && !broken_link) {
    // The trash is made inside the data folder, which a new account may
    // not have yet.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(QFile::decodeName(path.c_str()));
  }
  return ::unlink(path.c_str()) == 0;
}

}  // namespace varnel::ui
