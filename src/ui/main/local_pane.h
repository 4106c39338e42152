// The local pane (right): edtLocalDir, lvwLocal over the entries of that
// folder, the buttons to go up, pick a folder, refresh, delete files and
// create a folder, the view buttons and the pop-up menu popLocal. Files are
// opened in their viewer from the association table; deleted files go to
// the desktop's trash.
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ui/main/ftp_session.h"
#include "ui/main/pane_area.h"
#include "ui/main/pane_lookups.h"
#include "ui/main/pane_model.h"
#include "ui/main/view_styles.h"

class QAction;
class QMenu;
class QToolButton;

namespace varnel::ui {

class FileAssociations;
class TFilePictures;
class TfrmPath;

namespace local_pane_text {
inline constexpr const char* kDeleteQuestion =
    "Are you sure that you want to delete the selected file(s)?";
inline constexpr const char* kNoTrash =
    "There is no trash for this folder: the file(s) will be deleted for good.";
inline constexpr const char* kCreateTitle = "Create Directory";
inline constexpr const char* kCreatePrompt = "Please enter a name for the new directory";
inline constexpr const char* kCreateProposal = "NewDir";
}  // namespace local_pane_text

// The View > Local View items the local pane uses.
struct TLocalViewItems {
  std::array<QAction*, kViewStyles> Styles{};
  std::array<QAction*, 4> Sort{};
  QAction* ShowHidden = nullptr;
};

class TLocalPane : public QObject {
  Q_OBJECT

 public:
  TLocalPane(const TPaneArea& area, TFtpSession& session, FileAssociations& associations,
             std::shared_ptr<TFilePictures> pictures, QWidget* window,
             const TLocalViewItems& items);

  TPaneModel& Model() { return model_; }
  TPaneViews& Views() { return *area_.List; }
  TViewStyleControls& ViewControls() { return *view_controls_; }
  QMenu* popLocal() const { return popLocal_; }
  void SetPathDialog(TfrmPath* dialog) { frmPath_ = dialog; }

  // The folder in edtLocalDir, as bytes.
  std::string LocalDir() const;

  void ListLocalDir();
  // `up`: the command came from btnUpLocalDir.
  void lvwLocalDblClick(bool up);
  void btnGotoLocalDirClick();
  void btnRefreshLocalClick();
  void lvwLocalColumnClick(int column);
  void btnDeleteLocalClick();
  void btnMkDirLocalClick();
  void OpenLocalFile(const std::string& path);
  void SetHiddenShown(bool shown);
  bool HiddenShown() const { return show_hidden_; }

  // The selected rows' paths (folders included) in row order.
  std::vector<std::string> SelectedPaths() const;

 signals:
  // ReportMessage: a box unless errors are suppressed, and the message log.
  void messageReported(const QString& text, varnel::ui::TReportKind kind);

 private:
  void BuildButtons();
  void BuildPopup();
  void DeleteFiles(const std::vector<std::string>& paths, bool to_trash);
  void SetLocalDir(const std::string& folder);

  TPaneArea area_;
  TFtpSession& session_;
  FileAssociations& associations_;
  QWidget* window_;
  TfrmPath* frmPath_ = nullptr;
  TPaneLookups lookups_;
  TPaneModel model_;
  bool show_hidden_ = false;
  // The folder the rows are of; a folder that cannot be read leaves them.
  std::string listed_folder_;
  QAction* ShowHiddenFiles1 = nullptr;
  QToolButton* btnUpLocalDir = nullptr;
  QToolButton* btnGotoLocalDir = nullptr;
  QToolButton* btnRefreshLocal = nullptr;
  QToolButton* btnDeleteLocal = nullptr;
  QToolButton* btnMkDirLocal = nullptr;
  QMenu* popLocal_ = nullptr;
  TViewStyleControls* view_controls_ = nullptr;
};

}  // namespace varnel::ui
