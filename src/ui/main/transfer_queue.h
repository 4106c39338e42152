// The transfer queue of the main window: downloads, uploads and remote
// deletions of several files, worked through one file at a time, and the
// remote file opened in a viewer whose edited copy goes back to the server.
// Each completion of the session re-arms the 10 ms timer tmrDownload, whose
// firing runs one step; the size query before a download continues the
// step from its own completion, so nothing ever waits in a nested loop.
//
// Downloads go to a temporary file beside the target, which replaces the
// target only when the transfer completed with the announced size: a
// failed or aborted download never destroys or truncates a local file.
//
// No widgets here: the window shows what the signals say and asks the
// user before it starts a queue.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "runtime/replacing_file.h"
#include "ui/main/ftp_session.h"

namespace varnel::ui {

namespace transfer_text {
inline constexpr const char* kDeleteQuestion =
    "Are you sure that you want to delete the selected file(s)?";
inline constexpr const char* kUnableToOpenFile = "Unable to open file";
inline constexpr const char* kUnableToSaveChanges = "Unable to save changes";
inline constexpr const char* kProblem2 = "Problem 2";
inline constexpr const char* kPermissionDenied = "Permission denied by the server";
inline constexpr const char* kConnectionLost =
    "The connection to the server was closed; the remaining file(s) were left as they were";
}  // namespace transfer_text

// "Unable to transfer file (" + item + ") - " + reason.
std::string TransferFailureText(const std::string& item, const std::string& reason);

// "Unable to save changes. The edited copy is kept in " + path.
std::string UnsavedCopyText(const std::string& path);

// The line the FTP log gets for a folder left out of an upload.
std::string SkippedFolderText(const std::string& path);

// Where the queue stands (QueueMode). SetQueueMode is the only place it
// changes; each step of tmrDownload runs the handler of the current value.
enum class TQueueMode {
  qmIdle,
  qmUpload,        // local files into the current remote directory
  qmDownload,      // remote files into the local folder
  qmDeleteRemote,  // remote files deleted
  qmOpenRemote,    // one remote file fetched into the cache for viewing
  qmViewing,       // the copy is being fetched; the viewer runs once it is
  qmViewerOpen,    // the viewer runs; ViewerDone goes on
  qmSaveChanges,   // the edited copy goes back
  // The session closed while the viewer ran: the save waits for the
  // reconnect, then for the copy's folder to be entered again.
  qmSaveReconnect,
  qmSaveEnterFolder,
  // An abort ended the queue and closed the session: once the reconnect
  // has ended, the interrupted entry's folder is entered again. The queue
  // counts as not running.
  qmReturnToFolder,
};

// Where the download of the current file stands (SizeState).
enum class TSizeState { szWaiting, szFailed, szTransferring, szKnown };

// One file of the queue.
struct TQueueEntry {
  std::string RemoteFolder;  // the remote directory, ending in "/"
  std::string Name;          // the file's name on the server
  std::string Local;         // its local path: upload source, download target or cached copy
  bool Upload = false;

  // The entry as messages name it: the local path of an upload, else the
  // remote path.
  std::string Item() const { return Upload ? Local : RemoteFolder + Name; }
};

class TTransferQueue : public QObject {
  Q_OBJECT

 public:
  explicit TTransferQueue(TFtpSession& session, QObject* parent = nullptr);

  TQueueMode QueueMode() const { return mode_; }
  bool Running() const {
    return mode_ != TQueueMode::qmIdle && mode_ != TQueueMode::qmReturnToFolder;
  }
  TSizeState SizeState() const { return size_state_; }
  // The entry being processed, as messages name it.
  std::string CurrentItem() const { return current_.Item(); }
  bool AbortRequested() const { return abort_requested_; }

  // Queue starts (btnDownloadClick, btnUploadClick and the viewing of
  // lvwFileListDblClick). Each empties the queue, clears the abort mark,
  // sets the window busy and runs the first step at once; none does
  // anything while the viewer runs or a queue is still running, or when
  // there is nothing to do.
  //
  // `names`: files of the current remote directory (folders are left to
  // the caller), downloaded into `local_dir` captured now.
  void StartDownload(const std::vector<std::string>& names, const std::string& local_dir);
  void StartDelete(const std::vector<std::string>& names);
  // Local paths; folders among them are skipped with a line in the FTP
  // log.
  void StartUpload(const std::vector<std::string>& paths);
  // `name` of the current remote directory into `cached`, then the viewer.
  void OpenRemote(const std::string& name, const std::string& cached);

