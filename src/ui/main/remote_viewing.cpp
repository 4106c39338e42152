#include "ui/main/remote_viewing.h"

#include <sys/stat.h>

#include <QFile>
#include <QStringList>

#include "listing/listing_paths.h"
#include "runtime/program_files.h"
#include "ui/main/cache_paths.h"
#include "ui/main/remote_pane.h"
#include "ui/main/transfer_queue.h"
#include "ui/main/viewer_launch.h"

namespace varnel::ui {
namespace {

constexpr std::int64_t kNsPerSecond = 1000000000;

QString Shown(const std::string& bytes) { return QFile::decodeName(bytes.c_str()); }

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

TFileStamp FileStampOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
          info.st_size, info.st_mtim.tv_sec * kNsPerSecond + info.st_mtim.tv_nsec};
}

std::string UnsavedCopyOpenText(const std::string& path) {
  return "An edited copy of this file could not be saved; it is kept in " + path +
         ". Save or move it before you open the file again.";
}

TRemoteViewing::TRemoteViewing(TFtpSession& session, TTransferQueue& queue,
                               const FileAssociations& associations, std::string cache_dir,
                               QObject* parent)
    : QObject(parent),
      session_(session),
      queue_(queue),
      associations_(associations),
      cache_dir_(std::move(cache_dir)) {
  // The viewer writes where the program does and reads nothing.
  viewer_.setProcessChannelMode(QProcess::ForwardedChannels);
  viewer_.setStandardInputFile(QProcess::nullDevice());
  connect(&viewer_, &QProcess::finished, this, [this] { ViewerEnded(true); });
  connect(&viewer_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) ViewerEnded(false);
  });
  connect(&queue_, &TTransferQueue::viewerRequested, this, &TRemoteViewing::EditInViewer);
}

std::string TRemoteViewing::CachedCopy(const std::string& name) const {
  const ftp::TFtpClient& engine = session_.FtpClient1();
  const std::string server = CacheServerFolder(engine.UserName(), engine.HostName(), engine.Port());
  return CachedCopyPath(cache_dir_, server, listing::EnsureTrailingSlash(session_.CurDir()), name)
      .value_or("");
}

// CheckViewer first, so that nothing is fetched for a file no viewer can
// open. A copy whose edit could not be saved is never fetched over.
void TRemoteViewing::OpenRemoteFile(const std::string& name) {
  if (session_.ViewerRunning() || queue_.Running() || !session_.ConnectedAndIdle()) return;
  const std::string path = listing::EnsureTrailingSlash(session_.CurDir()) + name;
  const std::string refusal = CheckViewerMessage(LookUpViewer(associations_, path), path);
  if (!refusal.empty()) {
    emit warningShown(Shown(refusal));
    return;
  }
  const std::string cached = CachedCopy(name);
  if (cached.empty()) {
    emit warningShown(UnsafeNameText(name));
    return;
  }
  if (queue_.UnsavedCopies().count(cached) != 0) {
    emit warningShown(Shown(UnsavedCopyOpenText(cached)));
    return;
  }
  std::string error;
  if (!runtime::MakeFolders(FolderOf(cached), 0700, &error)) {
    emit messageReported(Shown("Unable to create the cache folder " + error), TReportKind::Error);
    return;
  }
  queue_.OpenRemote(name, cached);
}

// The viewer runs while the event loop goes on: the engine keeps its
// connection serviced, and ViewerRunning keeps the user's commands off.
void TRemoteViewing::EditInViewer(const QString& path) {
  file_ = QFile::encodeName(path).toStdString();
  const TViewerLaunch launch = LookUpViewer(associations_, file_);
  const std::string refusal = CheckViewerMessage(launch, file_);
  if (!refusal.empty()) {
    emit warningShown(Shown(refusal));
    queue_.ViewerDone(false);
    return;
  }
  before_ = FileStampOf(file_);
  QStringList arguments;
  for (std::size_t i = 1; i < launch.Words.size(); ++i) arguments << Shown(launch.Words[i]);
  viewer_.setProgram(Shown(launch.Words.front()));
  viewer_.setArguments(arguments);
  session_.SetViewerRunning(true);
  viewer_.start();
}

// A copy that changed and still exists goes back; one the viewer removed
// leaves the remote file as it is.
void TRemoteViewing::ViewerEnded(bool started) {
  if (!session_.ViewerRunning()) return;
  session_.SetViewerRunning(false);
  if (!started) {
    emit messageReported(Shown("Unable to start the viewer for " + file_ + ": ") +
                             viewer_.errorString(),
                         TReportKind::Error);
  }
  const TFileStamp after = FileStampOf(file_);
  queue_.ViewerDone(started && after.Exists && after != before_);
}

}  // namespace varnel::ui
