#include "ui/main/window_icons.h"

#include <QApplication>
#include <QStyle>

namespace varnel::ui {
namespace {

struct TIconChoice {
  const char* ThemeName;
  QStyle::StandardPixmap Fallback;
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
  }
  return {"", QStyle::SP_FileIcon};
}

}  // namespace

QIcon CommandIcon(TCommandIcon command) {
  const TIconChoice choice = Choice(command);
  const QString name = QString::fromLatin1(choice.ThemeName);
  if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  return QApplication::style()->standardIcon(choice.Fallback);
}

}  // namespace varnel::ui
