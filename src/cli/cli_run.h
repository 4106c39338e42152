// The whole program behind main(): arguments in, exit status out.
#pragma once

#include <string>
#include <vector>

namespace varnel::cli {

struct CliEnvironment {
  int in_fd = 0;
  int out_fd = 1;
  int err_fd = 2;
  // The progress bar is drawn only on a terminal.
  bool err_is_terminal = false;
  // $VARNEL_FTP_PASSWORD, or null.
  const char* env_password = nullptr;
};

// Runs varnel-ftp with the arguments after the program name on the calling
// thread's event loop. Returns the exit status (ExitStatus).
int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment);

}  // namespace varnel::cli
