// One FTP session of the client: the engine configured from the options,
// requests run to their end on the event loop within --timeout and
// --max-time, the login, and the -v log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_failure.h"
#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "ftp/ftp_client.h"
#include "runtime/event_loop.h"

namespace varnel::cli {

class FtpSession {
 public:
  FtpSession(const CliOptions& options, const Credentials& credentials, CliOutput& output,
             runtime::EventLoop& loop = runtime::EventLoop::Current());
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  ftp::TFtpClient& Client() { return client_; }

  // Starts the --max-time clock of a command.
  void StartClock();

  // Starts the request and waits for its OnRequestDone. The engine's wait
  // bounds the time without progress (Timeout): when it runs out the engine
  // is aborted and the request ends kTimedOut. When the command's time runs
  // out the request is aborted and ends kMaxTime; a request is not started
  // after that.
  Outcome Run(ftp::TFtpClient::Request start);

  // Connect, USER, PASS when the server asks for it, TYPE I. On failure
  // `step` names the step that failed ("connect", "USER", "PASS", "TYPE").
  Outcome LogIn(std::string& step);

  // QUIT when still connected. Its failure changes nothing for the user: the
  // work is done; -v shows the dialogue.
  void Quit();

  // The failure message (FailureMessage) of a request of `step` that ended
  // with `outcome`; `login` for the steps of LogIn.
  std::string Explain(const Outcome& outcome, const std::string& step, bool login = false) const;

  // The reply lines logged during the last Run, without "< ".
  const std::vector<std::string>& Replies() const { return replies_; }

  // Progress reports of transfers go to the bar while set.
  void ShowProgress(bool show);

 private:
  void Configure(const CliOptions& options, const Credentials& credentials);
  void OnDisplay(const std::string& message);
  void OnMaxTime();
  // Delivers what the loop holds until the request's OnRequestDone arrived
  // or nothing is left that could bring it.
  void DeliverRequestDone();
  Outcome Judge(bool waited) const;

  const CliOptions& options_;
  runtime::EventLoop& loop_;
  runtime::NotifyTarget timers_;
  CliOutput& output_;
  ftp::TFtpClient client_;
  std::int64_t deadline_ms_ = 0;  // 0: no --max-time
  bool max_time_hit_ = false;
  bool done_ = false;
  int done_error_ = 0;
  std::vector<std::string> replies_;
};

}  // namespace varnel::cli
