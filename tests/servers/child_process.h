// A peer program started by a test: fork/exec in its own process group,
// stopped by its pid (SIGTERM to the group, SIGKILL after a grace period).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace varnel::testing {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess() { Stop(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Runs `argv` (argv[0] a path, or a name looked up in PATH) with standard
  // input from /dev/null, standard error appended to `log_path`, standard
  // output to `stdout_fd` when it is 0 or more, else to the log too.
  // Throws std::runtime_error when fork fails; a failing exec shows up as an
  // early exit with a line in the log.
  void Start(const std::vector<std::string>& argv, const std::string& log_path,
             int stdout_fd = -1);
  // False once the process has exited (it is reaped then).
  bool Running();
  // SIGTERM to the process group, up to two seconds' grace, then SIGKILL.
  void Stop();
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

// The last lines of a log file, for error messages.
std::string LogTail(const std::string& path, std::size_t max_bytes = 2000);

}  // namespace varnel::testing
