// INI files with the semantics of the Windows private-profile functions:
// sections and keys match without regard to ASCII letter case, values are
// taken as they stand, and rewriting a key changes only that key's value so
// that every other byte of the file survives (comments, unknown keys, odd
// lines, the line ends each line already had). New lines end in CR LF.
//
// Line syntax accepted:
//   [Name]      a section header (blanks around the name ignored, anything
//               after "]" ignored); a "[" line without "]" is no header
//   Key=Value   a key line; blanks around the key ignored, the value is
//               everything after the first "=", unchanged
//   ;... #...   comments
// Any other line is kept but never matched. Lines end in CR LF, LF or a lone
// CR. Keys before the first header belong to no section. When a key occurs
// more than once, the first occurrence is read and rewritten.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace varnel::runtime {

// Raised when a key cannot be written or the file cannot be saved. The
// message is the fixed "Unable to write to " + path; Reason() says why.
class EIniFileException : public std::runtime_error {
 public:
  EIniFileException(const std::string& path, std::string reason);
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// Integer reading shared with other record files: optional blanks, an
// optional sign and at least one decimal digit; digits end the number and
// anything after them is ignored ("12abc" is 12). Nothing, or a value out
// of the int range, is no number.
std::optional<int> ParseLeadingInteger(std::string_view text);

// Name comparison of the file: ASCII letters match either case, every other
// byte (UTF-8 included) only itself.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& Path() const { return path_; }

  // Reads the file. A missing file is an empty one. Returns false (and
  // leaves the content empty) when the file exists but cannot be read.
  bool Load(std::string* error = nullptr);
  // Replaces the content with `bytes`, as if read from the file.
  void SetBytes(std::string_view bytes);
  // The content as it would be saved.
  std::string Bytes() const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // The value, or `fallback` when the section or key is absent. A present
  // key with an empty value reads as empty.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // The value's leading integer (ParseLeadingInteger), else `fallback`.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // True for any non-zero integer; `fallback` when the value is no number.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Sets a value in memory. Throws EIniFileException for a section, key or
  // value that the file could not hold: a line break anywhere, a key that is
  // empty, holds "=", starts with "[", ";" or "#" or has outer blanks, a
  // section name that is empty, holds "]" or has outer blanks.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Rewrites the file atomically (the old file stays intact on failure).
  // `mode` applies to a new file, or always when `force_mode` is set (files
  // that hold passwords). Throws EIniFileException on failure.
  void Save(mode_t mode = 0644, bool force_mode = false) const;

 private:
  struct Line {
    std::string text;
    std::string eol;  // "\r\n", "\n", "\r", or empty for an unterminated last line
  };

  std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const;
  std::optional<std::size_t> FindSectionEnd(std::string_view section) const;
  void InsertLine(std::size_t at, std::string text);
  void AppendSection(std::string_view section, std::string key_line);

  std::string path_;
  std::string bom_;
  std::vector<Line> lines_;
};

}  // namespace varnel::runtime
