// One row of a file pane (remote or local): the four column texts, the
// picture, whether the entry's name may be used as a local file name, and
// the time the Date column orders by. Rows are built from entries.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "listing/listing_entry.h"

namespace varnel::listing {

// The type text that marks a folder row throughout the main window.
inline constexpr const char* kFolderTypeText = "File Folder";
// Picture index of the folder picture in both image lists.
inline constexpr int kFolderPicture = 0;
// Picture index of a file row built without an icon lookup.
inline constexpr int kNoPicture = -1;

struct ListingRow {
  // The entry's name; a folder's name has one blank in front, which sorts
  // folders before files by name.
  std::string Caption;
  // Folders: empty; files: whole kilobytes + " KB", or "?? KB".
  std::string SizeText;
  // Folders: "File Folder"; files: the type name of the association table.
  std::string TypeText;
  // As the server wrote it, or as the local pane formats it; empty for a
  // listing of bare names.
  std::string DateText;
  int PictureIndex = kFolderPicture;
  // The entry's own name as listed, byte for byte: what every request about
  // the entry sends (a link's caption adds " -> " and its target; a bare
  // name's caption changes its letter case).
  std::string Name;
  // The entry is a symbolic link.
  bool Link = false;
  // Set when the own name, joined to a local folder, would leave that folder
  // (see IsSafeLocalName); such a row must never become a local file.
  bool UnsafeLocalName = false;
  // The entry's modification time; the Date column orders by it.
  EntryTime Modified;
};

// The association table's answers for file rows, handed in so that this
// code needs nothing but the standard library. An empty lookup gives an
// empty type text and kNoPicture.
struct ListingLookups {
  // Type name of a file name ("Text Document").
  std::function<std::string(const std::string& name)> TypeName;
  // Picture index of an upper-case extension without its dot ("TXT").
  std::function<int(const std::string& extension)> IconIndex;
};

// A remote pane row. A folder entry gives caption " " + name, no size, "File
// Folder", picture 0; every other kind a file row with the size text of its
// bytes, type text and picture from the lookups. A long line's caption is
// its name field as listed (a link's with " -> " and the target) and its
// date text the listed date field; a bare name is shown in lower case with
// a capital, "?? KB" and no date.
ListingRow MakeRemoteRow(const ListingEntry& entry, const ListingLookups& lookups);

// The rows of a parsed listing, one per entry, in the entries' order.
std::vector<ListingRow> MakeRemoteRows(const std::vector<ListingEntry>& entries,
                                       const ListingLookups& lookups);

// A local pane row from an entry of the file system (name, kind, size and
// time) and the date text the caller formatted for the desktop's locale.
ListingRow MakeLocalRow(const ListingEntry& entry, const std::string& date_text,
                        const ListingLookups& lookups);

// The extension of a name in upper case without its dot ("TXT" for
// "a.txt"), taken after the last "." that follows the last "/"; empty when
// there is none.
std::string UpperExtension(const std::string& name);

// A row is a folder exactly when its type text is "File Folder".
bool IsFolderRow(const ListingRow& row);

// The entry's own name (ListingRow::Name); for a row built without one, the
// caption without a folder's leading blank.
std::string RowName(const ListingRow& row);

}  // namespace varnel::listing
