#include "cli/cli_run.h"

#include <unistd.h>

#include <cerrno>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_session.h"

#ifndef VARNEL_VERSION
#define VARNEL_VERSION "unknown"
#endif

namespace varnel::cli {
namespace {

constexpr std::size_t kReadBlock = 4096;

// Lines of standard input, read as they come so that a program can feed
// commands one by one.
class LineReader {
 public:
  explicit LineReader(int fd) : fd_(fd) {}

  // False at the end of the input (or when it cannot be read).
  bool Next(std::string& line) {
    for (;;) {
      const std::size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
      }
      char block[kReadBlock];
      const ssize_t got = ::read(fd_, block, sizeof block);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        if (pending_.empty()) return false;
        line.swap(pending_);
        pending_.clear();
        return true;
      }
      pending_.append(block, static_cast<std::size_t>(got));
    }
  }

 private:
  int fd_;
  std::string pending_;
};

// Commands from standard input until the first one that fails; blank lines
// and lines starting with "#" are skipped. Each line has its own --max-time,
// so time spent waiting for the next line does not count.
int RunCommandLines(FtpSession& session, CommandRunner& runner, int in_fd) {
  LineReader reader(in_fd);
  std::string line;
  while (reader.Next(line)) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::vector<std::string> words;
    try {
      words = SplitCommandLine(line);
      ValidateCommand(words);
    } catch (const UsageError& error) {
      CommandReport report;
      report.result = {words.empty() ? "" : words.front(), false, 0, error.what(), 0, ""};
      runner.Report(report);
      return kExitUsage;
    }
    session.StartClock();
    const int status = runner.Execute(words);
    if (status != kExitOk) return status;
  }
  return kExitOk;
}

int RunSession(const CliOptions& options, const CliEnvironment& environment) {
  CliOutput output(environment.out_fd, environment.err_fd,
                   environment.err_is_terminal && !options.quiet);
  FtpSession session(options, ResolveCredentials(options, environment.env_password), output);
  CommandRunner runner(session, output, options);
  std::string step;
  const Outcome login = session.LogIn(step);
  if (!login.ok) {
    runner.Report({{"login", false, login.error, session.Explain(login, step, true), 0, ""},
                   "",
                   kExitConnection});
    return kExitConnection;
  }
  const bool default_command = options.command.empty() && !options.commands_from_stdin;
  const CommandReport entered = runner.EnterUrlPath(default_command);
  int status = entered.status;
  if (status != kExitOk) {
    runner.Report(entered);
  } else if (options.commands_from_stdin) {
    status = RunCommandLines(session, runner, environment.in_fd);
  } else {
    status = runner.Execute(options.command);
  }
  session.Quit();
  return status;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliEnvironment& environment) {
  CliOptions options;
  try {
    options = ParseArguments(args);
  } catch (const UsageError& error) {
    WriteAll(environment.err_fd, std::string("varnel-ftp: ") + error.what() +
                                     "\nTry 'varnel-ftp --help' for more information.\n");
    return kExitUsage;
  }
  if (options.help) return WriteAll(environment.out_fd, HelpText()) ? kExitOk : kExitCommand;
  if (options.version) {
    return WriteAll(environment.out_fd, "varnel-ftp " VARNEL_VERSION "\n") ? kExitOk
                                                                             : kExitCommand;
  }
  return RunSession(options, environment);
}

}  // namespace varnel::cli
