// The limit on time without progress: a request that sees no connect, no
// reply byte and no data byte in either direction for Timeout seconds ends
// with "426 Timeout", and both connections close.
//
// One loop timer watches the running request. Progress only records the
// tick; the timer, once due, looks how long ago that was and sleeps again
// for the rest, so a transfer costs no timer work per block.
#include "ftp/ftp_client.h"

namespace varnel::ftp {
namespace {

constexpr std::int64_t kMsPerSecond = 1000;
constexpr int kTimedOut = 426;

}  // namespace

void TCustomFtpCli::StartWatchdog() {
  if (watchdog_ != 0 || progress_timeout_ <= 0) return;
  NoteProgress();
  watchdog_ = loop_->StartTimer(progress_timeout_ * kMsPerSecond, notify_->Id(),
                                [this] { OnWatchdogDue(); });
}

void TCustomFtpCli::StopWatchdog() {
  if (watchdog_ == 0) return;
  loop_->CancelTimer(watchdog_);
  watchdog_ = 0;
}

// Runs from the loop like the engine's notifications, so nothing raised
// here reaches the loop either.
void TCustomFtpCli::OnWatchdogDue() {
  watchdog_ = 0;
  if (!IsBusy() || progress_timeout_ <= 0) return;
  const std::int64_t limit = progress_timeout_ * kMsPerSecond;
  const std::int64_t quiet = runtime::TickCount() - last_progress_tick_;
  if (quiet < limit) {
    watchdog_ = loop_->StartTimer(limit - quiet, notify_->Id(), [this] { OnWatchdogDue(); });
    return;
  }
  try {
    EndRequestOnTimeout();
  } catch (const std::exception& E) {
    ReportBgException(E);
  }
}

// The data connection goes without its handlers, so that the transfer ends
// here and not as if its data were complete; the close of the control
// connection reports the completion, or, with no connection to close (a
// name still being resolved), the last line does.
void TCustomFtpCli::EndRequestOnTimeout() {
  error_message_ = kTimeoutErrorMessage;
  status_code_ = kTimedOut;
  step_result_ = kTimedOut;
  saved_code_ = -1;  // the sequence reports the timeout, not its last step's reply
  FireDisplay("! " + error_message_);
  local_file_.Close();
  ResetDataSocket();
  if (state_ == ftpDnsLookup) control_socket_.CancelDnsLookup();
  if (control_socket_.State() != socket::wsClosed) control_socket_.Close();
  ReportCompletion(kTimedOut);
}

}  // namespace varnel::ftp
