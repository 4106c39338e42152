// The pictures of the file panes: the folder picture (index 0) and one per
// file group of the association table's icon index (1 ... 41), taken from
// the desktop's icon theme, with Qt's own style icons where the theme has
// none. Files outside the known groups get the icon of their MIME type.
// Links carry a link emblem, so folders, files and links differ at a glance.
#pragma once

#include <QIcon>

#include <map>
#include <string>
#include <vector>

#include "listing/listing_row.h"

namespace varnel::ui {

class TFilePictures {
 public:
  TFilePictures();

  // The picture of `row`, as a slot for Icon(); computed once per row.
  int SlotFor(const listing::ListingRow& row);
  const QIcon& Icon(int slot) const { return icons_[static_cast<std::size_t>(slot)]; }

 private:
  QIcon FileIcon(int picture, const std::string& extension) const;
  int AddSlot(QIcon icon);

  std::vector<QIcon> icons_;
  // Slot of (picture index or MIME extension, link) already made.
  std::map<std::pair<std::string, bool>, int> slots_;
};

// The desktop's icon theme for the whole program: where the platform names
// none (a bare X session, the offscreen platform), the freedesktop folders
// are searched with Adwaita, when installed, as the theme.
void UseDesktopIconTheme();

}  // namespace varnel::ui
