#include "cli/cli_json.h"

#include <array>

#include "cli/cli_text.h"

namespace varnel::cli {
namespace {

constexpr std::array<char, 16> kHexDigits{'0', '1', '2', '3', '4', '5', '6', '7',
                                          '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};

void AppendUnicodeEscape(std::string& out, unsigned char byte) {
  out += "\\u00";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0x0f];
}

bool IsPlainAscii(unsigned char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; }

constexpr const char* kNull = "null";

std::string JsonStringOrNull(std::string_view text) {
  return text.empty() ? kNull : JsonString(text);
}

std::string JsonKind(listing::EntryKind kind) {
  switch (kind) {
    case listing::EntryKind::kFile:
      return "\"file\"";
    case listing::EntryKind::kFolder:
      return "\"folder\"";
    case listing::EntryKind::kLink:
      return "\"link\"";
    case listing::EntryKind::kUnknown:
      break;
  }
  return kNull;
}

void AppendField(std::string& out, std::string_view name, const std::string& json_value) {
  if (out.size() > 1) out += ',';
  out += JsonString(name);
  out += ':';
  out += json_value;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  out.reserve(text.size() + 2);
  std::size_t i = 0;
  while (i < text.size()) {
    // Printable ASCII other than quote and backslash goes as it is, a run at
    // a time.
    std::size_t plain = i;
    while (plain < text.size() && IsPlainAscii(static_cast<unsigned char>(text[plain]))) ++plain;
    out.append(text.substr(i, plain - i));
    i = plain;
    if (i == text.size()) break;
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceLength(text, i);
      if (length == 0) {
        AppendUnicodeEscape(out, c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        AppendUnicodeEscape(out, c);
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsonListingEntry(const listing::ListingEntry& entry) {
  using listing::EntryKind;
  std::string out = "{";
  AppendField(out, "name", JsonString(entry.Name));
  AppendField(out, "type", JsonKind(entry.Kind));
  AppendField(out, "size",
              entry.Size == listing::kUnknownSize ? kNull : std::to_string(entry.Size));
  AppendField(out, "modified", JsonStringOrNull(listing::Iso8601(entry.Modified)));
  AppendField(out, "permissions", JsonStringOrNull(entry.Permissions));
  AppendField(out, "owner", JsonStringOrNull(entry.Owner));
  AppendField(out, "group", JsonStringOrNull(entry.Group));
  if (entry.Kind == EntryKind::kLink) AppendField(out, "target", JsonStringOrNull(entry.LinkTarget));
  AppendField(out, "raw", JsonString(entry.Raw));
  return out + "}\n";
}

std::string JsonNameEntry(std::string_view name) {
  std::string out = "{";
  AppendField(out, "name", JsonString(name));
  return out + "}\n";
}

std::string JsonResultLine(const CommandResult& result) {
  std::string out = "{";
  AppendField(out, "command", JsonString(result.command));
  AppendField(out, "result", JsonString(result.ok ? "ok" : "error"));
  AppendField(out, "error", std::to_string(result.error));
  AppendField(out, "message", JsonString(result.message));
  AppendField(out, "bytes", std::to_string(result.bytes));
  if (!result.output.empty()) AppendField(out, "output", JsonString(result.output));
  return out + "}\n";
}

}  // namespace varnel::cli
