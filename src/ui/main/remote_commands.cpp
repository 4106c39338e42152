#include "ui/main/remote_commands.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "listing/listing_paths.h"
#include "ui/dialogs/message_box.h"
#include "ui/main/ftp_session.h"
#include "ui/main/local_pane.h"
#include "ui/main/remote_pane.h"
#include "ui/main/tool_buttons.h"
#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

QString Shown(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string Bytes(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

QString DeleteDirectoryQuestion(const QString& name) {
  return "Are you sure that you want to delete the directory \"" + name + "\"?";
}

QString RenamePrompt(const QString& name) {
  return "Please enter a new name for the file \"" + name + "\"";
}

std::string FolderToDelete(const std::vector<TRemoteSelection>& rows) {
  std::string name;
  for (const TRemoteSelection& row : rows) {
    if (row.Folder) name = row.Name;
  }
  return name == "." || name == ".." ? std::string() : name;
}

bool IsBlankName(const std::string& name) {
  return name.find_first_not_of(" \t") == std::string::npos;
}

TRemoteFileCommands::TRemoteFileCommands(TFtpSession& session, TRemotePane& remote,
                                         QWidget* window)
    : QObject(window), session_(session), remote_(remote), window_(window) {
  btnMakeDir_ =
      ToolButton(window, "btnMakeDir", "Create New Folder", CommandIcon(TCommandIcon::NewFolder));
  btnDelDir_ =
      ToolButton(window, "btnDelDir", "Remove Folder", CommandIcon(TCommandIcon::RemoveFolder));
  btnRename_ = ToolButton(window, "btnRename", "Rename File", CommandIcon(TCommandIcon::Rename));
  connect(btnMakeDir_, &QToolButton::clicked, this, &TRemoteFileCommands::btnMakeDirClick);
  connect(btnDelDir_, &QToolButton::clicked, this, &TRemoteFileCommands::btnDelDirClick);
  connect(btnRename_, &QToolButton::clicked, this, &TRemoteFileCommands::btnRenameClick);
  PaneShortcut(&remote_.Views(), "actRemoteRename", {Qt::Key_F2}, [this] { btnRenameClick(); });
  PaneShortcut(&remote_.Views(), "actRemoteNewFolder",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)}, [this] { btnMakeDirClick(); });
  BuildPopup();
}

// After the transfer items: Rename..., -, New Folder..., Delete Folder...
void TRemoteFileCommands::BuildPopup() {
  QMenu* popup = remote_.popRemote();
  const auto item = [&](const char* name, const char* text, void (TRemoteFileCommands::*run)()) {
    QAction* action = popup->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, run);
    popup_items_.push_back(action);
  };
  item("Rename1", "Rename...", &TRemoteFileCommands::btnRenameClick);
  popup->addSeparator();
  item("NewFolder2", "New Folder...", &TRemoteFileCommands::btnMakeDirClick);
  item("DeleteFolder1", "Delete Folder...", &TRemoteFileCommands::btnDelDirClick);
  connect(popup, &QMenu::aboutToShow, this, [this] {
    for (QAction* action : popup_items_) action->setEnabled(Ready());
  });
}

bool TRemoteFileCommands::Ready() const {
  return session_.ConnectedAndIdle() && !session_.ViewerRunning();
}

// A name of blanks alone is refused before anything is sent.
void TRemoteFileCommands::btnMakeDirClick() {
  if (!Ready()) return;
  AskText(window_, local_pane_text::kCreateTitle, local_pane_text::kCreatePrompt,
          local_pane_text::kCreateProposal, [this](const QString& text) {
            const std::string name = Bytes(text);
            if (IsBlankName(name)) {
              ShowMessageBox(window_, TBoxKind::Warning, remote_text::kNoName);
              return;
            }
            session_.MakeRemoteDir(name);
          });
}

void TRemoteFileCommands::btnDelDirClick() {
  if (!Ready()) return;
  const std::string name = FolderToDelete(remote_.SelectedRows());
  if (name.empty()) {
    ShowMessageBox(window_, TBoxKind::Warning, remote_text::kNoDirectorySelected);
    return;
  }
  AskYesNo(window_, TBoxKind::Confirmation, DeleteDirectoryQuestion(Shown(name)),
           [this, name](bool yes) {
             if (yes) session_.RemoveRemoteDir(name);
           });
}

// The file's own name is proposed (a link's, without its target); a name
// that did not change is not sent, one that differs in letter case is.
void TRemoteFileCommands::btnRenameClick() {
  if (!Ready()) return;
  const std::vector<TRemoteSelection> rows = remote_.SelectedRows();
  if (rows.empty()) {
    ShowMessageBox(window_, TBoxKind::Warning, remote_text::kNoFileSelected);
    return;
  }
  if (rows.front().Folder) {
    ShowMessageBox(window_, TBoxKind::Warning, remote_text::kUnableToRenameDirectories);
    return;
  }
  const std::string old_name = rows.front().Name;
  const QString shown = Shown(old_name);
  AskText(window_, remote_text::kRenameTitle, RenamePrompt(shown), shown,
          [this, old_name, shown](const QString& text) {
            if (text == shown) return;
            const std::string name = Bytes(text);
            if (IsBlankName(name)) {
              ShowMessageBox(window_, TBoxKind::Warning, remote_text::kNoName);
              return;
            }
            const std::string folder = listing::EnsureTrailingSlash(session_.CurDir());
            session_.RenameRemoteFile(folder + old_name, folder + name);
          });
}

}  // namespace varnel::ui
