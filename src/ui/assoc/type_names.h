// Readable type names for the type column of the file panes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnel::ui {

// The type text for a file name: the fixed table for well-known extensions,
// else the MIME database's description of the extension, else the extension
// in upper case followed by " File". A name without an extension is "File";
// an empty name gives an empty text.
std::string GetFileTypeName(std::string_view name);

// The fixed table's text for an extension given with its dot in lower case
// (".txt"), if it has one.
std::optional<std::string_view> FixedTypeName(std::string_view extension);

// The MIME database's description of an extension given with its dot, if the
// database knows it. A type without a description is named through
// DescribeTypeName.
std::optional<std::string> MimeTypeName(std::string_view extension);

// Turns a type's class name into words: "txtfile" gives "TXT File",
// "Word.Document.8" gives "Word Document 8", "WinZip" gives "Win Zip File".
std::string DescribeTypeName(std::string_view class_name);

}  // namespace varnel::ui
