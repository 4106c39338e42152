// One entry of a folder listing as data: what a LIST line says about a
// file, parsed once. Display texts are derived from it (listing_row.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "listing/listing_time.h"

namespace varnel::listing {

enum class EntryKind : unsigned char { kUnknown, kFile, kFolder, kLink };

inline constexpr std::int64_t kUnknownSize = -1;

struct ListingEntry {
  std::string Name;
  EntryKind Kind = EntryKind::kUnknown;
  // Bytes as listed (a folder's too); kUnknownSize when not given or not a
  // number.
  std::int64_t Size = kUnknownSize;
  EntryTime Modified;
  // A link's target ("k1024.bin" of "link.txt -> k1024.bin"); else empty.
  std::string LinkTarget;
  // The mode after the type letter ("rw-r--r--"); empty when not given.
  std::string Permissions;
  std::string Owner;
  std::string Group;
  // The line as received, without its line end.
  std::string Raw;
  // The listing's date field as written, trimmed ("Mar 04  2019"); empty
  // for a line without one.
  std::string DateText;
  // Set for a line of a listing of bare names: all it gives is the name.
  bool NameOnly = false;
};

// A listing either gives long lines (mode, size, date, name) or bare names,
// where "[name]" is a folder.
enum class ListingFormat : unsigned char { kLong, kNames };

// The index of the blank in front of the month of a long listing line, or
// std::string::npos when no month token (" JAN " ... " DEC ", any case)
// occurs. Where several tokens occur, the leftmost one that opens a date
// field (month, day, then "hh:mm" or a year, then a blank or the line's end)
// is taken, so a month word inside a name or an owner name is not mistaken
// for the date. Without such a field, the first occurrence of the last token
// in calendar order is taken.
std::size_t FindMonthField(std::string_view line);

// The format a line speaks for: long when it holds a month token.
ListingFormat FormatOfLine(std::string_view raw);

// Parses one line (`raw`, without its line end). A line with a month token
// gives a long entry; kind from its first character ("d"/"D" folder, "l"
// link, "-" file), size from the field before the month, the fields in
// front of that for mode, owner and group, the date field read with
// ParseListingDate(now), and the rest as the name (for a link: up to " -> ",
// the rest is the target). A line without a month token gives a bare-name
// entry in a kNames listing and nothing in a kLong one; so does a line that
// is empty once blanks and control characters are trimmed.
std::optional<ListingEntry> ParseListingLine(std::string_view raw, ListingFormat format,
                                             std::chrono::sys_seconds now);

// The name field of a long line as the listing wrote it: the name, and for
// a link " -> " and its target.
std::string ListedName(const ListingEntry& entry);

}  // namespace varnel::listing
