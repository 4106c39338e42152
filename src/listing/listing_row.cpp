#include "listing/listing_row.h"

#include "listing/display_bytes.h"
#include "listing/listing_paths.h"
#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// The row of `entry` shown as `name`; `bytes` only counts for files.
ListingRow MakeRow(const ListingEntry& entry, const std::string& name, std::int64_t bytes,
                   const std::string& date_text, const ListingLookups& lookups) {
  const bool folder = entry.Kind == EntryKind::kFolder;
  ListingRow row;
  row.DateText = date_text;
  row.Modified = entry.Modified;
  row.Name = entry.Name;
  row.Link = entry.Kind == EntryKind::kLink;
  row.UnsafeLocalName = !IsSafeLocalName(entry.Name);
  if (folder) {
    row.Caption = " " + name;
    row.TypeText = kFolderTypeText;
    row.PictureIndex = kFolderPicture;
    return row;
  }
  row.Caption = name;
  row.SizeText = FileSizeText(bytes);
  row.TypeText = lookups.TypeName ? lookups.TypeName(name) : std::string();
  row.PictureIndex = lookups.IconIndex ? lookups.IconIndex(UpperExtension(name)) : kNoPicture;
  return row;
}

// "README.TXT" shows as "Readme.txt".
std::string Capitalised(const std::string& name) {
  std::string text = LowerAscii(name);
  if (!text.empty()) {
    text.front() = UpperAscii(text.substr(0, 1)).front();
  }
  return text;
}

}  // namespace

ListingRow MakeRemoteRow(const ListingEntry& entry, const ListingLookups& lookups) {
  if (entry.NameOnly) {
    return MakeRow(entry, Capitalised(entry.Name), kUnknownSize, std::string(), lookups);
  }
  return MakeRow(entry, ListedName(entry), entry.Size, entry.DateText, lookups);
}

std::vector<ListingRow> MakeRemoteRows(const std::vector<ListingEntry>& entries,
                                       const ListingLookups& lookups) {
  std::vector<ListingRow> rows;
  rows.reserve(entries.size());
  for (const ListingEntry& entry : entries) {
    rows.push_back(MakeRemoteRow(entry, lookups));
  }
  return rows;
}

ListingRow MakeLocalRow(const ListingEntry& entry, const std::string& date_text,
                        const ListingLookups& lookups) {
  return MakeRow(entry, entry.Name, entry.Size, date_text, lookups);
}

std::string UpperExtension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  const std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && slash > dot)) {
    return {};
  }
  return UpperAscii(name.substr(dot + 1));
}

bool IsFolderRow(const ListingRow& row) { return row.TypeText == kFolderTypeText; }

std::string RowName(const ListingRow& row) {
  if (!row.Name.empty()) {
    return row.Name;
  }
  if (IsFolderRow(row) && !row.Caption.empty()) {
    return row.Caption.substr(1);
  }
  return row.Caption;
}

}  // namespace varnel::listing
