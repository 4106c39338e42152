#include "ui/main/main_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <string>

#include "ui/main/window_icons.h"

namespace varnel::ui {
namespace {

QMenu* Menu(QWidget* parent, const char* name, const char* title) {
  auto* menu = new QMenu(title, parent);
  menu->setObjectName(name);
  return menu;
}

QAction* Item(QMenu* menu, const char* name, const char* text, QIcon icon = {}) {
  QAction* action = menu->addAction(icon, text);
  action->setObjectName(name);
  return action;
}

QAction* Toggle(QMenu* menu, const char* name, const char* text, bool checked) {
  QAction* action = Item(menu, name, text);
  action->setCheckable(true);
  action->setChecked(checked);
  return action;
}

void BuildFile(TMainMenu& m) {
  m.Download1 = Item(m.File, "Download1", "&Download", CommandIcon(TCommandIcon::Download));
  m.Upload1 = Item(m.File, "Upload1", "&Upload", CommandIcon(TCommandIcon::Upload));
  m.File->addSeparator();
  m.FileAssociationManager1 =
      Item(m.File, "FileAssociationManager1", "File &Association Manager...");
  m.Preferences1 =
      Item(m.File, "Preferences1", "&Preferences...", CommandIcon(TCommandIcon::Preferences));
  m.Preferences1->setShortcut(QKeySequence::Preferences);
  m.File->addSeparator();
  m.About1 = Item(m.File, "About1", "A&bout...", CommandIcon(TCommandIcon::About));
  m.File->addSeparator();
  m.Exit1 = Item(m.File, "Exit1", "E&xit", CommandIcon(TCommandIcon::Exit));
  m.Exit1->setShortcut(QKeySequence::Quit);
  m.Exit1->setMenuRole(QAction::QuitRole);
}

void BuildConnections(TMainMenu& m) {
  m.Connect1 = Item(m.Connections, "Connect1", "&Connect", CommandIcon(TCommandIcon::Connect));
  m.Disconnect1 =
      Item(m.Connections, "Disconnect1", "&Disconnect", CommandIcon(TCommandIcon::Disconnect));
  m.Connections->addSeparator();
  m.ConnectionManager1 = Item(m.Connections, "ConnectionManager1", "Connection &Manager...",
                              CommandIcon(TCommandIcon::ConnectionManager));
}

void BuildLogs(TMainMenu& m) {
  m.ClearFTPLog1 =
      Item(m.Logs, "ClearFTPLog1", "&Clear FTP Log", CommandIcon(TCommandIcon::ClearLog));
  m.SaveFTPLog1 =
      Item(m.Logs, "SaveFTPLog1", "&Save FTP Log...", CommandIcon(TCommandIcon::SaveLog));
  m.Logs->addSeparator();
  m.ClearMessagelog1 = Item(m.Logs, "ClearMessagelog1", "C&lear Message Log");
  m.SaveMessagelog1 = Item(m.Logs, "SaveMessagelog1", "S&ave Message Log...");
}

// A pane's submenu: the four view styles as a radio group with Details
// checked, then the four sort items. `suffix` numbers the item names ("1"
// local, "2" remote).
void BuildPaneView(QMenu* menu, const char* suffix, std::array<QAction*, 4>& styles,
                   std::array<QAction*, 4>& sort) {
  static constexpr const char* kStyles[][2] = {{"SmallIcons", "S&mall Icons"},
                                               {"LargeIcons", "&Large Icons"},
                                               {"List", "L&ist"},
                                               {"Details", "&Details"}};
  static constexpr const char* kSort[][2] = {{"SortByName", "Sort by &Name"},
                                             {"SortBySize", "Sort by Si&ze"},
                                             {"SortByType", "Sort by &Type"},
                                             {"SortByDate", "Sort by D&ate"}};
  auto* group = new QActionGroup(menu);
  group->setExclusive(true);
  for (std::size_t i = 0; i < styles.size(); ++i) {
    const std::string name = std::string(kStyles[i][0]) + suffix;
    styles[i] = Toggle(menu, name.c_str(), kStyles[i][1], i + 1 == styles.size());
    group->addAction(styles[i]);
  }
  menu->addSeparator();
  for (std::size_t i = 0; i < sort.size(); ++i) {
    const std::string name = std::string(kSort[i][0]) + suffix;
    sort[i] = Item(menu, name.c_str(), kSort[i][1]);
  }
}

void BuildView(TMainMenu& m) {
  m.LocalView = m.View->addMenu("&Local View");
  m.LocalView->setObjectName("LocalView1");
  m.RemoteView = m.View->addMenu("&Remote View");
  m.RemoteView->setObjectName("RemoteView1");
  BuildPaneView(m.LocalView, "1", m.LocalStyles, m.LocalSort);
  m.LocalView->addSeparator();
  m.ShowHiddenFiles1 = Toggle(m.LocalView, "ShowHiddenFiles1", "Show &Hidden Files", false);
  m.ShowHiddenFiles1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
  BuildPaneView(m.RemoteView, "2", m.RemoteStyles, m.RemoteSort);
  m.View->addSeparator();
  m.RefreshBoth1 = Item(m.View, "RefreshBoth1", "Refresh &Both Views");
  m.RefreshBoth1->setShortcut(Qt::Key_F5);
  m.RefreshLocal1 = Item(m.View, "RefreshLocal1", "Refresh L&ocal View");
  m.RefreshLocal1->setShortcut(Qt::Key_F6);
  m.RefreshRemote1 = Item(m.View, "RefreshRemote1", "Refresh R&emote View");
  m.RefreshRemote1->setShortcut(Qt::Key_F7);
  m.View->addSeparator();
  m.ShowFTPLog1 = Toggle(m.View, "ShowFTPLog1", "&FTP Log", true);
  m.ShowMessagelog1 = Toggle(m.View, "ShowMessagelog1", "&Message Log", false);
  m.StatusBar1 = Toggle(m.View, "StatusBar1", "&Status Bar", true);
}

}  // namespace

TMainMenu BuildMainMenu(QMenuBar* bar) {
  bar->setObjectName("MainMenu1");
  TMainMenu m;
  m.File = Menu(bar, "File1", "&File");
  m.Connections = Menu(bar, "Connections1", "&Connections");
  m.Logs = Menu(bar, "Display1", "&Logs");
  m.View = Menu(bar, "View1", "&View");
  for (QMenu* menu : {m.File, m.Connections, m.Logs, m.View}) bar->addMenu(menu);
  BuildFile(m);
  BuildConnections(m);
  BuildLogs(m);
  BuildView(m);
  return m;
}

}  // namespace varnel::ui
