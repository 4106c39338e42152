// varnel-ftp: the command-line FTP client on the Varnel engine.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_run.h"

int main(int argc, char** argv) {
  // A closed standard output becomes a reported write error, not a signal.
  std::signal(SIGPIPE, SIG_IGN);
  varnel::cli::CliEnvironment environment;
  environment.err_is_terminal = ::isatty(STDERR_FILENO) == 1;
  environment.env_password = std::getenv("VARNEL_FTP_PASSWORD");
  return varnel::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), environment);
}