  // viewerRequested was answered: the viewer has closed, `changed` when the
  // copy changed (or the viewer could not run: false).
  void ViewerDone(bool changed);

  // btnAbortClick: the engine drops both connections; the next step
  // refreshes both panes and, when a queue was interrupted, reconnects and
  // enters the remote folder again.
  void btnAbortClick();

  // Edited copies whose upload failed in this run: kept in the cache.
  const std::set<std::string>& UnsavedCopies() const { return unsaved_; }

  // One queue step (tmrDownloadTimer); the timer runs it.
  void tmrDownloadTimer();

 signals:
  // The progress display: gauge at `count` of `total` (0: unknown), the
  // label and the rate hint.
  void progressShown(qint64 count, qint64 total, const QString& label, const QString& hint);
  // ReportMessage: a box unless errors are suppressed, and the message log.
  void messageReported(const QString& text, varnel::ui::TReportKind kind);
  // A warning box shown whatever the settings, not logged.
  void warningShown(const QString& text);
  // A plain message box.
  void noteShown(const QString& text);
  // The local pane lists its folder again.
  void localRefreshRequested();
  // Connect again with the profile chosen (btnConnectClick).
  void reconnectRequested();
  // Run the viewer on the cached copy `path`, then call ViewerDone.
  void viewerRequested(const QString& path);

 private:
  // transfer_queue.cpp: starting, the steps, ending.
  bool MayStart() const;
  void Begin(TQueueMode mode, std::deque<TQueueEntry> entries);
  void SetQueueMode(TQueueMode mode);
  bool AwaitsSession() const;
  void ArmTimer() { tmrDownload.start(); }
  void AbortStep();
  void ReconnectedAfterAbort();
  void NextFile();
  void CopyFetched();
  void SaveStep();
  void ReconnectedToSave();
  void FolderEnteredToSave();
  bool SessionSettled();
  void SendEditedCopy();
  void CopyNotSaved();
  void EndQueue(bool list_remote);
  void ConnectionLost();
  void NoteIfLost();

  // transfer_steps.cpp: one request per step and their completions.
  void DownloadFile(const TQueueEntry& entry);
  void UploadFile(const TQueueEntry& entry, const std::string& host_file);
  void DeleteRemoteFile(const TQueueEntry& entry);
  bool StartStep(TFtpSession::Request request, int code);
  void SetEngineFiles(const TQueueEntry& entry, const std::string& local);
  void SizeKnown(qint64 size);
  void SizeFailed();
  void StartGet();
  void StepDone(int request);
  void StepFailed(int request, int error);
  void DownloadDone();
  void DownloadFailed(const std::string& reason);
  void SaveFailed(const std::string& copy);
  void ShowTransferProgress(std::int64_t count, std::int64_t total);
  std::int64_t ElapsedMs() const;

  TFtpSession& session_;
  QTimer tmrDownload;
  std::deque<TQueueEntry> TransferQueue;
  TQueueMode mode_ = TQueueMode::qmIdle;
  // The entry being processed; after an abort, the one interrupted.
  TQueueEntry current_;
  TSizeState size_state_ = TSizeState::szKnown;
  std::int64_t TransferStart = 0;  // tick of the transfer's start
  std::int64_t total_ = 0;         // the size the gauge runs to; 0: unknown
  std::int64_t announced_ = -1;    // the size query's answer; -1: none
  bool abort_requested_ = false;
  bool reconnect_after_abort_ = false;
  // The request of this queue the session will complete; 0: none.
  int pending_request_ = 0;
  // The download's temporary file, moved over its target on success.
  runtime::ReplacingFile target_;
  // A file of the queue failed because the session had closed.
  bool lost_ = false;
  std::set<std::string> unsaved_;
};

}  // namespace varnel::ui
