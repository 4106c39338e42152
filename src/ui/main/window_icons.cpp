#include "ui/main/window_icons.h"

#include <QApplication>
#include <QStyle>

namespace varnel::ui {
namespace {

// Theme names in order of preference (classic name, then the symbolic one
// newer themes ship alone), and the style's icon where the theme has none.
struct TIconChoice {
  const char* ThemeName;
  QStyle::StandardPixmap Fallback;
  const char* Symbolic = nullptr;
};

TIconChoice Choice(TCommandIcon command) {
  switch (command) {
    case TCommandIcon::ConnectionManager:
      return {"network-server", QStyle::SP_DriveNetIcon};
    case TCommandIcon::Connect:
      return {"network-connect", QStyle::SP_ArrowForward};
    case TCommandIcon::Disconnect:
      return {"network-disconnect", QStyle::SP_BrowserStop};
    case TCommandIcon::Preferences:
      return {"preferences-system", QStyle::SP_FileDialogInfoView};
    case TCommandIcon::About:
      return {"help-about", QStyle::SP_MessageBoxInformation};
    case TCommandIcon::Exit:
      return {"application-exit", QStyle::SP_DialogCloseButton};
    case TCommandIcon::ClearLog:
      return {"edit-clear", QStyle::SP_DialogResetButton};
    case TCommandIcon::SaveLog:
      return {"document-save-as", QStyle::SP_DialogSaveButton};
    case TCommandIcon::UpFolder:
      return {"go-up", QStyle::SP_FileDialogToParent, "go-up-symbolic"};
    case TCommandIcon::Refresh:
      return {"view-refresh", QStyle::SP_BrowserReload, "view-refresh-symbolic"};
    case TCommandIcon::SelectFolder:
      return {"folder-open", QStyle::SP_DirOpenIcon, "document-open-symbolic"};
    case TCommandIcon::NewFolder:
      return {"folder-new", QStyle::SP_FileDialogNewFolder, "folder-new-symbolic"};
    case TCommandIcon::Delete:
      return {"edit-delete", QStyle::SP_TrashIcon, "edit-delete-symbolic"};
    // Files move between the panes: remote on the left, local on the right.
    case TCommandIcon::Download:
      return {"go-next", QStyle::SP_ArrowRight, "go-next-symbolic"};
    case TCommandIcon::Upload:
      return {"go-previous", QStyle::SP_ArrowLeft, "go-previous-symbolic"};
    case TCommandIcon::Abort:
      return {"process-stop", QStyle::SP_BrowserStop, "process-stop-symbolic"};
    case TCommandIcon::Rename:
      return {"edit-rename", QStyle::SP_FileDialogDetailedView, "document-edit-symbolic"};
    case TCommandIcon::RemoveFolder:
      return {"folder-remove", QStyle::SP_DirClosedIcon, "user-trash-symbolic"};
    case TCommandIcon::LargeIcons:
      return {"view-list-icons", QStyle::SP_FileDialogContentsView, "view-grid-symbolic"};
    case TCommandIcon::SmallIcons:
      return {"view-list-compact", QStyle::SP_FileDialogListView, "view-app-grid-symbolic"};
    case TCommandIcon::ListView:
      return {"view-list-text", QStyle::SP_FileDialogListView, "view-list-bullet-symbolic"};
    case TCommandIcon::DetailsView:
      return {"view-list-details", QStyle::SP_FileDialogDetailedView, "view-list-symbolic"};
    case TCommandIcon::ShowHidden:
      return {"view-hidden", QStyle::SP_FileDialogInfoView, "view-reveal-symbolic"};
  }
  return {"", QStyle::SP_FileIcon};
}

}  // namespace

QIcon CommandIcon(TCommandIcon command) {
  const TIconChoice choice = Choice(command);
  for (const char* theme_name : {choice.ThemeName, choice.Symbolic}) {
    if (!theme_name) continue;
    const QString name = QString::fromLatin1(theme_name);
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  }
  return QApplication::style()->standardIcon(choice.Fallback);
}

}  // namespace varnel::ui
