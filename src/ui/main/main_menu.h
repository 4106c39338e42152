// The menu bar MainMenu1: File, Connections, Logs and View with their items
// and shortcuts.
#pragma once

#include <array>

class QAction;
class QMenu;
class QMenuBar;

namespace varnel::ui {

struct TMainMenu {
  QMenu* File = nullptr;
  QMenu* Connections = nullptr;
  QMenu* Logs = nullptr;
  QMenu* View = nullptr;
  QMenu* LocalView = nullptr;
  QMenu* RemoteView = nullptr;

  QAction* Download1 = nullptr;
  QAction* Upload1 = nullptr;
  QAction* FileAssociationManager1 = nullptr;
  QAction* Preferences1 = nullptr;
  QAction* About1 = nullptr;
  QAction* Exit1 = nullptr;

  QAction* Connect1 = nullptr;
  QAction* Disconnect1 = nullptr;
  QAction* ConnectionManager1 = nullptr;

  QAction* ClearFTPLog1 = nullptr;
  QAction* SaveFTPLog1 = nullptr;
  QAction* ClearMessagelog1 = nullptr;
  QAction* SaveMessagelog1 = nullptr;

  // View > Local View and View > Remote View: the four view styles (in
  // the order of TViewStyle) and the four sort items (Name, Size, Type,
  // Date); the local pane's hidden-files toggle.
  std::array<QAction*, 4> LocalStyles{};
  std::array<QAction*, 4> LocalSort{};
  QAction* ShowHiddenFiles1 = nullptr;
  std::array<QAction*, 4> RemoteStyles{};
  std::array<QAction*, 4> RemoteSort{};

  QAction* RefreshBoth1 = nullptr;
  QAction* RefreshLocal1 = nullptr;
  QAction* RefreshRemote1 = nullptr;
  QAction* ShowFTPLog1 = nullptr;
  QAction* ShowMessagelog1 = nullptr;
  QAction* StatusBar1 = nullptr;
};

TMainMenu BuildMainMenu(QMenuBar* bar);

}  // namespace varnel::ui
