// The session's engine, its events, starting requests, connecting and
// disconnecting.
#include "ui/main/ftp_session.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "runtime/event_loop.h"

namespace varnel::ui {
namespace {

using ftp::TCustomFtpCli;

constexpr std::int64_t kProgressIntervalMs = 100;

// The connection kinds are numbered as the engine's connection types.
ftp::TFtpConnectionType EngineConnectionType(int connection) {
  return static_cast<ftp::TFtpConnectionType>(ConnectionKindOf(connection));
}

}  // namespace

std::string TimeoutText(int seconds, bool connection_closed) {
  std::string text = "The server did not respond within " + std::to_string(seconds) +
                     " seconds; the request was cancelled";
  if (connection_closed) text += " and the connection closed";
  return text;
}

TFtpSession::TFtpSession(std::string listing_path, QObject* parent)
    : QObject(parent), listing_path_(std::move(listing_path)) {
  FtpClient1_.SetPort("ftp");
  FtpClient1_.SetLocalAddr("0.0.0.0");
  FtpClient1_.SetDisplayFileFlag(false);
  FtpClient1_.SetBinary(true);
  FtpClient1_.SetShareMode(ftp::ftpShareExclusive);
  FtpClient1_.SetOptions({ftp::ftpAcceptLF});
  FtpClient1_.SetConnectionType(ftp::ftpDirect);
  FtpClient1_.OnProgress = [this](TCustomFtpCli*, std::int64_t count, bool&) {
    FtpClient1Progress(count);
  };
  FtpClient1_.OnSessionConnected = [this](TCustomFtpCli*, std::uint16_t error) {
    FtpClient1SessionConnected(error);
  };
  FtpClient1_.OnSessionClosed = [this](TCustomFtpCli*, std::uint16_t error) {
    FtpClient1SessionClosed(error);
  };
  FtpClient1_.OnRequestDone = [this](TCustomFtpCli*, ftp::TFtpRequest request,
                                     std::uint16_t error) {
    FtpClient1RequestDone(request, error);
  };
}

// The engine closes its sockets as it goes; nothing it reports then may
// reach a session that is half destroyed.
TFtpSession::~TFtpSession() {
  FtpClient1_.OnDisplay = nullptr;
  FtpClient1_.OnProgress = nullptr;
  FtpClient1_.OnSessionConnected = nullptr;
  FtpClient1_.OnSessionClosed = nullptr;
  FtpClient1_.OnRequestDone = nullptr;
}

// ---- state ----

void TFtpSession::SetConnectionState(bool connected, bool busy, std::string text) {
  state_ = {connected, busy, std::move(text)};
  emit connectionStateChanged();
}

void TFtpSession::SetViewerRunning(bool running) {
  viewer_running_ = running;
  emit connectionStateChanged();
}

void TFtpSession::MarkBusy() {
  if (!state_.Busy) SetConnectionState(true, true, state_.Text);
}

void TFtpSession::ReturnToIdle() {
  if (FtpClient1_.Connected()) {
    SetConnectionState(true, false);
  } else {
    ResetToNotConnected();
  }
}

void TFtpSession::ResetToNotConnected() {
  link_return_dir_.reset();
  SetConnectionState(false, false);
  ChangeCurDir({});
  emit remotePaneCleared();
}

void TFtpSession::ChangeCurDir(std::string text) {
  cur_dir_ = std::move(text);
  emit curDirChanged();
}

void TFtpSession::AddFtpLogLine(const std::string& line) {
  emit ftpLogLine(QString::fromStdString(line));
}

void TFtpSession::ReportMessage(const std::string& text, TReportKind kind) {
  emit messageReported(QString::fromStdString(text), kind);
}

// ---- engine events ----

void TFtpSession::DisplayHandler(std::string& msg) { AddFtpLogLine(msg); }

void TFtpSession::FtpClient1SessionConnected(std::uint16_t error) {
  AddFtpLogLine("Session Connected, error = " + std::to_string(error));
}

// Whatever the window was doing, the session is over: nothing is sent on
// the closed connection and nothing waits for a completion of it.
void TFtpSession::FtpClient1SessionClosed(std::uint16_t error) {
  AddFtpLogLine("Session Closed, error = " + std::to_string(error));
  ResetToNotConnected();
}

void TFtpSession::FtpClient1Progress(std::int64_t count) {
  const std::int64_t tick = runtime::TickCount();
  if (tick <= NextProgressTick) return;
  NextProgressTick = tick + kProgressIntervalMs;
  emit transferProgress(count);
}

// ---- requests ----

bool TFtpSession::StartEngineRequest(Request request) {
  AddFtpLogLine(session_text::kExecuting);
  NextProgressTick = 0;
  FtpClient1_.SetDisplayFileFlag(false);
  FtpClient1_.OnDisplay = [this](TCustomFtpCli*, std::string& msg) { DisplayHandler(msg); };
  try {
    (FtpClient1_.*request)();
  } catch (const std::exception& e) {
    emit requestRefused(QString::fromStdString(e.what()));
    return false;
  }
  return true;
}

void TFtpSession::cmbConnectionsClick(const TProfileTable& profiles,
                                      std::string_view selected_text) {
  TProfileChoice choice = ChooseProfile(profiles, selected_text);
  user_name_ = std::move(choice.UserName);
  password_ = std::move(choice.Password);
  FtpClient1_.SetHostName(choice.HostName);
  emit credentialsChanged();
}

void TFtpSession::SetEngineSettings() {
  FtpClient1_.SetConnectionType(EngineConnectionType(settings_.Connection));
  FtpClient1_.SetProxyServer(settings_.ProxyAddr);
  FtpClient1_.SetProxyPort(settings_.ProxyPort);
  FtpClient1_.SetSocksServer(settings_.SocksServer);
  FtpClient1_.SetSocksPort(settings_.SocksPort);
  FtpClient1_.SetSocksUserCode(settings_.SocksUser);
  FtpClient1_.SetSocksPassword(settings_.SocksPassword);
  FtpClient1_.SetPort(settings_.Port);
}

void TFtpSession::ApplySettingsToEngine() {
  if (state_.Connected || FtpClient1_.Connected()) return;
  try {
    SetEngineSettings();
  } catch (const std::exception& e) {
    emit requestRefused(QString::fromStdString(e.what()));
  }
}

void TFtpSession::btnConnectClick(bool connection_selected) {
  if (viewer_running_) return;
  if (!connection_selected) {
    emit warningShown(session_text::kNoConnectionSelected);
    return;
  }
  if (password_.empty()) {
    emit warningShown(session_text::kNoPassword);
    return;
  }
  SetConnectionState(true, true, session_text::kConnecting);
  try {
    SetEngineSettings();
  } catch (const std::exception& e) {
    emit requestRefused(QString::fromStdString(e.what()));
    ResetToNotConnected();
    return;
  }
  if (!StartEngineRequest(&TCustomFtpCli::OpenAsync)) ResetToNotConnected();
}

void TFtpSession::btnDisconnectClick() {
  if (viewer_running_) return;
  CloseSession();
}

// An engine still busy with a request cannot take QUIT: it is aborted,
// which closes both connections at once.
void TFtpSession::CloseSession() {
  if (!FtpClient1_.Connected()) {
    ResetToNotConnected();
    return;
  }
  if (!StartEngineRequest(&TCustomFtpCli::QuitAsync)) {
    FtpClient1_.AbortAsync();
    ResetToNotConnected();
  }
}

void TFtpSession::UserAsyncButtonClick() {
  FtpClient1_.SetUserName(user_name_);
  if (!ContinueChain(&TCustomFtpCli::UserAsync)) CloseSession();
}

void TFtpSession::PassAsyncButtonClick() {
  FtpClient1_.SetPassWord(password_);
  if (!ContinueChain(&TCustomFtpCli::PassAsync)) CloseSession();
}

void TFtpSession::SendTypeBinary() {
  FtpClient1_.SetUserName(user_name_);
  FtpClient1_.SetBinary(true);
  if (!ContinueChain(&TCustomFtpCli::TypeSetAsync)) CloseSession();
}

bool TFtpSession::ContinueChain(Request request) {
  if (!FtpClient1_.Connected()) {
    ResetToNotConnected();
    return false;
  }
  return StartEngineRequest(request);
}

void TFtpSession::CwdAsyncButtonClick() {
  if (!FtpClient1_.Connected()) return;
  if (cur_dir_.empty()) {
    ReportMessage(session_text::kInvalidPath, TReportKind::Warning);
    return;
  }
  MarkBusy();
  FtpClient1_.SetHostDirName(cur_dir_);
  if (!StartEngineRequest(&TCustomFtpCli::CwdAsync)) ReturnToIdle();
}

void TFtpSession::EnterLinkAsync(std::string folder) {
  if (!FtpClient1_.Connected()) return;
  link_return_dir_ = std::exchange(cur_dir_, std::move(folder));
  emit curDirChanged();
  CwdAsyncButtonClick();
  if (!ConnectionState().Busy) link_return_dir_.reset();
}

bool TFtpSession::LsAsyncButtonClick() {
  if (!FtpClient1_.Connected()) return false;
  // A file that cannot be removed fails the listing's own write.
  std::error_code ignored;
  std::filesystem::remove(listing_path_, ignored);
  FtpClient1_.SetHostFileName({});
  FtpClient1_.SetLocalFileName(listing_path_);
  FtpClient1_.SetDisplayFileFlag(false);
  FtpClient1_.SetPassive(false);
  MarkBusy();
  return StartEngineRequest(&TCustomFtpCli::DirAsync);
}

bool TFtpSession::PwdAsyncButtonClick() {
  if (!FtpClient1_.Connected()) return false;
  MarkBusy();
  return StartEngineRequest(&TCustomFtpCli::PwdAsync);
}

}  // namespace varnel::ui
