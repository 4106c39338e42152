#include "runtime/replacing_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace varnel::runtime {
namespace {

constexpr mode_t kNewFileMode = 0666;

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

bool Fail(std::string* error) {
  if (error) *error = std::strerror(errno);
  return false;
}

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : target_(std::move(other.target_)), temporary_(std::exchange(other.temporary_, {})) {}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, {});
  }
  return *this;
}

bool ReplacingFile::Create(const std::string& target, std::string* error) {
  Discard();
  target_ = target;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string pattern = folder + "." + name + ".part-XXXXXX";
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return Fail(error);
  const bool mode_set = ::fchmod(fd, kNewFileMode & ~CurrentUmask()) == 0;
  const int saved = errno;
  ::close(fd);
  if (!mode_set) {
    ::unlink(pattern.c_str());
    errno = saved;
    return Fail(error);
  }
  temporary_ = std::move(pattern);
  return true;
}

bool ReplacingFile::Commit(std::string* error) {
  if (temporary_.empty()) return true;
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const bool failed = Fail(error);
    Discard();
    return failed;
  }
  temporary_.clear();
  return true;
}

void ReplacingFile::Discard() {
  if (temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace varnel::runtime
