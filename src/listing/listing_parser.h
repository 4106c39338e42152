// Turns the server's LIST output (the listing file) into remote pane rows.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_row.h"

namespace varnel::listing {

// The listing file could not be opened or read; the message names the file
// and the system's reason.
class ListingFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The lines of a listing as the parser visits them: split at LF, CR LF or a
// lone CR, trimmed of blanks and control characters, empty lines dropped,
// sorted ascending without regard to ASCII case.
std::vector<std::string> SplitListingLines(std::string_view listing);

// The index of the blank in front of the month of a long listing line, or
// std::string::npos when no month token (" JAN " ... " DEC ", any case)
// occurs. Where several tokens occur, the leftmost one that opens a date
// field (month, day, then "hh:mm" or a year, then a blank or the line's end)
// is taken, so a month word inside a name or an owner name is not mistaken
// for the date. Without such a field, the first occurrence of the last token
// in calendar order is taken.
std::size_t FindMonthField(std::string_view line);

// Parses listing text into rows, in the order of SplitListingLines (sort them
// with SortRows). The first line decides the format for the whole listing:
// long (it holds a month) or short (a bare list of names, "[name]" for
// folders). Long lines give name, size, date and the folder flag of their
// first character; month-less lines give no row in a long listing and a
// capitalised name in a short one. Never fails: malformed lines make odd
// rows or none.
std::vector<ListingRow> ParseRemoteListing(std::string_view listing, const ListingLookups& lookups);

// Reads the listing file and parses it. Throws ListingFileError when the file
// cannot be read, before anything else happens, so a pane keeps its rows.
std::vector<ListingRow> ParseRemoteListingFile(const std::string& path,
                                               const ListingLookups& lookups);

}  // namespace varnel::listing
