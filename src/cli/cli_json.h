// JSON lines of --json: listing entries and the result line that ends every
// command. Strings are escaped so that any byte sequence from a server gives
// valid JSON: valid UTF-8 passes through, control bytes and quotes are
// escaped, and each byte of an invalid UTF-8 sequence is written as \u00XX
// (its Latin-1 reading, since the protocol's text is 8-bit).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "listing/listing_entry.h"

namespace varnel::cli {

// `text` as a quoted JSON string.
std::string JsonString(std::string_view text);

// One listing entry and a line end:
// {"name":...,"type":...,"size":...,"modified":...,"permissions":...,
//  "owner":...,"group":...[,"target":...],"raw":...}
// "type" is "file", "folder", "link" or null (not known), "size" a number
// of bytes or null, "modified" ISO 8601 ("2019-03-04" when the listing gives
// only the day, "2026-12-08T07:38" when it gives the minute) or null;
// "permissions" ("rw-r--r--"), "owner" and "group" are null when the line
// does not give them; "target" is there for links only (null when the line
// names none); "raw" is the line as received.
std::string JsonListingEntry(const listing::ListingEntry& entry);

// {"name":...} and a line end, for NLST.
std::string JsonNameEntry(std::string_view name);

struct CommandResult {
  std::string command;
  bool ok = true;
  int error = 0;
  std::string message;  // what went wrong, for people (FailureMessage or the CLI's own text)
  std::int64_t bytes = 0;
  // Command output for people (pwd's folder, size's number, quote's reply);
  // emitted as "output" when not empty.
  std::string output;
};

// {"command":...,"result":"ok"|"error","error":N,"message":...,"bytes":N[,"output":...]}
// and a line end.
std::string JsonResultLine(const CommandResult& result);

}  // namespace varnel::cli
