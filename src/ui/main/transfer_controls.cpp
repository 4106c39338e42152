#include "ui/main/transfer_controls.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "ui/dialogs/message_box.h"
#include "ui/main/local_pane.h"
#include "ui/main/pane_drag_drop.h"
#include "ui/main/remote_pane.h"
#include "ui/main/tool_buttons.h"
#include "ui/main/transfer_queue.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {

TTransferControls::TTransferControls(TTransferQueue& queue, TFtpSession& session,
                                     TRemotePane& remote, TLocalPane& local,
                                     QAction* download_item, QAction* upload_item,
                                     QWidget* window)
    : QObject(window),
      queue_(queue),
      session_(session),
      remote_(remote),
      local_(local),
      window_(window) {
  btnAbort_ = ToolButton(window, "btnAbort", "Abort Transfer", CommandIcon(TCommandIcon::Abort));
  btnDownload_ = ToolButton(window, "btnDownload", "Download File(s)",
                            CommandIcon(TCommandIcon::Download));
  btnDelete_ =
      ToolButton(window, "btnDelete", "Delete File(s)", CommandIcon(TCommandIcon::Delete));
  btnUpload_ =
      ToolButton(window, "btnUpload", "Upload File(s)", CommandIcon(TCommandIcon::Upload));
  connect(btnAbort_, &QToolButton::clicked, this, &TTransferControls::btnAbortClick);
  connect(btnDownload_, &QToolButton::clicked, this, [this] { btnDownloadClick(false); });
  connect(btnDelete_, &QToolButton::clicked, this, [this] { btnDownloadClick(true); });
  connect(btnUpload_, &QToolButton::clicked, this, &TTransferControls::btnUploadClick);
  connect(download_item, &QAction::triggered, this, [this] { btnDownloadClick(false); });
  connect(upload_item, &QAction::triggered, this, &TTransferControls::btnUploadClick);
  PaneShortcut(&remote_.Views(), "actRemoteDelete", {QKeySequence::Delete},
               [this] { btnDownloadClick(true); });
  BuildPopups();
}

// popRemote: Open, Download, View, -, Delete (the folder commands follow);
// popLocal: Open, Upload, View, ...
void TTransferControls::BuildPopups() {
  QMenu* remote = remote_.popRemote();
  Download2 = new QAction("Download", remote);
  Download2->setObjectName("Download2");
  remote->insertAction(remote->findChild<QMenu*>("PopRemoteView")->menuAction(), Download2);
  remote->addSeparator();
  Delete2 = remote->addAction("Delete");
  Delete2->setObjectName("Delete2");
  QMenu* local = local_.popLocal();
  Upload2 = new QAction("Upload", local);
  Upload2->setObjectName("Upload2");
  local->insertAction(local->findChild<QMenu*>("PopLocalView")->menuAction(), Upload2);
  connect(Download2, &QAction::triggered, this, [this] { btnDownloadClick(false); });
  connect(Delete2, &QAction::triggered, this, [this] { btnDownloadClick(true); });
  connect(Upload2, &QAction::triggered, this, &TTransferControls::btnUploadClick);
  connect(remote, &QMenu::aboutToShow, this, &TTransferControls::PopupOpening);
  connect(local, &QMenu::aboutToShow, this, &TTransferControls::PopupOpening);
}

// The commands are offered when they can start: connected and idle.
void TTransferControls::PopupOpening() {
  const bool ready = Ready();
  for (QAction* item : {Download2, Delete2, Upload2}) item->setEnabled(ready);
}

bool TTransferControls::Ready() const {
  return session_.ConnectedAndIdle() && !session_.ViewerRunning() && !queue_.Running();
}

void TTransferControls::btnDownloadClick(bool remove) {
  if (!Ready()) return;
  std::vector<std::string> names;
  QStringList refused;
  for (const TRemoteSelection& row : remote_.SelectedRows()) {
    if (row.Folder) continue;
    if (!remove && row.UnsafeLocalName) {
      refused << UnsafeNameText(row.Name);
      continue;
    }
    names.push_back(row.Name);
  }
  if (!refused.isEmpty()) ShowMessageBox(window_, TBoxKind::Warning, refused.join('\n'));
  if (names.empty()) return;
  if (!remove) return queue_.StartDownload(names, local_.LocalDir());
  AskYesNo(window_, TBoxKind::Confirmation, transfer_text::kDeleteQuestion,
           [this, names](bool yes) {
             if (yes) queue_.StartDelete(names);
           });
}

void TTransferControls::btnUploadClick() { UploadFiles(local_.SelectedPaths()); }

void TTransferControls::UploadFiles(const std::vector<std::string>& paths) {
  if (!Ready()) return;
  queue_.StartUpload(paths);
}

void TTransferControls::btnAbortClick() { queue_.btnAbortClick(); }

void TTransferControls::Drop(const TDropDecision& decision) {
  switch (decision.Action) {
    case TDropAction::Upload:
      return btnUploadClick();
    case TDropAction::Download:
      return btnDownloadClick(false);
    case TDropAction::UploadFiles:
      return UploadFiles(decision.Paths);
    case TDropAction::None:
      return;
  }
}

}  // namespace varnel::ui
