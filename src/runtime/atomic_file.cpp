#include "runtime/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace varnel::runtime {
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

// Closes `fd` without losing the reason of the failure before.
bool FailClosing(int fd, std::string* error, const std::string& what) {
  int saved = errno;
  ::close(fd);
  errno = saved;
  return Fail(error, what);
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         mode_t mode, bool force_mode, std::string* error) {
  struct stat existing {};
  if (!force_mode && ::stat(path.c_str(), &existing) == 0) mode = existing.st_mode & 07777;

  std::string temp = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return Fail(error, path);
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
  if (ok) saved = errno;
  ::unlink(temp.c_str());
  errno = saved;
  return Fail(error, path);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
  bytes.clear();
  // Non-blocking, so that opening a named pipe without a writer returns.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(error, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return FailClosing(fd, error, path);
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    if (error) *error = path + ": not a regular file";
    return false;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return FailClosing(fd, error, path);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace varnel::runtime
