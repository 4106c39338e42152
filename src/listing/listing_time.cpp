#include "listing/listing_time.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 12> kMonthNames = {
    "JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

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

std::optional<month> MonthOf(std::string_view word) {
  if (word.size() != 3) return std::nullopt;
  const std::string upper = UpperAscii(std::string(word));
  for (std::size_t i = 0; i < kMonthNames.size(); ++i) {
    if (upper == kMonthNames[i]) return month(static_cast<unsigned>(i + 1));
  }
  return std::nullopt;
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

}  // namespace

EntryTime ParseListingDate(std::string_view field, sys_seconds now) {
  const auto words = Words<3>(field);
  if (!words) return {};
  const std::optional<month> m = MonthOf((*words)[0]);
  const std::optional<int> day_number = Number((*words)[1], 2);
  if (!m || !day_number) return {};
  const day d(static_cast<unsigned>(*day_number));
  if (const std::optional<minutes> at = TimeOfDay((*words)[2])) {
    return MostRecentNotAfter(*m, d, *at, now);
  }
  const std::optional<int> year_number = (*words)[2].size() == 4 ? Number((*words)[2], 4) : std::nullopt;
  if (!year_number) return {};
  const year_month_day date = year(*year_number) / *m / d;
  if (!date.ok()) return {};
  return {sys_days(date), TimePrecision::kDay};
}

std::string Iso8601(const EntryTime& time) {
  if (!time.Known()) return {};
  const sys_days day_point = floor<days>(time.Value);
  const year_month_day date(day_point);
  const hh_mm_ss<seconds> clock(time.Value - day_point);
  char text[32];
  const int y = static_cast<int>(date.year());
  const unsigned mo = static_cast<unsigned>(date.month());
  const unsigned d = static_cast<unsigned>(date.day());
  const auto h = static_cast<long>(clock.hours().count());
  const auto mi = static_cast<long>(clock.minutes().count());
  const auto s = static_cast<long>(clock.seconds().count());
  switch (time.Precision) {
    case TimePrecision::kDay:
      std::snprintf(text, sizeof text, "%04d-%02u-%02u", y, mo, d);
      break;
    case TimePrecision::kMinute:
      std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld", y, mo, d, h, mi);
      break;
    default:
      std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02ld", y, mo, d, h, mi, s);
      break;
  }
  return text;
}

}  // namespace varnel::listing
