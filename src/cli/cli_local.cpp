#include "cli/cli_local.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/cli_output.h"
#include "listing/listing_paths.h"

namespace varnel::cli {
namespace {

constexpr std::size_t kRelayChunk = 1 << 20;
constexpr std::size_t kCopyBlock = 64 * 1024;

std::string SystemError() { return std::strerror(errno); }

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

std::int64_t RegularFileSize(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_size : -1;
}

std::string RemoteBaseName(const std::string& remote) {
  const std::size_t slash = remote.rfind('/');
  return slash == std::string::npos ? remote : remote.substr(slash + 1);
}

std::string LocalPathForGet(const std::string& remote, const std::optional<std::string>& chosen) {
  struct stat info {};
  if (chosen && (::stat(chosen->c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) return *chosen;
  const std::string folder = chosen ? *chosen : ".";
  const std::string name = RemoteBaseName(remote);
  std::optional<std::string> path = listing::JoinLocalPath(folder, name);
  if (!path) {
    throw LocalError("refusing the local name \"" + name + "\" of \"" + remote +
                     "\": it would not name a file inside " + folder + " (give LOCAL)");
  }
  return *path;
}

DownloadTarget::DownloadTarget(const std::string& path, bool resume) : path_(path) {
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    engine_path_ = path;
    return;
  }
  if (resume && exists && info.st_size > 0) {
    engine_path_ = path;
    resuming_ = true;
    resumed_from_ = info.st_size;
    return;
  }
  std::string error;
  if (!temporary_.Create(path, &error)) {
    throw LocalError("cannot create a file beside " + path + ": " + error);
  }
  engine_path_ = temporary_.TemporaryPath();
}

DownloadTarget::~DownloadTarget() = default;

std::int64_t DownloadTarget::WrittenSize() const { return RegularFileSize(engine_path_); }

void DownloadTarget::CutBack() {
  if (::truncate(path_.c_str(), resumed_from_) != 0) {
    throw LocalError("cannot cut " + path_ + " back to " + std::to_string(resumed_from_) +
                     " bytes: " + SystemError());
  }
}

void DownloadTarget::Commit() {
  std::string error;
  if (!temporary_.Commit(&error)) {
    throw LocalError("cannot move the download to " + path_ + ": " + error);
  }
}

StdoutRelay::StdoutRelay(int out_fd) : out_fd_(out_fd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw LocalError("cannot make a pipe: " + SystemError());
  write_fd_ = fds[1];
  engine_path_ = FdPath(write_fd_);
  thread_ = std::thread(&StdoutRelay::Copy, this, fds[0]);
}

StdoutRelay::~StdoutRelay() {
  if (thread_.joinable()) Finish();
}

// splice moves the bytes without copying where standard output allows it
// (a file, pipe or socket); elsewhere (a terminal, a file in append mode)
// they are read and written. A failure closes the pipe, so the engine's next
// write fails and the download ends with an error.
void StdoutRelay::Copy(int read_fd) {
  bool splicing = true;
  std::vector<char> block(kCopyBlock);
  for (;;) {
    ssize_t count = 0;
    if (splicing) {
      count = ::splice(read_fd, nullptr, out_fd_, nullptr, kRelayChunk, SPLICE_F_MOVE);
      if (count < 0 && errno == EINVAL) {
        splicing = false;
        continue;
      }
    } else {
      count = ::read(read_fd, block.data(), block.size());
      if (count > 0 && !WriteAll(out_fd_, std::string_view(block.data(),
                                                            static_cast<std::size_t>(count)))) {
        count = -1;
      }
    }
    if (count == 0) break;
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      copy_errno_ = errno;
      break;
    }
  }
  ::close(read_fd);
}

std::string StdoutRelay::Finish() {
  if (write_fd_ >= 0) ::close(write_fd_);
  write_fd_ = -1;
  if (thread_.joinable()) thread_.join();
  return copy_errno_ == 0 ? "" : std::strerror(copy_errno_);
}

}  // namespace varnel::cli
