// Local ends of transfers: the file a download goes to (written under a
// temporary name and renamed into place on success) and standard output
// through a relay.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "runtime/replacing_file.h"

namespace varnel::cli {

// A local file cannot be prepared; the message says which and why.
class LocalError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The size of a regular file, -1 for anything else or when it cannot be read.
std::int64_t RegularFileSize(const std::string& path);

// The part of `remote` after its last "/".
std::string RemoteBaseName(const std::string& remote);

// The local path a get writes to: `chosen` (LOCAL or -o) when given, inside
// it when it is an existing folder; else the remote base name in the current
// folder. A base name that would leave the folder ("", ".", "..") is refused
// with LocalError.
std::string LocalPathForGet(const std::string& remote, const std::optional<std::string>& chosen);

// Where a download writes. A regular file (or a new one) is written under a
// temporary name beside it and renamed over the target only after success,
// so a failed download never destroys an existing file. Devices and pipes
// (/dev/null) are written directly, and so is a resumed download, which
// must extend the existing file; CutBack returns that file to the length it
// had before.
class DownloadTarget {
 public:
  // Throws LocalError when the temporary file cannot be made.
  DownloadTarget(const std::string& path, bool resume);
  ~DownloadTarget();
  DownloadTarget(const DownloadTarget&) = delete;
  DownloadTarget& operator=(const DownloadTarget&) = delete;

  // The name to give the engine.
  const std::string& EnginePath() const { return engine_path_; }
  // True when the download continues an existing file (REST).
  bool Resuming() const { return resuming_; }
  // The length of the file a resumed download continues.
  std::int64_t ResumedFrom() const { return resumed_from_; }
  // The length of the file written so far, -1 when it is not a regular file.
  std::int64_t WrittenSize() const;
  // Moves the finished download into place; throws LocalError.
  void Commit();
  // Drops what a resumed download appended; throws LocalError.
  void CutBack();

 private:
  std::string path_;
  std::string engine_path_;
  runtime::ReplacingFile temporary_;  // not pending when writing in place
  bool resuming_ = false;
  std::int64_t resumed_from_ = 0;
};

// Copies what the engine writes to a pipe on to `out_fd` from a thread of
// its own, so that a download to standard output works whatever standard
// output is (terminal, pipe, socket, a file opened for appending) and keeps
// its file offset.
class StdoutRelay {
 public:
  explicit StdoutRelay(int out_fd);  // throws LocalError
  ~StdoutRelay();
  StdoutRelay(const StdoutRelay&) = delete;
  StdoutRelay& operator=(const StdoutRelay&) = delete;

  // The write end as a path for the engine.
  const std::string& EnginePath() const { return engine_path_; }
  // Ends the copy and waits for it; the text of the write failure of
  // standard output, or empty.
  std::string Finish();

 private:
  void Copy(int read_fd);

  int out_fd_;
  int write_fd_ = -1;
  std::string engine_path_;
  std::thread thread_;
  int copy_errno_ = 0;  // written by the thread, read after join
};

}  // namespace varnel::cli
