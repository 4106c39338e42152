#include "ftp/ftp_splice_pipe.h"

#include <fcntl.h>
#include <unistd.h>

namespace varnel::ftp {

bool SplicePipe::Open(int capacity) {
  if (IsOpen()) return true;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  read_fd_ = fds[0];
  write_fd_ = fds[1];
  // Only the end the socket fills is non-blocking. The other end must
  // block: a splice between two pipes gives up at once, instead of waiting
  // for room, when either of them is non-blocking, and the target may be a
  // pipe that its reader empties (standard output through a relay).
  ::fcntl(write_fd_, F_SETFL, O_NONBLOCK);
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
