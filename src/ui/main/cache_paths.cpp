#include "ui/main/cache_paths.h"

#include <filesystem>
#include <system_error>

#include "listing/listing_paths.h"

namespace varnel::ui {
namespace {

namespace fs = std::filesystem;

void ClearFolder(const fs::path& folder, const std::set<fs::path>& keep) {
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    std::error_code ignored;
    const fs::path path = entry->path().lexically_normal();
    if (entry->is_directory(ignored) && !entry->is_symlink(ignored)) {
      ClearFolder(path, keep);
      fs::remove(path, ignored);  // only when nothing was kept inside
    } else if (keep.count(path) == 0) {
      fs::remove(path, ignored);
    }
  }
}

}  // namespace

std::string CacheName(const std::string& part) {
  std::string name;
  name.reserve(part.size());
  for (const char c : part) {
    switch (c) {
      case '%':
        name += "%25";
        break;
      case '/':
        name += "%2F";
        break;
      case '\0':
        name += "%00";
        break;
      default:
        name += c;
    }
  }
  if (name.empty()) return "%";
  if (name == "." || name == "..") {
    std::string dots;
    for (std::size_t i = 0; i < name.size(); ++i) dots += "%2E";
    return dots;
  }
  return name;
}

std::string CacheServerFolder(const std::string& user, const std::string& host,
                              const std::string& port) {
  return CacheName(user + "@" + host + ":" + port);
}

std::string CacheFolderPath(const std::string& remote_folder) {
  std::string path;
  std::size_t start = 0;
  while (start <= remote_folder.size()) {
    std::size_t end = remote_folder.find('/', start);
    if (end == std::string::npos) end = remote_folder.size();
    const std::string part = remote_folder.substr(start, end - start);
    if (!part.empty() && part != ".") path += CacheName(part) + "/";
    start = end + 1;
  }
  return path;
}

std::optional<std::string> CachedCopyPath(const std::string& cache_dir,
                                          const std::string& server_folder,
                                          const std::string& remote_folder,
                                          const std::string& name) {
  return listing::JoinLocalPath(cache_dir + server_folder + "/" + CacheFolderPath(remote_folder),
                                name);
}

void ClearCacheFolder(const std::string& cache_dir, const std::set<std::string>& keep) {
  std::set<fs::path> kept;
  for (const std::string& path : keep) kept.insert(fs::path(path).lexically_normal());
  ClearFolder(cache_dir, kept);
}

}  // namespace varnel::ui
