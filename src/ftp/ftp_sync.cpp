// TFtpClient: synchronous wrappers that start a request and pump the event
// loop until it ends, with Timeout as the limit on time without progress.
#include <algorithm>

#include "ftp/ftp_client.h"

namespace varnel::ftp {
namespace {

// Longest block of the wait between two pumps.
constexpr std::int64_t kWaitSliceMs = 10;
constexpr std::int64_t kMsPerSecond = 1000;

}  // namespace

TFtpClient::TFtpClient(runtime::EventLoop& loop) : TCustomFtpCli(loop) {}

void TFtpClient::SetMultiThreaded(bool Value) {
  multi_threaded_ = Value;
  ControlSocket().SetMultiThreaded(Value);
  DataSocket().SetMultiThreaded(Value);
}

bool TFtpClient::Open() { return RunAndWait(&TCustomFtpCli::OpenAsync); }
bool TFtpClient::User() { return RunAndWait(&TCustomFtpCli::UserAsync); }
bool TFtpClient::Pass() { return RunAndWait(&TCustomFtpCli::PassAsync); }
bool TFtpClient::Cwd() { return RunAndWait(&TCustomFtpCli::CwdAsync); }
bool TFtpClient::Pwd() { return RunAndWait(&TCustomFtpCli::PwdAsync); }
bool TFtpClient::Get() { return RunAndWait(&TCustomFtpCli::GetAsync); }
bool TFtpClient::Put() { return RunAndWait(&TCustomFtpCli::PutAsync); }
bool TFtpClient::Dir() { return RunAndWait(&TCustomFtpCli::DirAsync); }
bool TFtpClient::Mkd() { return RunAndWait(&TCustomFtpCli::MkdAsync); }
bool TFtpClient::Rmd() { return RunAndWait(&TCustomFtpCli::RmdAsync); }
bool TFtpClient::Dele() { return RunAndWait(&TCustomFtpCli::DeleAsync); }
bool TFtpClient::Ren() { return RunAndWait(&TCustomFtpCli::RenAsync); }
bool TFtpClient::Size() { return RunAndWait(&TCustomFtpCli::SizeAsync); }
bool TFtpClient::Quit() { return RunAndWait(&TCustomFtpCli::QuitAsync); }
bool TFtpClient::Abort() { return RunAndWait(&TCustomFtpCli::AbortAsync); }

bool TFtpClient::TypeBinary() {
  SetBinary(true);
  return RunAndWait(&TCustomFtpCli::TypeSetAsync);
}

// A request that refuses to start is a plain failure here.
bool TFtpClient::RunAndWait(Request Start) {
  try {
    (this->*Start)();
  } catch (const std::exception&) {
    return false;
  }
  return WaitReady();
}

bool TFtpClient::WaitReady() {
  deadline_ = runtime::TickCount() + timeout_ * kMsPerSecond;
  for (;;) {
    if (IsReady()) return StepResult() == 0;
    if (runtime::ApplicationTerminating()) break;
    const std::int64_t remaining = deadline_ - runtime::TickCount();
    if (timeout_ > 0 && remaining < 0) break;
    if (multi_threaded_) {
      ControlSocket().PumpMessages();
    } else {
      Loop().Pump();
    }
    if (IsReady()) continue;
    const std::int64_t slice = timeout_ > 0 ? std::clamp<std::int64_t>(remaining, 0, kWaitSliceMs)
                                            : kWaitSliceMs;
    Loop().WaitForWork(static_cast<int>(slice));
  }
  AbortAsync();
  SetErrorMessage("426 Timeout");
  SetStatusCode(426);
  return false;
}

// Progress moves the deadline: Timeout limits the time without progress,
// not the length of a transfer.
bool TFtpClient::FireProgress() {
  const bool go_on = TCustomFtpCli::FireProgress();
  if (timeout_ > 0) deadline_ = runtime::TickCount() + timeout_ * kMsPerSecond;
  return go_on;
}

}  // namespace varnel::ftp
