// Icons of the window's commands: the desktop's icon theme first, Qt's own
// style icons where the theme has none (both read well on a light and on a
// dark palette). Grey glyphs are drawn in the palette's text colour and a
// disabled command's icon is its own picture faded, so enabled and disabled
// buttons read as such on any palette.
#pragma once

#include <QIcon>

namespace varnel::ui {

enum class TCommandIcon {
  ConnectionManager,
  Connect,
  Disconnect,
  Preferences,
  About,
  Exit,
  ClearLog,
  SaveLog,
  UpFolder,
  Refresh,
  SelectFolder,
  NewFolder,
  Delete,
  Download,
  Upload,
  Abort,
  Rename,
  RemoveFolder,
  LargeIcons,
  SmallIcons,
  ListView,
  DetailsView,
  ShowHidden
};

QIcon CommandIcon(TCommandIcon command);

}  // namespace varnel::ui
