// A whole listing (the LIST output a listing request saved) parsed into
// entries, the way the remote pane reads it.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "listing/listing_entry.h"
#include "listing/listing_row.h"

namespace varnel::listing {

// The listing file could not be opened or read; the message names the file
// and the system's reason.
class ListingFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The lines of a listing as the parser visits them: split at LF, CR LF or a
// lone CR, lines that are empty once blanks and control characters are
// trimmed dropped, sorted ascending by their trimmed text without regard to
// ASCII case. The views point into `listing` and keep the lines untrimmed.
std::vector<std::string_view> SplitListingLines(std::string_view listing);

// Parses listing text into entries, in the order of SplitListingLines. The
// first line decides the format for the whole listing (FormatOfLine): long
// (it holds a month) or bare names. Month-less lines give no entry in a long
// listing. Never fails: malformed lines make odd entries or none. `now`
// supplies the year of dates listed without one (ParseListingDate).
std::vector<ListingEntry> ParseRemoteListing(std::string_view listing,
                                             std::chrono::sys_seconds now);

// Reads the listing file and parses it. Throws ListingFileError when the file
// cannot be read, before anything else happens, so a pane keeps its rows.
std::vector<ListingEntry> ParseRemoteListingFile(const std::string& path,
                                                 std::chrono::sys_seconds now);

// The remote pane's rows of the listing file, as MakeRemoteRows gives them
// for ParseRemoteListingFile's entries, made one line at a time so that the
// entries of a large listing are never all held at once. Throws as
// ParseRemoteListingFile does.
std::vector<ListingRow> ParseRemoteRowsFile(const std::string& path, std::chrono::sys_seconds now,
                                            const ListingLookups& lookups);

}  // namespace varnel::listing
