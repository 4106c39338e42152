#include "ftp/ftp_splice_pipe.h"

#include <fcntl.h>
#include <unistd.h>

namespace varnel::ftp {

bool SplicePipe::Open(int capacity) {
  if (IsOpen()) return true;
  // Non-blocking both ends: the engine only ever moves what the pipe holds
  // or has room for, so nothing on the pipe's side can stall the thread.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  // A larger pipe moves more per call; over the user's pipe quota the
  // system refuses and the default size serves.
  ::fcntl(write_fd_, F_SETPIPE_SZ, capacity);
  capacity_ = ::fcntl(write_fd_, F_GETPIPE_SZ);
  if (capacity_ <= 0) {
    Close();
    return false;
  }
  return true;
}

void SplicePipe::Close() {
  if (read_fd_ >= 0) ::close(read_fd_);
  if (write_fd_ >= 0) ::close(write_fd_);
  read_fd_ = -1;
  write_fd_ = -1;
  capacity_ = 0;
}

}  // namespace varnel::ftp
