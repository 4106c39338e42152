// Test helpers: a temporary folder removed with everything in it, and
// readable test-case labels.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace varnel::ui::assoc_test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnel-assoc-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    char* canonical = ::realpath(made, nullptr);
    path_ = canonical;
    std::free(canonical);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  // Writes `bytes` to a file below the folder, creating the folders on the way.
  std::string Write(const std::string& relative, const std::string& bytes,
                    mode_t mode = 0644) const {
    std::string file = *this / relative;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    ::chmod(file.c_str(), mode);
    return file;
  }

  // A fake program: an executable shell script that does nothing.
  std::string Program(const std::string& relative) const {
    return Write(relative, "#!/bin/sh\nexit 0\n", 0755);
  }

  std::string MakeFolder(const std::string& relative) const {
    std::string folder = *this / relative;
    std::filesystem::create_directories(folder);
    return folder;
  }

 private:
  std::string path_;
};

// A GoogleTest-safe label made from any text.
inline std::string CaseLabel(const std::string& text) {
  std::string label;
  for (char c : text) label += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return label.empty() ? "empty" : label;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace varnel::ui::assoc_test
