// The drive scan "Drive Scan...": walks the program folders for known
// viewer programs and proposes a viewer per extension. Opened window-modal
// with open() by the File Association Manager, which reads Results() when
// it finishes with Accepted(). The walk runs on a thread of its own and
// starts from the first tick of Timer1, once the window is on the screen.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "ui/assoc/association_table.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace varnel::ui {

class TViewerScanWorker;

class TScanDrive : public QDialog {
  Q_OBJECT

 public:
  explicit TScanDrive(QWidget* parent = nullptr);
  ~TScanDrive() override;

  // Where the walk looks: DefaultScanRoots() unless replaced.
  void SetScanRoots(std::vector<std::string> roots) { roots_ = std::move(roots); }

  // "Ok" was pressed after a complete walk.
  bool Accepted() const { return Accepted_; }
  // "Cancel" was pressed during the walk.
  bool CancelRequested() const { return CancelRequested_; }
  // One row per rule whose program was found, in rule order; kept after
  // the window closes until it opens again.
  const std::vector<Association>& Results() const { return results_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Timer1Timer();
  void btnEverythingClick();
  void ShowFolder(const QString& folder);
  void WalkFinished(bool completed, const std::vector<Association>& results);
  // Escape and the window manager's close: a cancel during the walk; after
  // it, the window closes without taking the results.
  void Dismiss();

  std::vector<std::string> roots_;
  std::vector<Association> results_;
  bool Accepted_ = false;
  bool CancelRequested_ = false;
  TViewerScanWorker* worker_;
  QLabel* Label1;
  QLabel* Label2;
  QGroupBox* GroupBox1;
  QLabel* lblScanning;
  QPushButton* btnEverything;
  QTimer* Timer1;
};

}  // namespace varnel::ui
