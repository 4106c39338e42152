#include "listing/listing_time.h"

#include <algorithm>
#include <array>
#include <optional>


namespace varnel::listing {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 12> kMonthNames = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

char FoldToUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A leap day without a year may lie up to eight years back (2096, then 2104).
constexpr int kYearsToTry = 9;

// The blank-separated words of a field; more than `N` words gives nothing.
template <std::size_t N>
std::optional<std::array<std::string_view, N>> Words(std::string_view text) {
  std::array<std::string_view, N> words;
  std::size_t count = 0;
  while (!text.empty()) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    const std::size_t end = std::min(text.find(' '), text.size());
    if (count == N) return std::nullopt;
    words[count++] = text.substr(0, end);
    text.remove_prefix(end);
  }
  if (count != N) return std::nullopt;
  return words;
}

// A number of 1..`max_digits` decimal digits.
std::optional<int> Number(std::string_view text, std::size_t max_digits) {
  if (text.empty() || text.size() > max_digits) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "hh:mm" (one or two hour digits) as minutes into the day.
std::optional<minutes> TimeOfDay(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<int> hour = Number(text.substr(0, colon), 2);
  const std::optional<int> minute = Number(text.substr(colon + 1), 2);
  if (!hour || !minute || text.size() - colon != 3 || *hour > 23 || *minute > 59) {
    return std::nullopt;
  }
  return hours(*hour) + minutes(*minute);
}

EntryTime MostRecentNotAfter(month m, day d, minutes at, sys_seconds now) {
  const year this_year = year_month_day(floor<days>(now)).year();
  for (int back = 0; back < kYearsToTry; ++back) {
    const year_month_day date = (this_year - years(back)) / m / d;
    if (!date.ok()) continue;
    const sys_seconds value = sys_days(date) + at;
    if (value <= now) return {value, TimePrecision::kMinute};
  }
  return {};
}

// `value` with leading zeros up to `width` digits.
void AppendDigits(std::string& text, int value, std::size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) text.append(width - digits.size(), '0');
  text += digits;
}

}  // namespace

unsigned MonthNumber(std::string_view word) {
  if (word.size() != 3) return 0;
  const char upper[3] = {FoldToUpper(word[0]), FoldToUpper(word[1]), FoldToUpper(word[2])};
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (std::string_view(upper, 3) == kMonthNames[i]) return static_cast<unsigned>(i + 1);
  }
  return 0;
}

EntryTime ParseListingDate(std::string_view field, sys_seconds now) {
  const auto words = Words<3>(field);
  if (!words) return {};
  const unsigned month_number = MonthNumber((*words)[0]);
  const std::optional<int> day_number = Number((*words)[1], 2);
  if (month_number == 0 || !day_number) return {};
  const month m(month_number);
  const day d(static_cast<unsigned>(*day_number));
  if (const std::optional<minutes> at = TimeOfDay((*words)[2])) {
    return MostRecentNotAfter(m, d, *at, now);
  }
  const std::optional<int> year_number = (*words)[2].size() == 4 ? Number((*words)[2], 4) : std::nullopt;
  if (!year_number) return {};
  const year_month_day date = year(*year_number) / m / d;
  if (!date.ok()) return {};
  return {sys_days(date), TimePrecision::kDay};
}

std::string Iso8601(const EntryTime& time) {
  if (!time.Known()) return {};
  const sys_days day_point = floor<days>(time.Value);
  const year_month_day date(day_point);
  const hh_mm_ss<seconds> clock(time.Value - day_point);
  std::string text;
  AppendDigits(text, static_cast<int>(date.year()), 4);
  text += '-';
  AppendDigits(text, static_cast<int>(static_cast<unsigned>(date.month())), 2);
  text += '-';
  AppendDigits(text, static_cast<int>(static_cast<unsigned>(date.day())), 2);
  if (time.Precision == TimePrecision::kDay) return text;
  text += 'T';
  AppendDigits(text, static_cast<int>(clock.hours().count()), 2);
  text += ':';
  AppendDigits(text, static_cast<int>(clock.minutes().count()), 2);
  if (time.Precision == TimePrecision::kMinute) return text;
  text += ':';
  AppendDigits(text, static_cast<int>(clock.seconds().count()), 2);
  return text;
}

}  // namespace varnel::listing
