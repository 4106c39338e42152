// The transfers in the main window: the queue with its progress display,
// viewing remote files, the transfer and remote folder commands placed in
// the panes' button rows, and drag and drop.
#include <QAction>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QToolButton>

#include "ui/dialogs/message_box.h"
#include "ui/main/ftp_receive_form.h"
#include "ui/main/local_pane.h"
#include "ui/main/pane_drag_drop.h"
#include "ui/main/remote_commands.h"
#include "ui/main/remote_pane.h"
#include "ui/main/remote_viewing.h"
#include "ui/main/transfer_controls.h"
#include "ui/main/transfer_queue.h"

namespace varnel::ui {
namespace {

// `buttons` in the row `layout`, in order, right after `anchor`.
void InsertAfter(QHBoxLayout* layout, QWidget* anchor, std::initializer_list<QWidget*> buttons) {
  int at = layout->indexOf(anchor) + 1;
  for (QWidget* button : buttons) layout->insertWidget(at++, button);
}

}  // namespace

void TFtpReceiveForm::BuildTransfers() {
  queue_ = new TTransferQueue(*session_, this);
  viewing_ = new TRemoteViewing(*session_, *queue_, associations_, CacheDir_, this);
  transfers_ = new TTransferControls(*queue_, *session_, *remote_files_, *local_files_,
                                     menu_.Download1, menu_.Upload1, this);
  // After the transfer items, so that the pop-up reads in its order.
  commands_ = new TRemoteFileCommands(*session_, *remote_files_, this);
  InsertAfter(remote_.Buttons, qobject_cast<QWidget*>(FindControl("btnUpRemoteDir")),
              {transfers_->btnAbort(), commands_->btnMakeDir(), commands_->btnDelDir(),
               commands_->btnRename(), transfers_->btnDownload(), transfers_->btnDelete()});
  InsertAfter(local_.Buttons, qobject_cast<QWidget*>(FindControl("btnGotoLocalDir")),
              {transfers_->btnUpload()});

  connect(queue_, &TTransferQueue::progressShown, this,
          [this](qint64 count, qint64 total, const QString& label, const QString& hint) {
            ShowProgress(status_, count, total, label, hint);
          });
  connect(queue_, &TTransferQueue::messageReported, this, &TFtpReceiveForm::ReportMessage);
  connect(queue_, &TTransferQueue::warningShown, this,
          [this](const QString& text) { ShowBox(TReportKind::Warning, text); });
  connect(queue_, &TTransferQueue::noteShown, this,
          [this](const QString& text) { ShowMessageBox(this, TBoxKind::Information, text); });
  connect(queue_, &TTransferQueue::localRefreshRequested, local_files_, &TLocalPane::ListLocalDir);
  connect(queue_, &TTransferQueue::reconnectRequested, this, &TFtpReceiveForm::btnConnectClick);
  connect(viewing_, &TRemoteViewing::messageReported, this, &TFtpReceiveForm::ReportMessage);
  connect(viewing_, &TRemoteViewing::warningShown, this,
          [this](const QString& text) { ShowBox(TReportKind::Warning, text); });
  connect(remote_files_, &TRemotePane::remoteFileOpened, viewing_,
          [this](const QByteArray& name) { viewing_->OpenRemoteFile(name.toStdString()); });
  BuildDragAndDrop();
}

void TFtpReceiveForm::BuildDragAndDrop() {
  const auto window = reinterpret_cast<quintptr>(this);
  remote_files_->Model().SetDragPayload([window](const std::vector<int>&) {
    return PaneDragData(TPaneSide::Remote, window, {});
  });
  local_files_->Model().SetDragPayload([this, window](const std::vector<int>&) {
    return PaneDragData(TPaneSide::Local, window, local_files_->SelectedPaths());
  });
  const auto ready = [this] { return session_->ConnectedAndIdle() && !queue_->Running(); };
  const auto drop = [this](const TDropDecision& decision) { transfers_->Drop(decision); };
  new TPaneDropTarget(TPaneSide::Remote, window, remote_files_->Views(), ready, drop);
  new TPaneDropTarget(TPaneSide::Local, window, local_files_->Views(), ready, drop);
}

}  // namespace varnel::ui
