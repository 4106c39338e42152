#include "listing/listing_row.h"

#include "listing/display_bytes.h"
#include "listing/listing_paths.h"
#include "listing/listing_text.h"

namespace varnel::listing {

ListingRow MakeFolderRow(const std::string& name, const std::string& date_text) {
  ListingRow row;
  row.Caption = " " + name;
  row.TypeText = kFolderTypeText;
  row.DateText = date_text;
  row.PictureIndex = kFolderPicture;
  row.UnsafeLocalName = !IsSafeLocalName(name);
  return row;
}

ListingRow MakeFileRow(const std::string& name, std::int64_t bytes, const std::string& date_text,
                       const ListingLookups& lookups) {
  ListingRow row;
  row.Caption = name;
  row.SizeText = FileSizeText(bytes);
  row.TypeText = lookups.TypeName ? lookups.TypeName(name) : std::string();
  row.DateText = date_text;
  row.PictureIndex = lookups.IconIndex ? lookups.IconIndex(UpperExtension(name)) : kNoPicture;
  row.UnsafeLocalName = !IsSafeLocalName(name);
  return row;
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
  if (IsFolderRow(row) && !row.Caption.empty()) {
    return row.Caption.substr(1);
  }
  return row.Caption;
}

}  // namespace varnel::listing
