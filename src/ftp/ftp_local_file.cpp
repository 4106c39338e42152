// Local transfer files, share modes as advisory locks, and the stored share
// flags.
#include "ftp/ftp_local_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "ftp/ftp_types.h"

namespace varnel::ftp {
namespace {

constexpr mode_t kNewFileMode = 0666;  // narrowed by the umask
// Bytes copied per read from a pipe into a file that refuses splice.
constexpr std::size_t kPipeCopyStep = 16384;

// Opened without blocking, so that a FIFO without a partner fails instead of
// hanging the thread; the descriptor then blocks like any file.
int OpenFile(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, kNewFileMode);
  if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

int ShareFlag(TFtpShareMode mode) {
  switch (mode) {
    case ftpShareCompat:
      return kShareCompatFlag;
    case ftpShareExclusive:
      return kShareExclusiveFlag;
    case ftpShareDenyWrite:
      return kShareDenyWriteFlag;
    case ftpShareDenyRead:
      return kShareDenyReadFlag;
    case ftpShareDenyNone:
      return kShareDenyNoneFlag;
  }
  return kShareExclusiveFlag;
}

TFtpShareMode ShareModeFromFlag(int flag) {
  switch (flag) {
    case kShareCompatFlag:
      return ftpShareCompat;
    case kShareDenyWriteFlag:
      return ftpShareDenyWrite;
    case kShareDenyReadFlag:
      return ftpShareDenyRead;
    case kShareDenyNoneFlag:
      return ftpShareDenyNone;
    default:
      return ftpShareExclusive;
  }
}

int LockOperation(int share_flag, bool writing) {
  switch (share_flag) {
    case kShareCompatFlag:
    case kShareDenyNoneFlag:
      return 0;
    case kShareDenyWriteFlag:
      return writing ? LOCK_EX : LOCK_SH;
    default:
      return LOCK_EX;
  }
}

bool LocalFile::Lock(int share_flag, bool writing) {
  const int operation = LockOperation(share_flag, writing);
  if (operation == 0) return true;
  int result = 0;
  do {
    result = ::flock(fd_, operation | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

// The file is emptied only once the lock is held, so a refused open never
// destroys a file that another holder has locked.
bool LocalFile::OpenForWriting(const std::string& path, int share_flag, std::int64_t resume_at) {
  Close();
  fd_ = OpenFile(path, O_WRONLY | (resume_at > 0 ? 0 : O_CREAT));
  if (fd_ < 0) return false;
  if (!Lock(share_flag, true)) {
    Close();
    return false;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    Close();
    return false;
  }
  // Devices and pipes (/dev/null) are written as they are; they cannot resume.
  if (!S_ISREG(info.st_mode)) {
    if (resume_at > 0) Close();
    return IsOpen();
  }
  const off_t length = resume_at > 0 ? static_cast<off_t>(resume_at) : 0;
  if (::ftruncate(fd_, length) != 0 || ::lseek(fd_, length, SEEK_SET) != length) {
    Close();
    return false;
  }
  return true;
}

bool LocalFile::OpenForReading(const std::string& path, int share_flag, std::int64_t offset) {
  Close();
  fd_ = OpenFile(path, O_RDONLY);
  if (fd_ < 0) return false;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || !Lock(share_flag, false) ||
      (offset > 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0)) {
    Close();
    return false;
  }
  return true;
}

bool LocalFile::Write(const char* data, std::size_t length) {
  if (fd_ < 0) return false;
  while (length > 0) {
    const ssize_t written = ::write(fd_, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

bool LocalFile::WriteFromPipe(int pipe_fd, std::size_t length) {
  if (fd_ < 0) return false;
  while (length > 0 && !splice_refused_) {
    const ssize_t moved = ::splice(pipe_fd, nullptr, fd_, nullptr, length, SPLICE_F_MOVE);
    if (moved > 0) {
      length -= static_cast<std::size_t>(moved);
    } else if (moved < 0 && errno == EINVAL) {
      // The file cannot take spliced pages (a device without splice
      // support); the bytes are still in the pipe.
      splice_refused_ = true;
    } else if (moved == 0 || errno != EINTR) {
      return false;
    }
  }
  return length == 0 || CopyFromPipe(pipe_fd, length);
}

bool LocalFile::CopyFromPipe(int pipe_fd, std::size_t length) {
  char block[kPipeCopyStep];
  while (length > 0) {
    const ssize_t got = ::read(pipe_fd, block, std::min(length, sizeof block));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0 || !Write(block, static_cast<std::size_t>(got))) return false;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

long LocalFile::Read(char* buffer, std::size_t length) {
  if (fd_ < 0) return -1;
  for (;;) {
    const ssize_t got = ::read(fd_, buffer, length);
    if (got >= 0 || errno != EINTR) return static_cast<long>(got);
  }
}

// The lock goes with the descriptor.
void LocalFile::Close() {
  splice_refused_ = false;
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

std::int64_t LocalFile::SizeOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<std::int64_t>(info.st_size);
}

}  // namespace varnel::ftp
