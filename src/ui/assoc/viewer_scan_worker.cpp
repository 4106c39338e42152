#include "ui/assoc/viewer_scan_worker.h"

#include <QMetaObject>

#include "ui/assoc/viewer_scan.h"

namespace varnel::ui {

TViewerScanWorker::TViewerScanWorker(QObject* parent) : QObject(parent) {}

TViewerScanWorker::~TViewerScanWorker() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

bool TViewerScanWorker::Start(std::vector<std::string> roots) {
  if (Running()) return false;
  scan_ = std::make_unique<ViewerScan>(std::move(roots));
  scan_->SetFolderCallback([this](const std::string& folder) { PostFolder(folder); });
  thread_ = std::thread([this, scan = scan_.get()] {
    const bool completed = scan->Run();
    std::vector<Association> results = completed ? scan->Results() : std::vector<Association>{};
    QMetaObject::invokeMethod(
        this,
        [this, completed, results = std::move(results)]() mutable {
          DeliverEnd(completed, std::move(results));
        },
        Qt::QueuedConnection);
  });
  return true;
}

void TViewerScanWorker::Cancel() {
  if (scan_) scan_->RequestCancel();
}

// On the walk's thread.
void TViewerScanWorker::PostFolder(const std::string& folder) {
  {
    const std::lock_guard<std::mutex> lock(folder_mutex_);
    latest_folder_ = folder;
  }
  if (folder_posted_.exchange(true)) return;
  QMetaObject::invokeMethod(this, &TViewerScanWorker::DeliverFolder, Qt::QueuedConnection);
}

void TViewerScanWorker::DeliverFolder() {
  folder_posted_ = false;
  std::string folder;
  {
    const std::lock_guard<std::mutex> lock(folder_mutex_);
    folder = latest_folder_;
  }
  emit FolderEntered(QString::fromUtf8(folder));
}

// The thread has nothing left to do but return.
void TViewerScanWorker::DeliverEnd(bool completed, std::vector<Association> results) {
  thread_.join();
  scan_.reset();
  emit Finished(completed, results);
}

}  // namespace varnel::ui
