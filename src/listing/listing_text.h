// Byte-string helpers of the listing code. Listings are 8-bit text of any
// code page, so case changes touch the ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace varnel::listing {

std::string UpperAscii(std::string text);
std::string LowerAscii(std::string text);

// Drops blanks and control characters (every byte up to 0x20, NUL included)
// at both ends.
std::string_view TrimControls(std::string_view text);

// The index of the first CR or LF in `text`, or std::string_view::npos.
std::size_t FindLineEnd(std::string_view text);

// Case-insensitive (ASCII) byte-wise ordering: true when `first` < `second`.
bool LessIgnoringCase(std::string_view first, std::string_view second);

}  // namespace varnel::listing
