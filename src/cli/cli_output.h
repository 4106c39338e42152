// Where the client writes: standard output for results, standard error for
// messages, the -v log and the progress bar.
#pragma once

#include <string>
#include <string_view>

#include "cli/cli_progress.h"

namespace varnel::cli {

// Writes all of `text` to `fd`, retrying short writes and EINTR; false on
// any other failure (EPIPE, ENOSPC, EBADF).
bool WriteAll(int fd, std::string_view text);

// A raw command as it may be shown: a PASS command (in any letter case) is
// "PASS ****".
std::string MaskCommand(const std::string& command);

// The -v line for a log line of the engine: a PASS command (also one sent
// by quote, in any letter case) is shown as "PASS ****".
std::string MaskLogLine(const std::string& line);

class CliOutput {
 public:
  CliOutput(int out_fd, int err_fd, bool progress_enabled)
      : out_fd_(out_fd), err_fd_(err_fd), progress_(err_fd, progress_enabled) {}

  int OutFd() const { return out_fd_; }
  // Results on standard output; a failed write is remembered (OutFailed).
  void Out(std::string_view text);
  bool OutFailed() const { return out_failed_; }
  const std::string& OutError() const { return out_error_; }

  // A line on standard error ("\n" is added), below the progress bar, with
  // control characters made visible (VisibleText): it carries server text.
  void ErrLine(std::string_view line);

  ProgressBar& Progress() { return progress_; }

 private:
  int out_fd_;
  int err_fd_;
  bool out_failed_ = false;
  std::string out_error_;
  ProgressBar progress_;
};

}  // namespace varnel::cli
