// The pipe through which a download moves from the data socket into the
// local file inside the kernel (splice): socket -> pipe -> file, never
// through the engine's memory.
#pragma once

#include <cstddef>

namespace varnel::ftp {

class SplicePipe {
 public:
  SplicePipe() = default;
  ~SplicePipe() { Close(); }
  SplicePipe(const SplicePipe&) = delete;
  SplicePipe& operator=(const SplicePipe&) = delete;

  // Makes the pipe unless it is open; asks for `capacity` bytes and keeps
  // what the system grants. False when no pipe can be made.
  bool Open(int capacity);
  bool IsOpen() const { return read_fd_ >= 0; }
  int ReadEnd() const { return read_fd_; }
  int WriteEnd() const { return write_fd_; }
  // Bytes it holds when full.
  int Capacity() const { return capacity_; }
  // Drops the pipe with whatever it still holds.
  void Close();

 private:
  int read_fd_ = -1;
  int write_fd_ = -1;
  int capacity_ = 0;
};

}  // namespace varnel::ftp
