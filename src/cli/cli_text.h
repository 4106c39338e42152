// Text from the server on its way to a terminal: UTF-8 sequences and the
// visible form of control characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace varnel::cli {

// Length of the well-formed UTF-8 sequence of two or more bytes at `at`
// (no overlong forms, no surrogates, nothing above U+10FFFF), or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Server text made safe for a terminal: control characters other than tab
// (C0, DEL, and C1 both as a raw byte and in UTF-8 form) become visible
// escapes such as "\x1b", so that a reply cannot move the cursor, retitle the
// window or hide what came before it. Everything else passes unchanged.
std::string VisibleText(std::string_view text);

}  // namespace varnel::cli
