// The association file (".EXT"): a count line N, then for each of the N rows
// its extension line and its viewer line; lines end in CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "runtime/unreadable_file.h"
#include "ui/assoc/association_table.h"

namespace varnel::ui {

// The runtime's text for a count line that is not a number.
inline constexpr std::string_view kInvalidNumericInput = "Invalid numeric input";

struct ParsedAssociations {
  std::vector<Association> rows;
  std::string error;  // empty when the file was sound
};

// Reads the rows in file order. Lines may end in CR LF, LF or CR. A row whose
// viewer line is missing gets an empty viewer; rows announced beyond the end
// of the file are not made up. A count line that is not a non-negative
// number is reported as kInvalidNumericInput, and the rows are then taken
// pairwise from the lines that follow, so that saving does not lose them.
ParsedAssociations ParseAssociationFile(std::string_view bytes);

// The file text for `rows`. Returns false (and leaves `bytes` empty) when a
// cell holds a line break, which would shift every later row of the file.
bool FormatAssociationFile(const std::vector<Association>& rows, std::string& bytes,
                           std::string* error = nullptr);

struct LoadedAssociations {
  bool exists = false;
  std::vector<Association> rows;
  std::string error;  // a read failure or a broken count line
};

// A missing file is no error: it gives no rows and `exists` false.
// `keeper` (when given) notes whether the file could be read.
LoadedAssociations LoadAssociationFile(const std::string& path,
                                       runtime::UnreadableFileKeeper* keeper = nullptr);

// Rewrites the file atomically; on failure the old file stays as it was.
bool SaveAssociationFile(const std::string& path, const std::vector<Association>& rows,
                         std::string* error = nullptr);

}  // namespace varnel::ui
