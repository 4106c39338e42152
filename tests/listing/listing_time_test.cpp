// Listing dates read into times: the year a date without one gets, around
// the turn of the year and on leap days, malformed fields, and the ISO 8601
// texts.
#include "listing/listing_time.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::chrono;
using testing::CaseLabel;
using testing::Utc;

struct DateCase {
  std::string Label;
  std::string Now;
  std::string Field;
  std::string Expected;  // Iso8601 of the result; empty: unknown
};

class ListingDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(ListingDateTest, GivesTheTimeWithItsPrecision) {
  EXPECT_EQ(Iso8601(ParseListingDate(GetParam().Field, Utc(GetParam().Now))), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    NewYear, ListingDateTest,
    ::testing::Values(
        DateCase{"last_minute_of_the_year_seen_after_midnight", "2027-01-01T00:30:00",
                 "Dec 31 23:59", "2026-12-31T23:59"},
        DateCase{"the_very_minute_of_now_is_not_future", "2027-01-01T00:30:00", "Jan 01 00:30",
                 "2027-01-01T00:30"},
        DateCase{"one_minute_ahead_is_last_year", "2027-01-01T00:30:00", "Jan 01 00:31",
                 "2026-01-01T00:31"},
        DateCase{"seconds_of_now_count", "2027-01-01T00:30:59", "Jan 01 00:30",
                 "2027-01-01T00:30"},
        DateCase{"tomorrow_is_last_year", "2026-12-09T12:00:00", "Dec 10 08:00",
                 "2025-12-10T08:00"},
        DateCase{"earlier_this_year", "2026-12-09T12:00:00", "Jan  1 00:00", "2026-01-01T00:00"},
        DateCase{"late_december_seen_in_january", "2027-01-02T08:00:00", "Dec 30 17:45",
                 "2026-12-30T17:45"},
        DateCase{"year_given_is_kept_even_in_the_future", "2026-12-09T12:00:00", "Mar 04  2031",
                 "2031-03-04"}),
    CaseLabel());

INSTANTIATE_TEST_SUITE_P(
    LeapDays, ListingDateTest,
    ::testing::Values(
        DateCase{"leap_day_goes_back_to_the_last_leap_year", "2027-01-01T00:00:00",
                 "Feb 29 12:00", "2024-02-29T12:00"},
        DateCase{"leap_day_of_this_year", "2028-03-01T00:00:00", "Feb 29 12:00",
                 "2028-02-29T12:00"},
        DateCase{"leap_day_later_today_is_four_years_back", "2028-02-29T11:00:00",
                 "Feb 29 12:00", "2024-02-29T12:00"},
        DateCase{"no_leap_day_in_2100_goes_to_2096", "2103-06-01T00:00:00", "Feb 29 06:00",
                 "2096-02-29T06:00"},
        DateCase{"leap_day_with_its_year", "2026-12-09T12:00:00", "Feb 29  2024", "2024-02-29"},
        DateCase{"leap_day_of_a_common_year", "2026-12-09T12:00:00", "Feb 29  2023", ""}),
    CaseLabel());

INSTANTIATE_TEST_SUITE_P(
    Shapes, ListingDateTest,
    ::testing::Values(
        DateCase{"zero_padded_day", "2026-12-09T12:00:00", "Dec 08 07:38", "2026-12-08T07:38"},
        DateCase{"blank_padded_day", "2026-12-09T12:00:00", "Dec  8 07:38", "2026-12-08T07:38"},
        DateCase{"month_in_any_case", "2026-12-09T12:00:00", "mAR 04  2019", "2019-03-04"},
        DateCase{"blanks_around", "2026-12-09T12:00:00", " Mar 04  2019 ", "2019-03-04"},
        DateCase{"one_hour_digit", "2026-12-09T12:00:00", "Dec 8 7:38", "2026-12-08T07:38"},
        DateCase{"day_zero", "2026-12-09T12:00:00", "Mar 00  2019", ""},
        DateCase{"day_past_the_month", "2026-12-09T12:00:00", "Apr 31 10:00", ""},
        DateCase{"hour_24", "2026-12-09T12:00:00", "Dec 08 24:00", ""},
        DateCase{"minute_60", "2026-12-09T12:00:00", "Dec 08 10:60", ""},
        DateCase{"three_digit_minute", "2026-12-09T12:00:00", "Dec 08 10:600", ""},
        DateCase{"no_month", "2026-12-09T12:00:00", "Foo 08 10:00", ""},
        DateCase{"words_after_the_date", "2026-12-09T12:00:00", "may b.txt", ""},
        DateCase{"extra_word", "2026-12-09T12:00:00", "Dec 08 10:00 x", ""},
        DateCase{"five_digit_year", "2026-12-09T12:00:00", "Dec 08 20190", ""},
        DateCase{"signed_day", "2026-12-09T12:00:00", "Dec +8 10:00", ""},
        DateCase{"empty", "2026-12-09T12:00:00", "", ""}),
    CaseLabel());

TEST(Iso8601Test, WritesAsMuchAsThePrecisionKnows) {
  const sys_seconds at = Utc("2026-03-04T05:06:07");
  EXPECT_EQ(Iso8601({at, TimePrecision::kSecond}), "2026-03-04T05:06:07");
  EXPECT_EQ(Iso8601({at, TimePrecision::kMinute}), "2026-03-04T05:06");
  EXPECT_EQ(Iso8601({at, TimePrecision::kDay}), "2026-03-04");
  EXPECT_EQ(Iso8601({at, TimePrecision::kNone}), "");
  EXPECT_EQ(Iso8601({Utc("0999-12-31T23:59:00"), TimePrecision::kMinute}), "0999-12-31T23:59");
}

}  // namespace
}  // namespace varnel::listing
