// The window's transfer commands: the tool buttons btnAbort, btnDownload
// and btnDelete of the remote pane and btnUpload of the local pane, File >
// Download and Upload, the pop-up items Download and Delete of popRemote
// and Upload of popLocal, the Delete key in the remote pane, and drops
// between the panes or from the desktop. They start the transfer queue
// (asking before a remote delete) and abort it.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

class QAction;
class QToolButton;
class QWidget;

namespace varnel::ui {

class TFtpSession;
class TLocalPane;
class TRemotePane;
class TTransferQueue;
struct TDropDecision;

class TTransferControls : public QObject {
  Q_OBJECT

 public:
  // `download_item` and `upload_item`: File > Download and Upload.
  TTransferControls(TTransferQueue& queue, TFtpSession& session, TRemotePane& remote,
                    TLocalPane& local, QAction* download_item, QAction* upload_item,
                    QWidget* window);

  QToolButton* btnAbort() const { return btnAbort_; }
  QToolButton* btnDownload() const { return btnDownload_; }
  QToolButton* btnDelete() const { return btnDelete_; }
  QToolButton* btnUpload() const { return btnUpload_; }

  // The remote pane's selected files: a download queue, or with `remove`
  // (btnDelete and the pop-up Delete) a remote delete queue once the user
  // confirmed it. Folders are left out; a name that cannot be a local file
  // is refused for a download.
  void btnDownloadClick(bool remove);
  // The local pane's selection.
  void btnUploadClick();
  // Files dropped from another program.
  void UploadFiles(const std::vector<std::string>& paths);
  void btnAbortClick();
  void Drop(const TDropDecision& decision);

 private:
  void BuildPopups();
  void PopupOpening();
  // The commands start only from a connected, idle window.
  bool Ready() const;

  TTransferQueue& queue_;
  TFtpSession& session_;
  TRemotePane& remote_;
  TLocalPane& local_;
  QWidget* window_;
  QToolButton* btnAbort_ = nullptr;
  QToolButton* btnDownload_ = nullptr;
  QToolButton* btnDelete_ = nullptr;
  QToolButton* btnUpload_ = nullptr;
  QAction* Download2 = nullptr;
  QAction* Delete2 = nullptr;
  QAction* Upload2 = nullptr;
};

}  // namespace varnel::ui
