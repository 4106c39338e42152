#include "cli/cli_session.h"

#include "socket/winsock_errors.h"

namespace varnel::cli {
namespace {

constexpr int kPasswordNeeded = 331;
constexpr int kTimedOut = 426;
// Passes of the loop after the engine became ready, to deliver the posted
// OnRequestDone.
constexpr int kDeliveryPasses = 8;

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

}  // namespace

FtpSession::FtpSession(const CliOptions& options, const Credentials& credentials,
                       CliOutput& output, runtime::EventLoop& loop)
    : loop_(loop), output_(output), verbose_(options.verbose), client_(loop) {
  Configure(options, credentials);
  client_.OnDisplay = [this](ftp::TCustomFtpCli*, std::string& message) { OnDisplay(message); };
  client_.OnRequestDone = [this](ftp::TCustomFtpCli*, ftp::TFtpRequest, std::uint16_t error) {
    done_ = true;
    done_error_ = error;
  };
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
  if (verbose_) output_.ErrLine(MaskLogLine(message));
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

Outcome FtpSession::Run(ftp::TFtpClient::Request start) {
  replies_.clear();
  done_ = false;
  done_error_ = 0;
  client_.SetErrorMessage("");
  try {
    (client_.*start)();
  } catch (const std::exception& refusal) {
    return {false, 0, refusal.what()};
  }
  const bool waited = client_.WaitReady();
  for (int pass = 0; !done_ && pass < kDeliveryPasses && loop_.PendingCount() > 0; ++pass) {
    loop_.DispatchPending();
  }
  int error = done_error_;
  if (!waited && error == 0) error = client_.StatusCode() != 0 ? client_.StatusCode() : kTimedOut;
  if (waited && error == 0) return {};
  std::string message = client_.ErrorMessage();
  if (message.empty()) message = client_.LastResponse();
  if (message.empty()) message = socket::WinsockErrorText(error);
  return {false, error, message};
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
              "VARNEL_FTP_PASSWORD"};
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

}  // namespace varnel::cli
