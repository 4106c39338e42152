// Modification times of listing entries: the date field of a LIST line read
// into a calendar time, a year supplied where the line gives none, and the
// ISO 8601 text of such a time.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace varnel::listing {

// How much of a time is known. A listing gives a day ("Mar 04  2019") or a
// minute ("Dec 08 07:38"); the local file system gives seconds.
enum class TimePrecision : unsigned char { kNone, kDay, kMinute, kSecond };

// A remote time is the clock reading the server wrote, in the server's own
// zone, held as if it were UTC (most servers list in UTC); a day-precise time
// holds midnight of that day.
struct EntryTime {
  std::chrono::sys_seconds Value{};
  TimePrecision Precision = TimePrecision::kNone;

  bool Known() const { return Precision != TimePrecision::kNone; }
  friend bool operator==(const EntryTime&, const EntryTime&) = default;
};

// The month of a three-letter English name in any case ("mar" is 3); 0 for
// anything else.
unsigned MonthNumber(std::string_view word);

// The time of a listing's date field: month, day, then "hh:mm" or a year
// ("Dec 08 07:38", "Mar  4  2019"; blanks around the field ignored). A field
// with a time but no year gets the most recent year in which that date is
// not later than `now`, so it never lies in the future ("Dec 31 23:00" read
// on January 1st is last year's). A field of another shape or naming no real
// date (Feb 30, 24:00) gives an unknown time.
EntryTime ParseListingDate(std::string_view field, std::chrono::sys_seconds now);

// "2019-03-04" for a day, "2026-12-08T07:38" for a minute,
// "2026-12-08T07:38:05" for a second; empty when unknown. No zone is given:
// a listing does not say which one its times are in.
std::string Iso8601(const EntryTime& time);

}  // namespace varnel::listing
