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
        if (c < 0x20 || c == 0x7f) {
          AppendUnicodeEscape(out, c);
        } else {
          out += static_cast<char>(c);
        }
    }
    ++i;
  }
  out += '"';
  return out;
}

std::string JsonListingEntry(const listing::ListingRow& row) {
  std::string out = "{";
  AppendField(out, "name", JsonString(listing::RowName(row)));
  AppendField(out, "folder", listing::IsFolderRow(row) ? "true" : "false");
  AppendField(out, "size", JsonString(row.SizeText));
  AppendField(out, "date", JsonString(row.DateText));
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
