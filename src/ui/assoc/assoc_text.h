// Byte-wise text helpers for the association lookups. Letter case is folded
// for ASCII only, so the bytes of UTF-8 names pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace varnel::ui::assoc_text {

std::string Upper(std::string_view text);
std::string Lower(std::string_view text);

// Drops leading and trailing blanks and control characters (bytes up to 0x20).
std::string_view Trim(std::string_view text);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Compares without regard to ASCII letter case: negative, zero or positive.
int CompareIgnoreCase(std::string_view a, std::string_view b);

// The part of `path` after its last "/".
std::string_view FileNamePart(std::string_view path);

// The extension of a path's file name: from its last dot, dot included;
// empty when the file name has no dot.
std::string_view ExtensionWithDot(std::string_view path);

}  // namespace varnel::ui::assoc_text
