// Byte counts as the panes and the progress display write them.
#pragma once

#include <cstdint>
#include <string>

namespace varnel::listing {

// A file's size column: "0 KB" for an empty file, else the byte count in
// kilobytes rounded to the nearest (halves to even) and at least 1, + " KB".
// A negative count (unknown size) gives "?? KB".
std::string FileSizeText(std::int64_t bytes);

// The magnitude of `value` as "1.43Mb", "1.50Kb" / "1Kb" (with / without
// decimals) or "1024bytes". Megabytes always show two decimals.
std::string FormatByteCount(std::int64_t value, bool with_decimals);

// The progress label: "<count> of <total> (<percent>%)", "(??%)" when the
// total is unknown (0).
std::string TransferProgressLabel(std::int64_t count, std::int64_t total);

// The progress panel's hint: the label + " at " + the rate + "/Sec", or the
// label in brackets while less than half a second has passed. `elapsed_ms`
// is the time since the transfer started.
std::string TransferProgressHint(const std::string& label, std::int64_t count,
                                 std::int64_t elapsed_ms);

}  // namespace varnel::listing
