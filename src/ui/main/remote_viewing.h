// Viewing and editing a remote file: a double-click on a remote file
// checks its viewer, fetches the file through the transfer queue into the
// cache (one folder per server and remote folder), runs the viewer as a
// process while the window and the engine go on being serviced, and hands
// the copy back to the queue for upload when the viewer changed it.
//
// No widgets here: the window shows the boxes the signals ask for.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <string>

#include "ui/main/ftp_session.h"

namespace varnel::ui {

class FileAssociations;
class TTransferQueue;

// What tells an edited copy from the one the viewer got: the file's
// identity (a viewer that saves by replacing makes a new file), size and
// modification time to the nanosecond, so even an edit saved within the
// same second as the download counts.
struct TFileStamp {
  bool Exists = false;
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;

  bool operator==(const TFileStamp&) const = default;
};

TFileStamp FileStampOf(const std::string& path);

// "An edited copy of this file could not be saved; it is kept in <path>.
// Save or move it before you open the file again."
std::string UnsavedCopyOpenText(const std::string& path);

class TRemoteViewing : public QObject {
  Q_OBJECT

 public:
  // `cache_dir` ends in "/".
  TRemoteViewing(TFtpSession& session, TTransferQueue& queue, const FileAssociations& associations,
                 std::string cache_dir, QObject* parent = nullptr);

  // lvwFileListDblClick, file branch: `name` of the current remote
  // directory.
  void OpenRemoteFile(const std::string& name);

  // The cached copy of `name` of the current remote directory; empty when
  // the name cannot be a local file.
  std::string CachedCopy(const std::string& name) const;

 signals:
  // A warning box shown whatever the settings, not logged.
  void warningShown(const QString& text);
  // ReportMessage: a box unless errors are suppressed, and the message log.
  void messageReported(const QString& text, varnel::ui::TReportKind kind);

 private:
  void EditInViewer(const QString& path);
  void ViewerEnded(bool started);

  TFtpSession& session_;
  TTransferQueue& queue_;
  const FileAssociations& associations_;
  std::string cache_dir_;
  QProcess viewer_;
  std::string file_;
  TFileStamp before_;
};

}  // namespace varnel::ui
