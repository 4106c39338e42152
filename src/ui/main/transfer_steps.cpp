// One request per queue step, and what its completion decides.
#include <unistd.h>

#include "listing/display_bytes.h"
#include "runtime/event_loop.h"
#include "ui/main/transfer_queue.h"

namespace varnel::ui {
namespace {

using ftp::TCustomFtpCli;

// A request the engine refused to start (the session showed why).
constexpr int kNotStarted = -1;

bool IsPermissionRefusal(int error) { return error == 500 || error == 501; }

std::int64_t LocalFileSize(const std::string& path) {
  const std::int64_t size = ftp::LocalFile::SizeOf(path);
  return size < 0 ? 0 : size;
}

}  // namespace

// ---- starting the requests ----

// The size query first; its completion starts the download (StartGet).
void TTransferQueue::DownloadFile(const TQueueEntry& entry) {
  size_state_ = TSizeState::szWaiting;
  announced_ = -1;
  std::string error;
  if (entry.Local.empty()) {
    DownloadFailed("its name is not allowed for a local file");
    return ArmTimer();
  }
  if (!target_.Create(entry.Local, &error)) {
    DownloadFailed("cannot write beside " + entry.Local + ": " + error);
    return ArmTimer();
  }
  SetEngineFiles(entry, target_.TemporaryPath());
  StartStep(&TCustomFtpCli::SizeAsync, ftp::ftpSizeAsync);
}

void TTransferQueue::SizeKnown(qint64 size) {
  if (pending_request_ != ftp::ftpSizeAsync) return;
  pending_request_ = 0;
  if (abort_requested_) return;
  size_state_ = TSizeState::szKnown;
  announced_ = size;
  total_ = size;
  ShowTransferProgress(0, total_);
  StartGet();
}

// A server without SIZE (or refusing it for this file) still gives the
// file: it comes with an unknown size.
void TTransferQueue::SizeFailed() {
  if (pending_request_ != ftp::ftpSizeAsync) return;
  pending_request_ = 0;
  if (abort_requested_) return;
  size_state_ = TSizeState::szFailed;
  total_ = 0;
  ShowTransferProgress(0, total_);
  StartGet();
}

void TTransferQueue::StartGet() {
  if (!session_.FtpClient1().Connected()) {
    NoteIfLost();
    DownloadFailed({});
    return ArmTimer();
  }
  TransferStart = runtime::TickCount();
  size_state_ = TSizeState::szTransferring;
  SetEngineFiles(current_, target_.TemporaryPath());
  StartStep(&TCustomFtpCli::GetAsync, ftp::ftpGetAsync);
}

// Stored under `host_file` (the name, or for an edited copy the full
// remote path), replacing a remote file of that name.
void TTransferQueue::UploadFile(const TQueueEntry& entry, const std::string& host_file) {
  total_ = LocalFileSize(entry.Local);
  TransferStart = runtime::TickCount();
  ShowTransferProgress(0, total_);
  ftp::TFtpClient& engine = session_.FtpClient1();
  engine.SetHostDirName(entry.RemoteFolder);
  engine.SetHostFileName(host_file);
  engine.SetLocalFileName(entry.Local);
  engine.SetBinary(true);
  engine.SetPassive(false);
  StartStep(&TCustomFtpCli::PutAsync, ftp::ftpPutAsync);
}

// The server gets the path as it wrote it: "DELE /pub/a.txt".
void TTransferQueue::DeleteRemoteFile(const TQueueEntry& entry) {
  session_.FtpClient1().SetHostFileName(entry.RemoteFolder + entry.Name);
  StartStep(&TCustomFtpCli::DeleAsync, ftp::ftpDeleAsync);
}

void TTransferQueue::SetEngineFiles(const TQueueEntry& entry, const std::string& local) {
  ftp::TFtpClient& engine = session_.FtpClient1();
  engine.SetHostDirName(entry.RemoteFolder);
  engine.SetHostFileName(entry.Name);
  engine.SetLocalFileName(local);
  engine.SetPassive(false);
}

// A request that cannot start fails its entry at once; the queue goes on.
bool TTransferQueue::StartStep(TFtpSession::Request request, int code) {
  pending_request_ = code;
  if (session_.StartEngineRequest(request)) return true;
  StepFailed(code, kNotStarted);
  return false;
}

// ---- completions ----

void TTransferQueue::StepDone(int request) {
  if (request != pending_request_ || request == 0) return;
  pending_request_ = 0;
  if (request == ftp::ftpGetAsync) DownloadDone();
  if (request == ftp::ftpPutAsync && mode_ == TQueueMode::qmSaveChanges) {
    unsaved_.erase(current_.Local);
    if (session_.Settings().ClearCache) ::unlink(current_.Local.c_str());
  }
  ArmTimer();
}

// The failure tests in their order: an edited copy not saved, a copy for
// viewing not fetched, then any transfer refused for lack of permission.
void TTransferQueue::StepFailed(int request, int error) {
  if (request != pending_request_ || request == 0) return;
  pending_request_ = 0;
  NoteIfLost();
  const bool put = request == ftp::ftpPutAsync;
  if (put && mode_ == TQueueMode::qmSaveChanges) {
    SaveFailed(current_.Local);
  } else if (request == ftp::ftpGetAsync || request == ftp::ftpSizeAsync) {
    DownloadFailed(IsPermissionRefusal(error) ? transfer_text::kPermissionDenied : "");
  } else if (put && IsPermissionRefusal(error)) {
    emit messageReported(
        QString::fromStdString(TransferFailureText(CurrentItem(), transfer_text::kPermissionDenied)),
        TReportKind::Warning);
  }
  ArmTimer();
}

// Only a download that ended with every announced byte replaces its
// target.
void TTransferQueue::DownloadDone() {
  const std::int64_t received = session_.FtpClient1().ByteCount();
  if (announced_ >= 0 && received != announced_) {
    return DownloadFailed("the server announced " + std::to_string(announced_) +
                          " bytes but sent " + std::to_string(received));
  }
  std::string error;
  if (!target_.Commit(&error)) {
    DownloadFailed("cannot replace " + current_.Local + ": " + error);
  }
}

// The local file the download was meant to replace is left as it was.
// `reason` empty: the FTP log has said enough.
void TTransferQueue::DownloadFailed(const std::string& reason) {
  target_.Discard();
  if (mode_ == TQueueMode::qmViewing) {
    emit warningShown(transfer_text::kUnableToOpenFile);
    // Nothing is left to fetch: the next step ends the queue instead of
    // starting a viewer.
    SetQueueMode(TQueueMode::qmOpenRemote);
    return;
  }
  if (reason.empty()) return;
  emit messageReported(QString::fromStdString(TransferFailureText(CurrentItem(), reason)),
                       TReportKind::Warning);
}

void TTransferQueue::SaveFailed(const std::string& copy) {
  unsaved_.insert(copy);
  emit warningShown(QString::fromStdString(UnsavedCopyText(copy)));
}

// ---- progress ----

void TTransferQueue::ShowTransferProgress(std::int64_t count, std::int64_t total) {
  const std::string label = listing::TransferProgressLabel(count, total);
  const std::string hint = listing::TransferProgressHint(label, count, ElapsedMs());
  emit progressShown(count, total, QString::fromStdString(label), QString::fromStdString(hint));
}

std::int64_t TTransferQueue::ElapsedMs() const { return runtime::TickCount() - TransferStart; }

}  // namespace varnel::ui
