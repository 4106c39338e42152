// Runs the viewer scan's walk on a thread of its own, so the window stays
// responsive and a cancel ends the walk at once. What the walk reports
// arrives as signals on the worker object's thread (the window's).
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ui/assoc/association_table.h"

namespace varnel::ui {

class ViewerScan;

class TViewerScanWorker : public QObject {
  Q_OBJECT

 public:
  explicit TViewerScanWorker(QObject* parent = nullptr);
  // Cancels a walk still running and waits for its thread.
  ~TViewerScanWorker() override;

  // Starts a walk of `roots`; refused (false) while one is running.
  bool Start(std::vector<std::string> roots);
  // Asks the running walk to stop; Finished follows with `completed` false.
  void Cancel();
  // From Start until Finished has been emitted.
  bool Running() const { return scan_ != nullptr; }

 signals:
  // The folder the walk has entered. A walk enters folders faster than a
  // window can show them, so while one report waits to be delivered later
  // folders replace it: the window sees the latest, never a backlog.
  void FolderEntered(const QString& folder);
  // The walk ended: the rules' results when it completed, none when it was
  // cancelled. Every FolderEntered of the walk comes before it.
  void Finished(bool completed, const std::vector<Association>& results);

 private:
  void PostFolder(const std::string& folder);
  void DeliverFolder();
  void DeliverEnd(bool completed, std::vector<Association> results);

  std::unique_ptr<ViewerScan> scan_;
  std::thread thread_;
  std::mutex folder_mutex_;
  std::string latest_folder_;  // guarded by folder_mutex_
  std::atomic<bool> folder_posted_ = false;
};

}  // namespace varnel::ui
