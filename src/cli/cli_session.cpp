#include "cli/cli_session.h"

#include <string_view>

#include "socket/winsock_errors.h"

namespace varnel::cli {
namespace {

constexpr int kPasswordNeeded = 331;
// The error of a request that ended without its OnRequestDone (aborted while
// no connection was open) or with an engine that says nothing better.
constexpr int kAborted = 426;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::string_view kEngineTimeout = ftp::kTimeoutErrorMessage;

ftp::TFtpConnectionType ConnectionTypeOf(ProxyKind kind) {
  switch (kind) {
    case ProxyKind::kFtpProxy:
      return ftp::ftpProxy;
    case ProxyKind::kSocks4:
      return ftp::ftpSocks4;
    case ProxyKind::kSocks4A:
      return ftp::ftpSocks4A;
    case ProxyKind::kSocks5:
      return ftp::ftpSocks5;
    case ProxyKind::kNone:
      break;
  }
  return ftp::ftpDirect;
}

bool IsReady(ftp::TFtpState state) {
  return state == ftp::ftpReady || state == ftp::ftpInternalReady;
}

}  // namespace

FtpSession::FtpSession(const CliOptions& options, const Credentials& credentials, CliOutput& output,
                       runtime::EventLoop& loop)
    : options_(options), loop_(loop), timers_(loop), output_(output), client_(loop) {
  Configure(options, credentials);
  client_.OnDisplay = [this](ftp::TCustomFtpCli*, std::string& message) { OnDisplay(message); };
  client_.OnRequestDone = [this](ftp::TCustomFtpCli*, ftp::TFtpRequest, std::uint16_t error) {
    done_ = true;
    done_error_ = error;
  };
  StartClock();
}

void FtpSession::Configure(const CliOptions& options, const Credentials& credentials) {
  client_.SetHostName(options.url.host);
  client_.SetPort(options.url.port);
  client_.SetUserName(credentials.user);
  client_.SetPassWord(credentials.password);
  client_.SetConnectionType(ConnectionTypeOf(options.proxy));
  if (options.proxy == ProxyKind::kFtpProxy) {
    client_.SetProxyServer(options.proxy_address.host);
    client_.SetProxyPort(options.proxy_address.port);
  } else if (options.proxy != ProxyKind::kNone) {
    client_.SetSocksServer(options.proxy_address.host);
    client_.SetSocksPort(options.proxy_address.port);
    client_.SetSocksUserCode(options.socks_user);
    client_.SetSocksPassword(options.socks_password);
  }
  client_.SetPassive(options.passive);
  client_.SetTimeout(options.timeout_seconds);
  client_.SetBinary(true);
}

void FtpSession::OnDisplay(const std::string& message) {
  if (message.rfind("< ", 0) == 0) replies_.push_back(message.substr(2));
  if (options_.verbose) output_.ErrLine(MaskLogLine(message));
}

void FtpSession::ShowProgress(bool show) {
  if (!show) {
    client_.OnProgress = nullptr;
    return;
  }
  client_.OnProgress = [this](ftp::TCustomFtpCli*, std::int64_t count, bool&) {
    output_.Progress().Update(count);
  };
}

void FtpSession::StartClock() {
  deadline_ms_ = options_.max_time_seconds > 0
                     ? runtime::TickCount() + options_.max_time_seconds * kMsPerSecond
                     : 0;
}

Outcome FtpSession::Run(ftp::TFtpClient::Request start) {
  replies_.clear();
  done_ = false;
  done_error_ = 0;
  max_time_hit_ = false;
  client_.SetErrorMessage("");
  const std::int64_t left_ms = deadline_ms_ - runtime::TickCount();
  if (deadline_ms_ != 0 && left_ms <= 0) return {false, 0, "", Ending::kMaxTime};
  try {
    (client_.*start)();
  } catch (const std::exception& refusal) {
    return {false, 0, refusal.what(), Ending::kNotStarted};
  }
  const runtime::TimerId timer =
      deadline_ms_ != 0 ? loop_.StartTimer(left_ms, timers_.Id(), [this] { OnMaxTime(); }) : 0;
  const bool waited = client_.WaitReady();
  if (timer != 0) loop_.CancelTimer(timer);
  DeliverRequestDone();
  return Judge(waited);
}

// A request that already ended keeps its result.
void FtpSession::OnMaxTime() {
  if (IsReady(client_.State())) return;
  max_time_hit_ = true;
  client_.AbortAsync();
}

// The engine posts OnRequestDone before its wait returns; an abort delivers
// it only after the close events of its sockets, or never when no connection
// was open.
void FtpSession::DeliverRequestDone() {
  while (!done_ && loop_.PendingCount() > 0) loop_.DispatchPending();
}

Outcome FtpSession::Judge(bool waited) const {
  if (max_time_hit_) return {false, done_error_, client_.ErrorMessage(), Ending::kMaxTime};
  if (waited && done_ && done_error_ == 0) return {};
  int error = done_error_;
  if (error == 0) error = client_.StatusCode() >= 400 ? client_.StatusCode() : kAborted;
  std::string message = client_.ErrorMessage();
  if (message.empty()) message = client_.LastResponse();
  if (message.empty()) message = socket::WinsockErrorText(error);
  const bool timed_out = message.rfind(kEngineTimeout, 0) == 0;
  return {false, error, message, timed_out ? Ending::kTimedOut : Ending::kFailed};
}

Outcome FtpSession::LogIn(std::string& step) {
  step = "connect";
  Outcome outcome = Run(&ftp::TCustomFtpCli::OpenAsync);
  if (!outcome.ok) return outcome;
  step = "USER";
  outcome = Run(&ftp::TCustomFtpCli::UserAsync);
  if (!outcome.ok) return outcome;
  if (client_.StatusCode() == kPasswordNeeded) {
    step = "PASS";
    if (client_.PassWord().empty()) {
      return {false, kPasswordNeeded,
              "the server asks for a password: give --password, put it in the URL or in "
              "VARNEL_FTP_PASSWORD",
              Ending::kNotStarted};
    }
    outcome = Run(&ftp::TCustomFtpCli::PassAsync);
    if (!outcome.ok) return outcome;
  }
  step = "TYPE";
  return Run(&ftp::TCustomFtpCli::TypeSetAsync);
}

void FtpSession::Quit() {
  if (!client_.Connected()) return;
  Run(&ftp::TCustomFtpCli::QuitAsync);
}

std::string FtpSession::Explain(const Outcome& outcome, const std::string& step, bool login) const {
  FailureScene scene;
  scene.step = step;
  scene.login = login;
  const bool ftp_proxy = options_.proxy == ProxyKind::kFtpProxy;
  scene.lookup_host = ftp_proxy ? options_.proxy_address.host : options_.url.host;
  scene.peer = options_.proxy == ProxyKind::kNone
                   ? HostPortText(options_.url.host, options_.url.port)
                   : HostPortText(options_.proxy_address.host, options_.proxy_address.port);
  scene.timeout_seconds = options_.timeout_seconds;
  scene.max_time_seconds = options_.max_time_seconds;
  return FailureMessage(outcome, scene);
}

}  // namespace varnel::cli
