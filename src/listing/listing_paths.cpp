#include "listing/listing_paths.h"

#include <string_view>

namespace varnel::listing {
namespace {

// The parent rule shared by both panes, with the pane's separators.
std::string ParentFolder(const std::string& folder, std::string_view separators) {
  if (folder.size() < 2) {
    return folder;
  }
  const std::size_t separator = folder.find_last_of(separators, folder.size() - 2);
  if (separator == std::string::npos) {
    return folder;
  }
  return folder.substr(0, separator + 1);
}

}  // namespace

std::string EnsureTrailingSlash(const std::string& text) {
  if (text.empty() || text.back() == '/' || text.back() == '\\') {
    return text;
  }
  return text + "/";
}

std::string EnsureLocalTrailingSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') {
    return folder;
  }
  return folder + "/";
}

std::string RemoteParentFolder(const std::string& folder) { return ParentFolder(folder, "/\\"); }

std::string LocalParentFolder(const std::string& folder) { return ParentFolder(folder, "/"); }

bool IsSafeLocalName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

std::optional<std::string> JoinLocalPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || !IsSafeLocalName(name)) {
    return std::nullopt;
  }
  return EnsureLocalTrailingSlash(folder) + name;
}

}  // namespace varnel::listing
