// The local folder as the local pane lists and changes it, without a
// window: reading a folder into rows, creating a folder inside it, and
// deleting files (into the desktop's trash where there is one).
#pragma once

#include <string>
#include <vector>

#include "listing/listing_row.h"

namespace varnel::ui {

struct TLocalFolderRead {
  std::vector<listing::ListingRow> Rows;
  // 0, or the errno of a folder that could not be read.
  int Error = 0;
};

// Whether a name is hidden on the desktop: it begins with a dot ("." and
// ".." themselves are always listed, as the panes navigate with them).
bool IsHiddenName(const std::string& name);

// Every entry of `folder` ("/" closed or not) with "." and "..", hidden
// ones only when `show_hidden`. A link is listed as what it points to (a
// link to a folder is a folder row) and marked as a link; a broken link is
// a file. Date texts stay empty: the pane writes them from each row's
// time. A folder that cannot be opened or read gives its errno and no rows.
TLocalFolderRead ReadLocalFolder(const std::string& folder, bool show_hidden,
                                 const listing::ListingLookups& lookups);

// The text of a folder that could not be read:
// "Unable to read the folder "<folder>": <reason>".
std::string UnreadableFolderText(const std::string& folder, int error);

// Creates the folder `name` inside `folder`. Only a plain name is taken (no
// "/", not "." or ".."), so nothing is created outside `folder`. False when
// the folder was not created.
bool MakeLocalFolder(const std::string& folder, const std::string& name);

// Whether files of `folder` can be moved to a trash of the desktop (the
// freedesktop.org trash: the home trash on the same file system, or a
// trash folder at the top of the folder's own file system).
bool TrashAvailable(const std::string& folder);

// Deletes `path` (a file or a link, never a folder): into the trash when
// `to_trash`, for good otherwise; a broken link, which holds no data and
// which the trash does not take, is removed. False when it is still there.
bool DeleteLocalFile(const std::string& path, bool to_trash);

}  // namespace varnel::ui
