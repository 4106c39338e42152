// The File Association Manager: the grid sgAssocs and the edit boxes bound
// to the association table of FileAssociations, which the lookups read
// all the time. Opened window-modal with open(). Edits act on the table at
// once; "Ok" writes the file, "Cancel" (and Escape) rereads it, and the
// window's close box does neither. "Scan..." runs the drive scan and puts
// its results in place of the whole table.
#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QFileDialog;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;

namespace varnel::ui {

class FileAssociations;
class TAssocGridModel;
class TScanDrive;

class TFileAssoc : public QDialog {
  Q_OBJECT

 public:
  explicit TFileAssoc(FileAssociations& associations, QWidget* parent = nullptr);
  ~TFileAssoc() override;

  // The drive scan "Scan..." opens; created after this window.
  void SetScanDrive(TScanDrive* scan) { ScanDrive = scan; }

  FileAssociations& Associations() { return associations_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildLayout();
  void FormShow();
  void AskForScan();
  void sgAssocsSelectCell(int grid_row);
  // The grid follows the table's rows and selection, the boxes its
  // selected row.
  void ShowTable();
  void RefreshEditBoxes();
  void SetViewerLocked(bool locked);
  void edtExtKeyUp(const QString& text);
  void edtViewerKeyUp(const QString& text);
  void btnBrowseClick();
  QFileDialog& OpenDialog();
  void OpenDialog1FileSelected(const QString& file);
  void btnAddExtClick();
  void btnCopyExtClick();
  void btnDelExtClick();
  void btnClearClick();
  void btnScanClick();
  void RunScan();
  void ScanFinished();
  void btnOkClick();
  void btnCancelClick();
  // An error box for a failed load or save, or for a file the save kept
  // aside, if `error` is not empty; `then` runs when it is closed (at once
  // without a box).
  void Report(const std::string& error, std::function<void()> then = {});

  FileAssociations& associations_;
  TAssocGridModel* grid_;
  TScanDrive* ScanDrive = nullptr;
  QTableView* sgAssocs;
  QLineEdit* edtExt;
  QLineEdit* edtViewer;
  QToolButton* btnBrowse;
  QPushButton* btnAddExt;
  QPushButton* btnCopyExt;
  QPushButton* btnDelExt;
  QPushButton* btnScan;
  QPushButton* btnClear;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QCheckBox* chkWordpad;
  QFileDialog* OpenDialog1 = nullptr;  // made by OpenDialog()
};

}  // namespace varnel::ui
