// The queue's starts, its steps and its end.
#include "ui/main/transfer_queue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

#include "listing/listing_paths.h"

namespace varnel::ui {
namespace {

constexpr int kStepIntervalMs = 10;

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string TransferFailureText(const std::string& item, const std::string& reason) {
  return "Unable to transfer file (" + item + ") - " + reason;
}

std::string UnsavedCopyText(const std::string& path) {
  return std::string(transfer_text::kUnableToSaveChanges) + ". The edited copy is kept in " + path;
}

std::string SkippedFolderText(const std::string& path) {
  return "Folder not uploaded (only files are): " + path;
}

TTransferQueue::TTransferQueue(TFtpSession& session, QObject* parent)
    : QObject(parent), session_(session) {
  tmrDownload.setObjectName("tmrDownload");
  tmrDownload.setSingleShot(true);
  tmrDownload.setInterval(kStepIntervalMs);
  connect(&tmrDownload, &QTimer::timeout, this, &TTransferQueue::tmrDownloadTimer);
  connect(&session_, &TFtpSession::queueStepDone, this, &TTransferQueue::StepDone);
  connect(&session_, &TFtpSession::queueStepFailed, this, &TTransferQueue::StepFailed);
  connect(&session_, &TFtpSession::sizeKnown, this, &TTransferQueue::SizeKnown);
  connect(&session_, &TFtpSession::sizeFailed, this, &TTransferQueue::SizeFailed);
  connect(&session_, &TFtpSession::transferProgress, this, [this](qint64 count) {
    if (pending_request_ == ftp::ftpGetAsync || pending_request_ == ftp::ftpPutAsync) {
      ShowTransferProgress(count, total_);
    }
  });
  connect(&session_, &TFtpSession::connectionStateChanged, this, [this] {
    if (AwaitsSession()) ArmTimer();
  });
}

// ---- starting ----

bool TTransferQueue::MayStart() const {
  return !session_.ViewerRunning() && !Running() && session_.ConnectedAndIdle();
}

void TTransferQueue::StartDownload(const std::vector<std::string>& names,
                                   const std::string& local_dir) {
  if (!MayStart()) return;
  const std::string folder = listing::EnsureTrailingSlash(session_.CurDir());
  std::deque<TQueueEntry> entries;
  for (const std::string& name : names) {
    entries.push_back({folder, name, listing::JoinLocalPath(local_dir, name).value_or(""), false});
  }
  Begin(TQueueMode::qmDownload, std::move(entries));
}

void TTransferQueue::StartDelete(const std::vector<std::string>& names) {
  if (!MayStart()) return;
  const std::string folder = listing::EnsureTrailingSlash(session_.CurDir());
  std::deque<TQueueEntry> entries;
  for (const std::string& name : names) entries.push_back({folder, name, {}, false});
  Begin(TQueueMode::qmDeleteRemote, std::move(entries));
}

void TTransferQueue::StartUpload(const std::vector<std::string>& paths) {
  if (!MayStart()) return;
  const std::string folder = listing::EnsureTrailingSlash(session_.CurDir());
  std::deque<TQueueEntry> entries;
  for (const std::string& path : paths) {
    if (IsFolder(path)) {
      session_.AddFtpLogLine(SkippedFolderText(path));
      continue;
    }
    entries.push_back({folder, NameOf(path), path, true});
  }
  Begin(TQueueMode::qmUpload, std::move(entries));
}

void TTransferQueue::OpenRemote(const std::string& name, const std::string& cached) {
  if (!MayStart()) return;
  const std::string folder = listing::EnsureTrailingSlash(session_.CurDir());
  Begin(TQueueMode::qmOpenRemote, {{folder, name, cached, false}});
}

// An upload selection of folders alone still ends as a queue does: both
// panes are listed again.
void TTransferQueue::Begin(TQueueMode mode, std::deque<TQueueEntry> entries) {
  if (entries.empty() && mode != TQueueMode::qmUpload) return;
  TransferQueue = std::move(entries);
  abort_requested_ = false;
  reconnect_after_abort_ = false;
  lost_ = false;
  SetQueueMode(mode);
  session_.SetConnectionState(true, true);
  tmrDownloadTimer();
}

void TTransferQueue::SetQueueMode(TQueueMode mode) { mode_ = mode; }

// The stages that wait for a reconnect or a directory change: each change
// of the session's state runs the step again.
bool TTransferQueue::AwaitsSession() const {
  return mode_ == TQueueMode::qmSaveReconnect || mode_ == TQueueMode::qmSaveEnterFolder ||
         mode_ == TQueueMode::qmReturnToFolder;
}

// ---- the step ----

void TTransferQueue::tmrDownloadTimer() {
  tmrDownload.stop();
  if (abort_requested_) return AbortStep();
  // The request's completion runs the step again.
  if (pending_request_ != 0) return;
  switch (mode_) {
    case TQueueMode::qmIdle:
    case TQueueMode::qmViewerOpen:
      return;
    case TQueueMode::qmReturnToFolder:
      return ReconnectedAfterAbort();
    case TQueueMode::qmUpload:
    case TQueueMode::qmDownload:
    case TQueueMode::qmDeleteRemote:
    case TQueueMode::qmOpenRemote:
      return NextFile();
    case TQueueMode::qmViewing:
      return CopyFetched();
    case TQueueMode::qmSaveChanges:
      return SaveStep();
    case TQueueMode::qmSaveReconnect:
      return ReconnectedToSave();
    case TQueueMode::qmSaveEnterFolder:
      return FolderEnteredToSave();
  }
}

// The interrupted request counts as failed now, whenever its completion
// comes; the queue ends, both panes are listed, and a session that the
// abort closed in the middle of a queue is opened again.
void TTransferQueue::AbortStep() {
  abort_requested_ = false;
  if (pending_request_ != 0) StepFailed(pending_request_, 426);
  tmrDownload.stop();
  const bool saving = mode_ == TQueueMode::qmSaveChanges ||
                      mode_ == TQueueMode::qmSaveReconnect ||
                      mode_ == TQueueMode::qmSaveEnterFolder;
  if (saving && !TransferQueue.empty()) SaveFailed(TransferQueue.front().Local);
  const bool reconnect = reconnect_after_abort_ && !session_.FtpClient1().Connected();
  EndQueue(true);
  if (!reconnect) return;
  SetQueueMode(TQueueMode::qmReturnToFolder);
  emit reconnectRequested();
  ArmTimer();
}

// Once the new session has logged in (or failed to), the folder of the
// interrupted queue is entered again.
void TTransferQueue::ReconnectedAfterAbort() {
  const TConnectionState& state = session_.ConnectionState();
  if (state.Connected && state.Busy) return;
  SetQueueMode(TQueueMode::qmIdle);
  const std::string& folder = current_.RemoteFolder;
  if (!state.Connected || folder.empty()) return;
  if (listing::EnsureTrailingSlash(session_.CurDir()) == folder) return;
  session_.SetCurDir(folder);
  session_.CwdAsyncButtonClick();
}

// The next file of a download, upload or delete queue, or the one file to
// fetch for viewing; the queue ends when none is left.
void TTransferQueue::NextFile() {
  const bool connected = session_.FtpClient1().Connected();
  if (!connected && (lost_ || !TransferQueue.empty())) return ConnectionLost();
  if (TransferQueue.empty()) return EndQueue(true);
  // A request that timed out left the window idle; the queue goes on busy.
  if (!session_.ConnectionState().Busy) session_.SetConnectionState(true, true);
  current_ = TransferQueue.front();
  TransferQueue.pop_front();
  switch (mode_) {
    case TQueueMode::qmUpload:
      return UploadFile(current_, current_.Name);
    case TQueueMode::qmDownload:
      return DownloadFile(current_);
    case TQueueMode::qmDeleteRemote:
      return DeleteRemoteFile(current_);
    case TQueueMode::qmOpenRemote:
      SetQueueMode(TQueueMode::qmViewing);
      return DownloadFile(current_);
    default:
      return;
  }
}

void TTransferQueue::CopyFetched() {
  SetQueueMode(TQueueMode::qmViewerOpen);
  emit viewerRequested(QString::fromStdString(current_.Local));
}

void TTransferQueue::ViewerDone(bool changed) {
  if (mode_ != TQueueMode::qmViewerOpen) return;
  if (changed) {
    TransferQueue = {current_};
    SetQueueMode(TQueueMode::qmSaveChanges);
    return ArmTimer();
  }
  if (session_.Settings().ClearCache) ::unlink(current_.Local.c_str());
  SetQueueMode(TQueueMode::qmIdle);
  if (session_.FtpClient1().Connected()) session_.SetConnectionState(true, false);
}

// The edited copy waits in the queue until it goes back; once it has gone
// (or failed to), the queue ends. A session the server closed while the
// viewer ran is opened again first.
void TTransferQueue::SaveStep() {
  if (TransferQueue.empty()) return EndQueue(true);
  if (session_.FtpClient1().Connected()) return SendEditedCopy();
  SetQueueMode(TQueueMode::qmSaveReconnect);
  emit reconnectRequested();
  ArmTimer();
}

// The new session starts in its home folder: the copy's folder is entered
// again first.
void TTransferQueue::ReconnectedToSave() {
  if (!SessionSettled()) return;
  if (!session_.FtpClient1().Connected()) return CopyNotSaved();
  const TQueueEntry& entry = TransferQueue.front();
  if (listing::EnsureTrailingSlash(session_.CurDir()) == entry.RemoteFolder) {
    return SendEditedCopy();
  }
  SetQueueMode(TQueueMode::qmSaveEnterFolder);
  session_.SetCurDir(entry.RemoteFolder);
  session_.CwdAsyncButtonClick();
  ArmTimer();
}

// Whether or not the folder could be entered, the copy goes by its full
// path.
void TTransferQueue::FolderEnteredToSave() {
  if (!SessionSettled()) return;
  if (!session_.FtpClient1().Connected()) return CopyNotSaved();
  SendEditedCopy();
}

// True once the session is connected and idle (the queue then takes it
// busy again); a session that ended meanwhile ends the wait too, and the
// caller finds it closed.
bool TTransferQueue::SessionSettled() {
  const TConnectionState& state = session_.ConnectionState();
  if (state.Connected && state.Busy) return false;
  if (state.Connected) session_.SetConnectionState(true, true);
  return true;
}

// The edited copy goes back under its name into the folder it came from,
// named in full so that it lands there whatever the server's current
// directory is.
void TTransferQueue::SendEditedCopy() {
  SetQueueMode(TQueueMode::qmSaveChanges);
  current_ = TransferQueue.front();
  TransferQueue.pop_front();
  UploadFile(current_, current_.RemoteFolder + current_.Name);
}

// The session could not be opened again: the copy stays in the cache.
void TTransferQueue::CopyNotSaved() {
  SaveFailed(TransferQueue.front().Local);
  EndQueue(false);
}

void TTransferQueue::EndQueue(bool list_remote) {
  TransferQueue.clear();
  target_.Discard();
  SetQueueMode(TQueueMode::qmIdle);
  if (session_.FtpClient1().Connected()) {
    session_.SetConnectionState(true, false);
    if (list_remote) session_.LsAsyncButtonClick();
  }
  emit localRefreshRequested();
}

// A file of a download, upload or delete queue failed with the session
// gone: the queue ends with a word about it.
void TTransferQueue::NoteIfLost() {
  const bool files = mode_ == TQueueMode::qmDownload || mode_ == TQueueMode::qmUpload ||
                     mode_ == TQueueMode::qmDeleteRemote;
  if (files && !session_.FtpClient1().Connected()) lost_ = true;
}

void TTransferQueue::ConnectionLost() {
  emit messageReported(transfer_text::kConnectionLost, TReportKind::Warning);
  EndQueue(false);
}

void TTransferQueue::btnAbortClick() {
  if (session_.ViewerRunning()) return;
  abort_requested_ = true;
  const TConnectionState& state = session_.ConnectionState();
  reconnect_after_abort_ = Running() && state.Connected && state.Text.empty();
  session_.AddFtpLogLine(session_text::kExecuting);
  try {
    session_.FtpClient1().AbortAsync();
  } catch (const std::exception&) {
    emit noteShown(transfer_text::kProblem2);
  }
  ArmTimer();
}

}  // namespace varnel::ui
