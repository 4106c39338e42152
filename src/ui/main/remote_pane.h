// The remote pane (left): edtCurDir, lvwFileList over the rows of the last
// listing ("FTPDIR.TXT"), the up and refresh buttons, the view buttons and
// the pop-up menu popRemote. Navigation goes through the session: entering
// a folder or going up sets edtCurDir and starts a CWD, whose success lists
// the new directory.
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

class TFilePictures;

// A selected remote row as the transfer commands take it.
struct TRemoteSelection {
  std::string Name;  // the entry's own name, as requests send it
  bool Folder = false;
  bool UnsafeLocalName = false;
};

// The refusal of a remote name that must never become a local file.
QString UnsafeNameText(const std::string& name);

class TRemotePane : public QObject {
  Q_OBJECT

 public:
  // `window` owns the boxes the pane shows; `menu_items` and `sort_items`
  // are the View > Remote View items in style and column order.
  TRemotePane(const TPaneArea& area, TFtpSession& session, std::shared_ptr<TFilePictures> pictures,
              QWidget* window, const std::array<QAction*, kViewStyles>& menu_items,
              const std::array<QAction*, 4>& sort_items);

  TPaneModel& Model() { return model_; }
  TPaneViews& Views() { return *area_.List; }
  TViewStyleControls& ViewControls() { return *view_controls_; }
  QMenu* popRemote() const { return popRemote_; }

  // Rebuilds the rows from the listing file; a file that cannot be read is
  // reported and the rows stay.
  void ParseRemoteListing(const std::string& path);
  void lvwFileListColumnClick(int column);
  // `up`: the command came from btnUpRemoteDir.
  void lvwFileListDblClick(bool up);
  void btnRefreshRemoteClick();

  // The selected rows in row order.
  std::vector<TRemoteSelection> SelectedRows() const;

 signals:
  // ReportMessage: a box unless errors are suppressed, and the message log.
  void messageReported(const QString& text, varnel::ui::TReportKind kind);
  // A remote file was opened (double-click, Enter, pop-up Open) and may
  // become a local copy: viewing takes it from here. `name` is the
  // entry's own name.
  void remoteFileOpened(const QByteArray& name);

 private:
  void BuildButtons();
  void BuildPopup(QMenu* popup_view);
  void popRemotePopup();
  void OpenFile(const listing::ListingRow& row);
  void EnterFolder(const std::string& name);
  void ShowCurDir(const std::string& text);

  TPaneArea area_;
  TFtpSession& session_;
  QWidget* window_;
  TPaneLookups lookups_;
  TPaneModel model_;
  QToolButton* btnUpRemoteDir = nullptr;
  QToolButton* btnRefreshRemote = nullptr;
  QMenu* popRemote_ = nullptr;
  QAction* Open2 = nullptr;
  QMenu* View2 = nullptr;
  TViewStyleControls* view_controls_ = nullptr;
  // The link row whose CWD is under way: a refusal opens it as a file.
  listing::ListingRow pending_link_;
};

}  // namespace varnel::ui
