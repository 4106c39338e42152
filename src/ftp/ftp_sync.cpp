// TFtpClient: synchronous wrappers that start a request and wait in the
// event loop until it ends. The wait needs no clock of its own: the engine
// ends a request that makes no progress for Timeout seconds.
#include "ftp/ftp_client.h"

namespace varnel::ftp {

TFtpClient::TFtpClient(runtime::EventLoop& loop) : TCustomFtpCli(loop) {
  SetProgressTimeout(kDefaultTimeout);
}

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

// Sleeps until the loop has work (the engine's watchdog is such work),
// runs it, and looks again.
bool TFtpClient::WaitReady() {
  for (;;) {
    if (IsReady()) return StepResult() == 0;
    if (runtime::ApplicationTerminating()) break;
    Loop().WaitForWork(-1);
    if (multi_threaded_) {
      ControlSocket().PumpMessages();
    } else {
      Loop().Pump();
    }
  }
  AbortAsync();
  SetErrorMessage(kTimeoutErrorMessage);
  SetStatusCode(426);
  return false;
}

}  // namespace varnel::ftp
