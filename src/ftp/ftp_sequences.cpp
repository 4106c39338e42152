// Multi-step requests: one request that runs a fixed set of steps in the
// runner's order and ends with a single OnRequestDone carrying its own code.
#include "ftp/ftp_client.h"

namespace varnel::ftp {
namespace {

constexpr int kSequenceAborted = 426;
constexpr int kStepRefused = 500;

}  // namespace

// ---- the sequence requests ----

void TCustomFtpCli::ConnectAsync() {
  StartSequence(ftpConnectAsync, {stepOpen, stepUser, stepPass});
}

void TCustomFtpCli::ReceiveAsync() {
  StartSequence(ftpReceiveAsync, {stepOpen, stepUser, stepPass, stepCwd, stepTypeSet, stepPort,
                                  stepGet, stepQuit});
}

void TCustomFtpCli::DirAsync() { StartSequence(ftpDirAsync, {stepPort, stepDir}); }

void TCustomFtpCli::LsAsync() { StartSequence(ftpLsAsync, {stepPort, stepLs}); }

void TCustomFtpCli::GetAsync() { StartSequence(ftpGetAsync, {stepPort, stepGet}); }

void TCustomFtpCli::DirectoryAsync() {
  StartSequence(ftpDirectoryAsync,
                {stepOpen, stepUser, stepPass, stepCwd, stepPort, stepDir, stepQuit});
}

void TCustomFtpCli::NameListAsync() {
  StartSequence(ftpNameListAsync,
                {stepOpen, stepUser, stepPass, stepCwd, stepPort, stepLs, stepQuit});
}

void TCustomFtpCli::SystemAsync() {
  StartSequence(ftpSystemAsync, {stepOpen, stepUser, stepPass, stepSyst, stepQuit});
}

void TCustomFtpCli::FileSizeAsync() {
  StartSequence(ftpSizeAsync, {stepOpen, stepUser, stepPass, stepCwd, stepSize, stepQuit});
}

void TCustomFtpCli::PutAsync() { StartSequence(ftpPutAsync, {stepPort, stepPut}); }

void TCustomFtpCli::AppendAsync() { StartSequence(ftpAppendAsync, {stepPort, stepAppend}); }

void TCustomFtpCli::RenameAsync() {
  StartSequence(ftpRenameAsync,
                {stepOpen, stepUser, stepPass, stepCwd, stepRenFrom, stepRenTo, stepQuit});
}

void TCustomFtpCli::RenAsync() { StartSequence(ftpRenAsync, {stepRenFrom, stepRenTo}); }

void TCustomFtpCli::DeleteAsync() {
  StartSequence(ftpDeleteAsync, {stepOpen, stepUser, stepPass, stepCwd, stepDele, stepQuit});
}

void TCustomFtpCli::MkdirAsync() {
  StartSequence(ftpMkdirAsync, {stepOpen, stepUser, stepPass, stepCwd, stepMkd, stepQuit});
}

void TCustomFtpCli::RmdirAsync() {
  StartSequence(ftpRmdirAsync, {stepOpen, stepUser, stepPass, stepCwd, stepRmd, stepQuit});
}

void TCustomFtpCli::DoQuoteAsync() {
  StartSequence(ftpDoQuoteAsync, {stepOpen, stepUser, stepPass, stepCwd, stepQuote, stepQuit});
}

void TCustomFtpCli::TransmitAsync() {
  StartSequence(ftpTransmitAsync, {stepOpen, stepUser, stepPass, stepCwd, stepTypeSet, stepPort,
                                   stepPut, stepQuit});
}

void TCustomFtpCli::AppendFileAsync() {
  StartSequence(ftpTransmitAsync, {stepOpen, stepUser, stepPass, stepCwd, stepTypeSet, stepPort,
                                   stepAppend, stepQuit});
}

void TCustomFtpCli::RestGetAsync() { StartSequence(ftpRestGetAsync, {stepPort, stepRest, stepGet}); }

void TCustomFtpCli::RestartReceiveAsync() {
  StartSequence(ftpRestartReceiveAsync, {stepOpen, stepUser, stepPass, stepCwd, stepTypeSet,
                                         stepPort, stepRest, stepGet, stepQuit});
}

void TCustomFtpCli::RestPutAsync() { StartSequence(ftpRestPutAsync, {stepPort, stepRest, stepPut}); }

void TCustomFtpCli::RestartTransmitAsync() {
  StartSequence(ftpRestartTransmitAsync, {stepOpen, stepUser, stepPass, stepCwd, stepTypeSet,
                                          stepPort, stepRest, stepPut, stepQuit});
}

// ---- the runner ----

// The first step starts inside this call; its refusal reaches the caller and
// leaves no sequence behind.
void TCustomFtpCli::StartSequence(TFtpRequest Code, TFtpSteps Steps) {
  if (link_ && Steps.Contains(stepOpen)) throw FtpException("FTP component already connected");
  if (!IsReady()) throw FtpException("FTP component not ready");
  RefuseLineBreaks(Steps);
  const TFtpRequest previous_request = request_type_;
  const std::string previous_response = last_response_;
  const std::string previous_error = error_message_;
  saved_reply_ = last_response_;
  saved_code_ = -1;
  request_type_ = Code;
  step_result_ = 0;
  pending_steps_ = Steps;
  step_ = stepNone;
  sequence_result_ = 0;
  sequence_running_ = true;
  sequence_continues_ = false;
  last_response_.clear();
  error_message_.clear();
  try {
    RunSequence();
  } catch (const std::exception&) {
    EndSequenceState();
    request_type_ = previous_request;
    last_response_ = previous_response;
    error_message_ = previous_error;
    throw;
  }
}

void TCustomFtpCli::RunSequence() {
  if (state_ == ftpAbort) AbandonSequence();
  sequence_continues_ = true;
  const TFtpStep finished = step_;
  for (int kind = stepOpen; kind <= stepQuit; ++kind) {
    const auto step = static_cast<TFtpStep>(kind);
    if (!pending_steps_.Contains(step)) continue;
    pending_steps_.Exclude(step);
    // The server accepted the user without a password.
    if (step == stepPass && finished == stepUser && status_code_ != 331) continue;
    if (step == stepCwd && host_dir_name_.empty()) continue;
    // A transfer restarts only after a 350 answer to REST; otherwise it
    // starts from the beginning of the file.
    if ((step == stepGet || step == stepPut) &&
        (finished != stepRest || resume_at_ < 0 || status_code_ != 350)) {
      resume_at_ = 0;
    }
    if (step == stepQuit) {
      saved_reply_ = last_response_;
      saved_code_ = status_code_;
    }
    StartStep(step);
    return;
  }
  pending_steps_ = TFtpSteps{};
  sequence_continues_ = false;
  completion_guard_ = false;
  ReportCompletion(sequence_result_);
}

// Run from a step's successful completion, inside a socket event: a step
// that refuses to start ends the sequence with an error instead of raising.
void TCustomFtpCli::ContinueSequence() {
  try {
    RunSequence();
  } catch (const std::exception& E) {
    FailSequenceStep(E.what());
  }
}

void TCustomFtpCli::FailSequenceStep(const std::string& Reason) {
  FireDisplay("! " + Reason);
  error_message_ = Reason;
  status_code_ = kStepRefused;
  step_result_ = kStepRefused;
  sequence_continues_ = false;
  completion_guard_ = false;
  ReportCompletion(kStepRefused);
}

void TCustomFtpCli::StartStep(TFtpStep Step) {
  switch (Step) {
    case stepNone:
      return;
    case stepOpen:
      return OpenAsync();
    case stepUser:
      return UserAsync();
    case stepPass:
      return PassAsync();
    case stepCwd:
      return CwdAsync();
    case stepCDup:
      return CDupAsync();
    case stepTypeSet:
      return TypeSetAsync();
    case stepPort:
      return PortAsync();
    case stepRest:
      return RestAsync();
    case stepGet:
      return RetrAsync();
    case stepPut:
      return StorAsync();
    case stepAppend:
      return AppeAsync();
    case stepDir:
      return ListAsync();
    case stepLs:
      return NlstAsync();
    case stepSyst:
      return SystAsync();
    case stepMkd:
      return MkdAsync();
    case stepRmd:
      return RmdAsync();
    case stepRenFrom:
      return RenFromAsync();
    case stepRenTo:
      return RenToAsync();
    case stepSize:
      return SizeAsync();
    case stepDele:
      return DeleAsync();
    case stepPwd:
      return PwdAsync();
    case stepAbor:
      return SendAbor();
    case stepQuote:
      return QuoteAsync();
    case stepQuit:
      return SendQuit();
  }
}

// A QUIT or ABOR of the application, or an abort, ends the running sequence
// with 426 once the current step is over; nothing reports it as a success.
void TCustomFtpCli::AbandonSequence() {
  if (!sequence_running_) return;
  pending_steps_ = TFtpSteps{};
  sequence_result_ = kSequenceAborted;
  error_message_ = "426 Operation aborted.";
}

void TCustomFtpCli::EndSequenceState() {
  sequence_running_ = false;
  sequence_continues_ = false;
  pending_steps_ = TFtpSteps{};
}

}  // namespace varnel::ftp
