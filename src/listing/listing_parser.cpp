#include "listing/listing_parser.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// Tried in this order; when no date field is recognised the last one found
// decides.
constexpr std::array<std::string_view, 12> kMonthTokens = {" JAN ", " FEB ", " MAR ", " APR ",
                                                           " MAY ", " JUN ", " JUL ", " AUG ",
                                                           " SEP ", " OCT ", " NOV ", " DEC "};

// A long line's date field: blank, month, blank, day, blank, time or year.
constexpr std::size_t kDateFieldLength = 13;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Day at 5..6 (" 4" or "04"), blank at 7, then "hh:mm" or " yyyy" at 8..12,
// then a blank or the end of the line.
bool OpensDateField(std::string_view line, std::size_t at) {
  if (line.size() < at + kDateFieldLength) {
    return false;
  }
  const std::string_view field = line.substr(at, kDateFieldLength);
  const bool day = (field[5] == ' ' || IsDigit(field[5])) && IsDigit(field[6]) && field[7] == ' ';
  const bool time = IsDigit(field[8]) && IsDigit(field[9]) && field[10] == ':' &&
                    IsDigit(field[11]) && IsDigit(field[12]);
  const bool year = field[8] == ' ' && IsDigit(field[9]) && IsDigit(field[10]) &&
                    IsDigit(field[11]) && IsDigit(field[12]);
  const bool ends = line.size() == at + kDateFieldLength || line[at + kDateFieldLength] == ' ';
  return day && (time || year) && ends;
}

// The field just before `at`: skip blanks leftwards, then take the run of
// non-blanks.
std::string_view FieldBefore(std::string_view line, std::size_t at) {
  std::size_t end = at;
  while (end > 0 && line[end - 1] == ' ') {
    --end;
  }
  std::size_t start = end;
  while (start > 0 && line[start - 1] != ' ') {
    --start;
  }
  return line.substr(start, end - start);
}

// A decimal byte count with an optional sign; -1 when it is not a number,
// is negative or does not fit.
std::int64_t ParseSize(std::string_view field) {
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty()) {
    return -1;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  for (const char c : field) {
    if (!IsDigit(c) || value > (kMax - (c - '0')) / 10) {
      return -1;
    }
    value = value * 10 + (c - '0');
  }
  return negative && value != 0 ? -1 : value;
}

std::string_view SafeSubstr(std::string_view text, std::size_t from, std::size_t count) {
  return from >= text.size() ? std::string_view() : text.substr(from, count);
}

ListingRow ParseLongLine(std::string_view line, std::size_t month_at,
                         const ListingLookups& lookups) {
  const std::string name(
      TrimControls(SafeSubstr(line, month_at + kDateFieldLength, std::string_view::npos)));
  const std::string date(TrimControls(SafeSubstr(line, month_at, kDateFieldLength)));
  if (line.front() == 'd' || line.front() == 'D') {
    return MakeFolderRow(name, date);
  }
  return MakeFileRow(name, ParseSize(FieldBefore(line, month_at)), date, lookups);
}

// A bare name, "[name]" for a folder, shown in lower case with a capital.
ListingRow ParseShortLine(std::string_view line, const ListingLookups& lookups) {
  std::string text = LowerAscii(std::string(line));
  const bool folder = text.front() == '[';
  if (folder) {
    text = text.size() > 2 ? text.substr(1, text.size() - 2) : std::string();
  }
  if (!text.empty()) {
    text.replace(0, 1, UpperAscii(text.substr(0, 1)));
  }
  return folder ? MakeFolderRow(text, std::string())
                : MakeFileRow(text, -1, std::string(), lookups);
}

}  // namespace

std::vector<std::string> SplitListingLines(std::string_view listing) {
  std::vector<std::string> lines;
  while (!listing.empty()) {
    const std::size_t end = listing.find_first_of("\r\n");
    const std::string_view line = TrimControls(listing.substr(0, end));
    if (!line.empty()) {
      lines.emplace_back(line);
    }
    listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
  }
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return LessIgnoringCase(a, b);
  });
  return lines;
}

std::size_t FindMonthField(std::string_view line) {
  const std::string upper = UpperAscii(std::string(line));
  std::size_t date_field = std::string::npos;
  std::size_t last_token = std::string::npos;
  for (const std::string_view token : kMonthTokens) {
    std::size_t at = upper.find(token);
    if (at != std::string::npos) {
      last_token = at;
    }
    for (; at != std::string::npos && at < date_field; at = upper.find(token, at + 1)) {
      if (OpensDateField(line, at)) {
        date_field = at;
      }
    }
  }
  return date_field != std::string::npos ? date_field : last_token;
}

std::vector<ListingRow> ParseRemoteListing(std::string_view listing,
                                           const ListingLookups& lookups) {
  const std::vector<std::string> lines = SplitListingLines(listing);
  std::vector<ListingRow> rows;
  rows.reserve(lines.size());
  bool long_format = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t month_at = FindMonthField(lines[i]);
    if (i == 0) {
      long_format = month_at != std::string::npos;
    }
    if (month_at != std::string::npos) {
      rows.push_back(ParseLongLine(lines[i], month_at, lookups));
    } else if (!long_format) {
      rows.push_back(ParseShortLine(lines[i], lookups));
    }
  }
  return rows;
}

std::vector<ListingRow> ParseRemoteListingFile(const std::string& path,
                                               const ListingLookups& lookups) {
  const auto fail = [&path] {
    throw ListingFileError("Unable to read the listing file \"" + path +
                           "\": " + std::strerror(errno));
  };
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) {
    fail();
  }
  std::string bytes;
  std::array<char, 65536> block;
  std::size_t count = 0;
  while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    bytes.append(block.data(), count);
  }
  if (std::ferror(file.get())) {
    fail();
  }
  return ParseRemoteListing(bytes, lookups);
}

}  // namespace varnel::listing
