// The pictures of the file panes: the folder picture (index 0) and one per
// file group of the association table's icon index (1 ... 41), taken from
// the desktop's icon theme, with Qt's own style icons where the theme has
// none. Files outside the known groups get the icon of their MIME type.
// Links carry a link emblem, so folders, files and links differ at a glance.
#pragma once

#include <QIcon>
#include <QString>

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
  QString MimeIconName(const listing::ListingRow& row);
  bool HasIcon(const QString& name);

  std::vector<QIcon> icons_;
  // The slot of each (theme icon name, link) made so far.
  std::map<std::pair<QString, bool>, int> slots_;
  std::map<std::string, QString> mime_icons_;  // by upper-case extension
  std::map<QString, bool> theme_has_;
};

// The desktop's icon theme for the whole program: where the platform names
// none (a bare X session, the offscreen platform), the freedesktop folders
// are searched with Adwaita, when installed, as the theme.
void UseDesktopIconTheme();

}  // namespace varnel::ui
