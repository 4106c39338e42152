// One FTP session of the client: the engine configured from the options,
// requests run to their end on the event loop, the login, and the -v log.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_output.h"
#include "ftp/ftp_client.h"
#include "runtime/event_loop.h"

namespace varnel::cli {

// How a request ended: the error number of OnRequestDone (a reply code, a
// socket error number or a synthetic code) and the text that explains it.
struct Outcome {
  bool ok = true;
  int error = 0;
  std::string message;
};

class FtpSession {
 public:
  FtpSession(const CliOptions& options, const Credentials& credentials, CliOutput& output,
             runtime::EventLoop& loop = runtime::EventLoop::Current());
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  ftp::TFtpClient& Client() { return client_; }

  // Starts the request and pumps the loop until it ends. A request that
  // refuses to start fails with error 0 and the refusal's text; a wait that
  // runs out (Timeout without progress) aborts the session and fails with
  // 426.
  Outcome Run(ftp::TFtpClient::Request start);

  // Connect, USER, PASS when the server asks for it, TYPE I. On failure
  // `step` names the step that failed ("connect", "USER", "PASS", "TYPE").
  Outcome LogIn(std::string& step);

  // QUIT when still connected. Its failure changes nothing for the user: the
  // work is done; -v shows the dialogue.
  void Quit();

  // The reply lines logged during the last Run, without "< ".
  const std::vector<std::string>& Replies() const { return replies_; }

  // Progress reports of transfers go to the bar while set.
  void ShowProgress(bool show);

 private:
  void Configure(const CliOptions& options, const Credentials& credentials);
  void OnDisplay(const std::string& message);

  runtime::EventLoop& loop_;
  CliOutput& output_;
  bool verbose_;
  ftp::TFtpClient client_;
  bool done_ = false;
  int done_error_ = 0;
  std::vector<std::string> replies_;
};

}  // namespace varnel::cli
