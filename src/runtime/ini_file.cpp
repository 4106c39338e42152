#include "runtime/ini_file.h"

#include <climits>

#include "runtime/atomic_file.h"
#include "runtime/program_files.h"

namespace varnel::runtime {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != text.npos; }

// What one line of the file is, and the name it carries.
struct LineInfo {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::string_view name;
};

LineInfo Classify(std::string_view text) {
  std::string_view body = Trim(text);
  if (body.empty() || body.front() == ';' || body.front() == '#') return {};
  if (body.front() == '[') {
    std::size_t close = body.find(']');
    if (close != body.npos) return {LineInfo::kSection, Trim(body.substr(1, close - 1))};
  }
  std::size_t equals = text.find('=');
  if (equals == text.npos) return {};
  return {LineInfo::kKey, Trim(text.substr(0, equals))};
}

std::string_view ValueOf(std::string_view key_line) {
  return key_line.substr(key_line.find('=') + 1);
}

std::string RefusalOf(std::string_view section, std::string_view key, std::string_view value) {
  if (section.empty() || Trim(section) != section || HasLineBreak(section) ||
      section.find(']') != section.npos) {
    return "section name \"" + std::string(section) + "\" cannot be stored";
  }
  if (key.empty() || Trim(key) != key || HasLineBreak(key) || key.find('=') != key.npos ||
      key.front() == '[' || key.front() == ';' || key.front() == '#') {
    return "key name \"" + std::string(key) + "\" cannot be stored";
  }
  if (HasLineBreak(value)) return "the value of " + std::string(key) + " holds a line break";
  return {};
}

}  // namespace

EIniFileException::EIniFileException(const std::string& path, std::string reason)
    : std::runtime_error("Unable to write to " + path), reason_(std::move(reason)) {}

std::optional<int> ParseLeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::Load(std::string* error) {
  std::string bytes;
  bool ok = ReadProgramFile(path_, bytes, error);
  SetBytes(bytes);
  return ok;
}

void IniFile::SetBytes(std::string_view bytes) {
  bom_.clear();
  lines_.clear();
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    bom_ = kUtf8Bom;
    bytes.remove_prefix(kUtf8Bom.size());
  }
  while (!bytes.empty()) {
    std::size_t end = bytes.find_first_of("\r\n");
    if (end == bytes.npos) {
      lines_.push_back({std::string(bytes), {}});
      break;
    }
    std::size_t eol_size = bytes.substr(end, 2) == kCrLf ? 2 : 1;
    lines_.push_back({std::string(bytes.substr(0, end)), std::string(bytes.substr(end, eol_size))});
    bytes.remove_prefix(end + eol_size);
  }
}

std::string IniFile::Bytes() const {
  std::string bytes = bom_;
  for (const Line& line : lines_) bytes += line.text + line.eol;
  return bytes;
}

std::optional<std::size_t> IniFile::FindKey(std::string_view section, std::string_view key) const {
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineInfo::kSection) {
      inside = EqualsIgnoringCase(info.name, section);
    } else if (inside && info.kind == LineInfo::kKey && EqualsIgnoringCase(info.name, key)) {
      return i;
    }
  }
  return std::nullopt;
}

// The index after which a new key of `section` goes: its last key line, or
// its header when it has no key yet. Blank lines and comments that follow
// the last key stay with whatever comes after them.
std::optional<std::size_t> IniFile::FindSectionEnd(std::string_view section) const {
  std::optional<std::size_t> end;
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    LineInfo info = Classify(lines_[i].text);
    if (info.kind == LineInfo::kSection) {
      if (end) return end;
      inside = EqualsIgnoringCase(info.name, section);
      if (inside) end = i;
    } else if (inside && info.kind == LineInfo::kKey) {
      end = i;
    }
  }
  return end;
}

bool IniFile::SectionExists(std::string_view section) const {
  for (const Line& line : lines_) {
    LineInfo info = Classify(line.text);
    if (info.kind == LineInfo::kSection && EqualsIgnoringCase(info.name, section)) return true;
  }
  return false;
}

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key).has_value();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  std::optional<std::size_t> at = FindKey(section, key);
  return std::string(at ? ValueOf(lines_[*at].text) : fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  std::optional<std::size_t> at = FindKey(section, key);
  if (!at) return fallback;
  return ParseLeadingInteger(ValueOf(lines_[*at].text)).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string refusal = RefusalOf(section, key, value);
  if (!refusal.empty()) throw EIniFileException(path_, refusal);
  if (std::optional<std::size_t> at = FindKey(section, key)) {
    std::string& text = lines_[*at].text;
    text.replace(text.find('=') + 1, text.npos, value);
    return;
  }
  std::string line = std::string(key) + "=" + std::string(value);
  if (std::optional<std::size_t> end = FindSectionEnd(section)) {
    InsertLine(*end + 1, std::move(line));
  } else {
    AppendSection(section, std::move(line));
  }
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::InsertLine(std::size_t at, std::string text) {
  if (at > 0 && lines_[at - 1].eol.empty()) lines_[at - 1].eol = kCrLf;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), std::string(kCrLf)});
}

// A new section goes to the end of the file, after a blank separator line
// unless the file is empty or already ends in one.
void IniFile::AppendSection(std::string_view section, std::string key_line) {
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) InsertLine(lines_.size(), {});
  InsertLine(lines_.size(), "[" + std::string(section) + "]");
  InsertLine(lines_.size(), std::move(key_line));
}

void IniFile::Save(mode_t mode, bool force_mode) const {
  std::string reason;
  if (!WriteFileAtomically(path_, Bytes(), mode, force_mode, &reason)) {
    throw EIniFileException(path_, reason);
  }
}

}  // namespace varnel::runtime
