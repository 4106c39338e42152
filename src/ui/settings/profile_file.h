// The connection profile file: a count line, then four lines per profile
// (name, user name, password, address), every line ended by CR LF.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "runtime/unreadable_file.h"
#include "ui/settings/connection_profiles.h"

namespace varnel::ui {

// A profile file that cannot be read, parsed or written; the message is the
// text shown to the user.
class EProfileFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr const char* kInvalidNumericInput = "Invalid numeric input";

// The profiles in `bytes`. The count line holds an optional sign and
// decimal digits, with blanks around them allowed; anything else throws
// EProfileFileError(kInvalidNumericInput). A negative count reads as no
// profile, a count above MaxProfiles as MaxProfiles (later records are
// ignored). Records cut short give empty fields. Lines may end in CR LF,
// LF or a lone CR; an empty file holds no profile.
TProfileTable ParseProfiles(std::string_view bytes);

// The file's bytes for `table`. A line break inside a field is written as
// a blank, so a field can never shift the records after it.
std::string FormatProfiles(const TProfileTable& table);

// Reads the file; a missing file gives an empty table. Throws
// EProfileFileError with the system's reason when the file exists but
// cannot be read, or as ParseProfiles does. `keeper` (when given) notes
// whether the file could be read.
TProfileTable ReadProfileFile(const std::string& path,
                              runtime::UnreadableFileKeeper* keeper = nullptr);

// Rewrites the file atomically with mode 0600 (it holds passwords). Throws
// EProfileFileError with the system's reason; the old file stays intact.
void WriteProfileFile(const std::string& path, const TProfileTable& table);

}  // namespace varnel::ui
