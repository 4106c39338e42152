// The local file of a transfer. ShareMode is honoured with advisory locks
// (flock): a lock that cannot be had fails the open at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varnel::ftp {

// The flock operation (LOCK_EX, LOCK_SH, or 0 for none) taken for a stored
// share flag on a file opened for writing or for reading. Exclusive,
// deny-write and deny-read lock a file being written exclusively; a file
// being read is locked exclusively by exclusive and deny-read and shared by
// deny-write; deny-none and compat take no lock. An unknown flag locks as
// exclusive.
int LockOperation(int share_flag, bool writing);

class LocalFile {
 public:
  LocalFile() = default;
  ~LocalFile() { Close(); }
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;

  // For a download. With `resume_at` above 0 the existing file is opened,
  // cut to `resume_at` bytes and positioned there, so no stale bytes of an
  // older copy can remain behind the resumed data; otherwise the file is
  // created, or emptied once the lock is held. False when it cannot be
  // opened or locked.
  bool OpenForWriting(const std::string& path, int share_flag, std::int64_t resume_at);
  // For an upload: opened for reading and positioned at `offset` when it is
  // above 0. False when it cannot be opened, locked or positioned.
  bool OpenForReading(const std::string& path, int share_flag, std::int64_t offset);

  bool IsOpen() const { return fd_ >= 0; }
  // Writes the whole block; false on any failure (disk full, I/O error).
  bool Write(const char* data, std::size_t length);
  // Moves `length` bytes from the pipe `pipe_fd` into the file inside the
  // kernel (splice); a file that refuses splice gets them copied, now and
  // for the rest of the time it is open. False as Write.
  bool WriteFromPipe(int pipe_fd, std::size_t length);
  // Bytes read (0 at the end of the file), or -1 on failure.
  long Read(char* buffer, std::size_t length);
  void Close();

  // The size of a regular file, or -1 when there is no such file.
  static std::int64_t SizeOf(const std::string& path);

 private:
  bool Lock(int share_flag, bool writing);
  bool CopyFromPipe(int pipe_fd, std::size_t length);

  int fd_ = -1;
  bool splice_refused_ = false;
};

}  // namespace varnel::ftp
