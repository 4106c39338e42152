// The commands of a logged-in session: each runs engine requests, writes
// its output for people or as JSON, and reports its failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_json.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "cli/cli_session.h"

namespace varnel::cli {

// What a command did: the JSON result, the command as the user gave it
// (`get "a.txt"`, empty for the login) and the exit status.
struct CommandReport {
  CommandResult result;
  std::string context;
  int status = kExitOk;
};

// The one-line failure message on standard error, without the program name:
// `get "a.txt": the server refused RETR (550 No such file)`, or the bare
// message without a context.
std::string FailureText(const CommandReport& report);

// The command for messages: its name and its arguments in double quotes
// (quote's words as one, a password masked); "ls" for the default command.
std::string CommandContext(const std::vector<std::string>& words);

class CommandRunner {
 public:
  CommandRunner(FtpSession& session, CliOutput& output, const CliOptions& options);

  // CWD into the URL's path when it names a folder. A path without a
  // closing "/" that CWD refuses names a file: the default command then
  // lists it, and any other command fails with the CWD's error.
  CommandReport EnterUrlPath(bool default_command);

  // Runs one checked command (empty: the default listing) and reports it:
  // the JSON result line with --json, the failure message on standard error.
  // Returns the exit status.
  int Execute(const std::vector<std::string>& words);

  // Reports a finished command as Execute does.
  void Report(const CommandReport& report);

 private:
  using Words = std::vector<std::string>;

  CommandReport Dispatch(const Words& words);
  CommandReport List(const std::string& path, bool names_only);
  CommandReport Get(const Words& args);
  CommandReport Put(const Words& args, bool append);
  CommandReport Rename(const std::string& from, const std::string& to);
  CommandReport Simple(const std::string& step, const std::string& name,
                       ftp::TFtpClient::Request request);
  CommandReport Quote(const Words& args);

  // Runs one request for the command and fills the report from its outcome;
  // `step` is the FTP command the message names.
  bool RunStep(CommandReport& report, const std::string& step, ftp::TFtpClient::Request request);
  void Record(CommandReport& report, const Outcome& outcome, const std::string& step) const;
  // The remote file's size by SIZE into `size`, -1 when the server does not
  // tell. False, with `report` filled, when the command cannot go on (the
  // request ran out of time or the connection is gone).
  bool QuerySize(const std::string& remote, std::int64_t& size, CommandReport& report);

  FtpSession& session_;
  ftp::TFtpClient& client_;
  CliOutput& output_;
  const CliOptions& options_;
  std::string default_listing_path_;
};

}  // namespace varnel::cli
