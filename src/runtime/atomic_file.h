// Whole-file rewrites that never leave a half-written file behind.
#pragma once

#include <string>
#include <sys/types.h>

namespace varnel::runtime {

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it
// over `path`. `mode` applies to a newly created file; an existing file keeps
// its permission bits unless `force_mode` is set (files holding passwords are
// always narrowed to `mode`). On failure `path` is untouched and `error`
// (when given) receives the reason.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         mode_t mode = 0644, bool force_mode = false,
                         std::string* error = nullptr);

// Reads a whole regular file. Returns false (and leaves `bytes` empty) when
// it cannot be opened or read, or is anything but a regular file (a pipe
// would block, a device never end); `error` (when given) then says
// path + ": " + why.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

}  // namespace varnel::runtime
