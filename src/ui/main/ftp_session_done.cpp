// FtpClient1RequestDone: the completion table. Every chain of the window
// advances from here, one handler per request; a failed request that a
// user command started always leaves the window usable again.
#include <optional>
#include <string>
#include <utility>

#include "ui/main/ftp_session.h"

namespace varnel::ui {
// The request codes read as the table of the completion handler does.
using namespace ftp;

namespace {

bool IsAccessRefusal(int error) { return error == 500 || error == 501 || error == 550; }

}  // namespace

void TFtpSession::FtpClient1RequestDone(TFtpRequest request, std::uint16_t error) {
  LogCompletion(request, error);
  emit progressReset();
  if (error != 0 && request != ftpOpenAsync && FtpClient1_.ErrorMessage() == kTimeoutErrorMessage) {
    return TimedOut(request, error);
  }
  switch (request) {
    case ftpOpenAsync:
      return OpenDone(error);
    case ftpUserAsync:
      return UserDone(error);
    case ftpPassAsync:
      return PassDone(error);
    case ftpTypeSetAsync:
      return TypeSetDone(error);
    case ftpCwdAsync:
      return CwdDone(error);
    case ftpDirAsync:
    case ftpLsAsync:
    case ftpDirectoryAsync:
    case ftpNameListAsync:
      return ListingDone(error);
    case ftpPwdAsync:
    case ftpCDupAsync:
      return PwdDone(error);
    case ftpMkdAsync:
    case ftpRmdAsync:
    case ftpRenAsync:
      return FolderCommandDone(error);
    case ftpDeleAsync:
      return DeleDone(request, error);
    case ftpGetAsync:
    case ftpPutAsync:
      return TransferDone(request, error);
    case ftpSizeAsync:
      return SizeDone(error);
    case ftpQuitAsync:
      // QUIT ends the session whatever its reply.
      return ResetToNotConnected();
    default:
      return;
  }
}

void TFtpSession::LogCompletion(TFtpRequest request, std::uint16_t error) {
  AddFtpLogLine("Request " + std::to_string(request) + " Done.");
  AddFtpLogLine("StatusCode = " + std::to_string(FtpClient1_.StatusCode()));
  AddFtpLogLine("LastResponse was : '" + FtpClient1_.LastResponse() + "'");
  AddFtpLogLine(error != 0
                    ? "Error = " + std::to_string(error) + " (" + FtpClient1_.ErrorMessage() + ")"
                    : std::string("No error"));
}

// The engine gave up waiting and closed what it had to; the queue learns
// that its step failed, the window becomes usable.
void TFtpSession::TimedOut(TFtpRequest request, int error) {
  link_return_dir_.reset();
  ReportMessage(TimeoutText(FtpClient1_.Timeout(), !FtpClient1_.Connected()), TReportKind::Warning);
  ReturnToIdle();
  if (request == ftpSizeAsync) emit sizeFailed();
  if (request == ftpGetAsync || request == ftpPutAsync || request == ftpDeleAsync) {
    emit queueStepFailed(request, error);
  }
}

void TFtpSession::OpenDone(int error) {
  if (error == 0) return UserAsyncButtonClick();
  ReportMessage(session_text::kUnableToConnect, TReportKind::Warning);
  ResetToNotConnected();
}

// A refused USER ends the login like a refused password.
void TFtpSession::UserDone(int error) {
  if (error == 0) return PassAsyncButtonClick();
  RefusedLogin();
}

void TFtpSession::PassDone(int error) {
  if (error == 0) return SendTypeBinary();
  RefusedLogin();
}

void TFtpSession::RefusedLogin() {
  ReportMessage(session_text::kLoginRefused, TReportKind::Warning);
  CloseSession();
}

void TFtpSession::TypeSetDone(int error) {
  if (error != 0) return ReturnToIdle();
  SetConnectionState(true, false);
  LsAsyncButtonClick();
}

void TFtpSession::CwdDone(int error) {
  const std::optional<std::string> link_return = std::exchange(link_return_dir_, std::nullopt);
  if (error == 0) return ListAfterCommand();
  if (!link_return) return CommandRefused(error);
  // The link names a file: the directory never changed.
  ChangeCurDir(*link_return);
  ReturnToIdle();
  emit linkIsNoFolder();
}

// The window stays busy until the PWD that follows has ended.
void TFtpSession::ListingDone(int error) {
  if (error != 0) return ReturnToIdle();
  const bool pwd_started = PwdAsyncButtonClick();
  emit remoteListingReady();
  if (!pwd_started) ReturnToIdle();
}

void TFtpSession::PwdDone(int error) {
  if (error == 0) ChangeCurDir(FtpClient1_.DirResult());
  ReturnToIdle();
}

void TFtpSession::FolderCommandDone(int error) {
  if (error == 0) return ListAfterCommand();
  CommandRefused(error);
}

// The queue goes on after a refused delete; it is reported, and the
// directory did not change, so no PWD competes with the queue's next step.
void TFtpSession::DeleDone(TFtpRequest request, int error) {
  if (error == 0) {
    emit queueStepDone(request);
    return;
  }
  if (IsAccessRefusal(error)) {
    ReportMessage(session_text::kInsufficientRights, TReportKind::Warning);
  }
  emit queueStepFailed(request, error);
}

void TFtpSession::TransferDone(TFtpRequest request, int error) {
  if (error == 0) {
    emit queueStepDone(request);
  } else {
    emit queueStepFailed(request, error);
  }
}

void TFtpSession::SizeDone(int error) {
  if (error == 0) {
    emit sizeKnown(FtpClient1_.SizeResult());
  } else {
    emit sizeFailed();
  }
}

void TFtpSession::ListAfterCommand() {
  if (!LsAsyncButtonClick()) ReturnToIdle();
}

void TFtpSession::CommandRefused(int error) {
  if (!IsAccessRefusal(error)) return ReturnToIdle();
  ReportMessage(session_text::kInsufficientRights, TReportKind::Warning);
  if (!PwdAsyncButtonClick()) ReturnToIdle();
}

}  // namespace varnel::ui
