#include "listing/listing_entry.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// A month token: blank, three-letter month name, blank.
constexpr std::size_t kMonthTokenLength = 5;
constexpr std::size_t kMonths = 12;

// A long line's date field: blank, month, blank, day, blank, time or year.
constexpr std::size_t kDateFieldLength = 13;

// "-rw-r--r--": a type letter, then nine mode letters (an ACL mark may follow).
constexpr std::size_t kModeLength = 10;
constexpr std::string_view kModeLetters = "rwxsStTlL-";

constexpr std::string_view kLinkArrow = " -> ";

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

// A decimal byte count with an optional sign; kUnknownSize when it is not a
// number, is negative or does not fit.
std::int64_t ParseSize(std::string_view field) {
  bool negative = false;
  if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty()) {
    return kUnknownSize;
  }
  std::int64_t value = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  for (const char c : field) {
    if (!IsDigit(c) || value > (kMax - (c - '0')) / 10) {
      return kUnknownSize;
    }
    value = value * 10 + (c - '0');
  }
  return negative && value != 0 ? kUnknownSize : value;
}

std::string_view SafeSubstr(std::string_view text, std::size_t from, std::size_t count) {
  return from >= text.size() ? std::string_view() : text.substr(from, count);
}

// The runs of non-blanks of `text`.
std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> fields;
  for (std::size_t at = text.find_first_not_of(' '); at != std::string_view::npos;
       at = text.find_first_not_of(' ', at)) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    fields.push_back(text.substr(at, end - at));
    at = end;
  }
  return fields;
}

bool IsMode(std::string_view field) {
  return field.size() >= kModeLength &&
         field.substr(1, kModeLength - 1).find_first_not_of(kModeLetters) == std::string_view::npos;
}

EntryKind KindOf(char type) {
  switch (type) {
    case 'd':
    case 'D':
      return EntryKind::kFolder;
    case 'l':
      return EntryKind::kLink;
    case '-':
      return EntryKind::kFile;
    default:
      return EntryKind::kUnknown;
  }
}

// Mode, links, owner, group and size in front of the date; the size is the
// field just before it, owner and group are read only behind a mode.
void ReadFieldsBeforeDate(std::string_view head, ListingEntry& entry) {
  const std::vector<std::string_view> fields = Fields(head);
  if (fields.empty()) return;
  entry.Size = ParseSize(fields.back());
  if (fields.size() < 2 || !IsMode(fields.front())) return;
  entry.Permissions = fields.front().substr(1);
  if (fields.size() >= 5) {
    entry.Owner = fields[fields.size() - 3];
    entry.Group = fields[fields.size() - 2];
  } else if (fields.size() == 4) {
    entry.Owner = fields[2];
  }
}

ListingEntry ParseLongLine(std::string_view raw, std::string_view line, std::size_t month_at,
                           std::chrono::sys_seconds now) {
  ListingEntry entry;
  entry.Raw = raw;
  entry.Kind = KindOf(line.front());
  ReadFieldsBeforeDate(line.substr(0, month_at), entry);
  entry.DateText = TrimControls(SafeSubstr(line, month_at, kDateFieldLength));
  entry.Modified = ParseListingDate(entry.DateText, now);
  const std::string_view name =
      TrimControls(SafeSubstr(line, month_at + kDateFieldLength, std::string_view::npos));
  const std::size_t arrow =
      entry.Kind == EntryKind::kLink ? name.find(kLinkArrow) : std::string_view::npos;
  entry.Name = name.substr(0, arrow);
  if (arrow != std::string_view::npos) {
    entry.LinkTarget = name.substr(arrow + kLinkArrow.size());
  }
  return entry;
}

// A bare name; "[name]" is a folder (its first and last characters go).
ListingEntry ParseNameLine(std::string_view raw, std::string_view line) {
  ListingEntry entry;
  entry.Raw = raw;
  entry.NameOnly = true;
  if (line.front() == '[') {
    entry.Kind = EntryKind::kFolder;
    line = line.size() > 2 ? line.substr(1, line.size() - 2) : std::string_view();
  }
  entry.Name = line;
  return entry;
}

}  // namespace

// One pass over the line: the leftmost token that opens a date field, else
// the first occurrence of the latest month that occurs.
std::size_t FindMonthField(std::string_view line) {
  std::array<std::size_t, kMonths + 1> first_token;
  first_token.fill(std::string_view::npos);
  for (std::size_t at = 0; at + kMonthTokenLength <= line.size(); ++at) {
    if (line[at] != ' ' || line[at + kMonthTokenLength - 1] != ' ') continue;
    const unsigned month = MonthNumber(line.substr(at + 1, 3));
    if (month == 0) continue;
    if (OpensDateField(line, at)) return at;
    first_token[month] = std::min(first_token[month], at);
  }
  for (std::size_t month = kMonths; month > 0; --month) {
    if (first_token[month] != std::string_view::npos) return first_token[month];
  }
  return std::string_view::npos;
}

ListingFormat FormatOfLine(std::string_view raw) {
  return FindMonthField(TrimControls(raw)) == std::string::npos ? ListingFormat::kNames
                                                                 : ListingFormat::kLong;
}

std::optional<ListingEntry> ParseListingLine(std::string_view raw, ListingFormat format,
                                             std::chrono::sys_seconds now) {
  const std::string_view line = TrimControls(raw);
  if (line.empty()) return std::nullopt;
  const std::size_t month_at = FindMonthField(line);
  if (month_at != std::string::npos) return ParseLongLine(raw, line, month_at, now);
  if (format == ListingFormat::kLong) return std::nullopt;
  return ParseNameLine(raw, line);
}

std::string ListedName(const ListingEntry& entry) {
  if (entry.LinkTarget.empty()) return entry.Name;
  return entry.Name + std::string(kLinkArrow) + entry.LinkTarget;
}

}  // namespace varnel::listing
