// How a request ended, and the failure message a person reads for it: what
// went wrong in plain words, with the server's reply where there is one. The
// -v log keeps the engine's own texts.
#pragma once

#include <string>

namespace varnel::cli {

enum class Ending {
  kDone,        // OnRequestDone with error 0
  kFailed,      // OnRequestDone with an error, or no OnRequestDone at all
  kNotStarted,  // the request refused to start
  kTimedOut,    // Timeout seconds without progress (--timeout)
  kMaxTime,     // the command's time ran out (--max-time)
};

// The error number of OnRequestDone (a reply code, a socket error number or
// a synthetic code) and the engine's text for it (its ErrorMessage, a
// refusal's text, or the client's own).
struct Outcome {
  bool ok = true;
  int error = 0;
  std::string message;
  Ending ending = Ending::kDone;
};

// What the message needs to know beyond the outcome.
struct FailureScene {
  std::string step;         // "connect", "USER", "PASS", or the FTP command word
  bool login = false;       // the step belongs to connecting and logging in
  std::string lookup_host;  // the name the client resolves
  std::string peer;         // "host:port" the client connects to first
  int timeout_seconds = 0;
  int max_time_seconds = 0;
};

// "cannot resolve host \"x\"", "connection refused by 127.0.0.1:21",
// "login refused (530 Login incorrect.)", "the server refused RETR (550 No
// such file)", "timed out: no progress for 15 seconds (--timeout)", ...
std::string FailureMessage(const Outcome& outcome, const FailureScene& scene);

// "host:port", with an IPv6 address in brackets.
std::string HostPortText(const std::string& host, const std::string& port);

}  // namespace varnel::cli
