// The two panes in the main window, and the View menu's refresh commands.
#include <QAction>

#include "ui/main/file_pictures.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/main/local_pane.h"
#include "ui/main/remote_pane.h"

namespace varnel::ui {

void TFtpReceiveForm::BuildPanes() {
  const auto pictures = std::make_shared<TFilePictures>();
  remote_files_ =
      new TRemotePane(remote_, *session_, pictures, this, menu_.RemoteStyles, menu_.RemoteSort);
  local_files_ = new TLocalPane(local_, *session_, associations_, pictures, this,
                                {menu_.LocalStyles, menu_.LocalSort, menu_.ShowHiddenFiles1});
  connect(remote_files_, &TRemotePane::messageReported, this, &TFtpReceiveForm::ReportMessage);
  connect(local_files_, &TLocalPane::messageReported, this, &TFtpReceiveForm::ReportMessage);
  connect(this, &TFtpReceiveForm::listLocalDirRequested, local_files_, &TLocalPane::ListLocalDir);
  connect(menu_.RefreshRemote1, &QAction::triggered, remote_files_,
          &TRemotePane::btnRefreshRemoteClick);
  connect(menu_.RefreshLocal1, &QAction::triggered, local_files_,
          &TLocalPane::btnRefreshLocalClick);
  connect(menu_.RefreshBoth1, &QAction::triggered, this, &TFtpReceiveForm::RefreshBoth1Click);
}

void TFtpReceiveForm::RefreshBoth1Click() {
  remote_files_->btnRefreshRemoteClick();
  local_files_->btnRefreshLocalClick();
}

}  // namespace varnel::ui
