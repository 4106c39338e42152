// The shared compare routine, the pane order it gives for every column and
// direction, and the column click.
#include "listing/listing_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using testing::CaseLabel;
using testing::Utc;

EntryTime Day(const std::string& date) {
  return {Utc(date + "T00:00:00"), TimePrecision::kDay};
}

EntryTime Minute(const std::string& time) {
  return {Utc(time + ":00"), TimePrecision::kMinute};
}

ListingRow Folder(const std::string& name, const EntryTime& time = {}) {
  ListingEntry entry;
  entry.Name = name;
  entry.Kind = EntryKind::kFolder;
  entry.Modified = time;
  return MakeLocalRow(entry, "", {});
}

ListingRow File(const std::string& name, const std::string& size, const std::string& type,
                const EntryTime& time = {}, const std::string& date_text = "") {
  ListingRow row;
  row.Caption = name;
  row.SizeText = size;
  row.TypeText = type;
  row.DateText = date_text;
  row.Modified = time;
  return row;
}

// One pane's rows, in the order a listing might deliver them, with ties on
// size ("9 KB"), type ("Text Document" in two cases) and date (2019-03-04).
std::vector<ListingRow> SamplePane() {
  return {Folder("sub", Day("2019-03-04")),
          File("b.txt", "9 KB", "Text Document", Day("2019-01-15")),
          File("a.txt", "10 KB", "Text Document", Minute("2026-12-08T07:38")),
          Folder("Alpha", Minute("2026-12-08T07:38")),
          File("c.bin", "?? KB", "BIN File", Day("2019-03-04")),
          File("D.zip", "100 KB", "zip archive", Day("2020-02-01")),
          File("e.txt", "0 KB", "Text Document", Day("2019-03-04")),
          File("f.txt", "9 KB", "text document")};
}

struct OrderCase {
  std::string Label;
  int Column;
  std::vector<std::string> Ascending;
};

class PaneOrderTest : public ::testing::TestWithParam<OrderCase> {
 protected:
  static std::vector<std::string> Sorted(int column, bool descending) {
    std::vector<ListingRow> rows = SamplePane();
    SortRows(rows, SortState{column, descending});
    std::vector<std::string> captions;
    for (const ListingRow& row : rows) {
      captions.push_back(row.Caption);
    }
    return captions;
  }
};

TEST_P(PaneOrderTest, Ascending) {
  EXPECT_EQ(Sorted(GetParam().Column, false), GetParam().Ascending);
}

TEST_P(PaneOrderTest, DescendingIsTheReverse) {
  const std::vector<std::string> expected(GetParam().Ascending.rbegin(),
                                          GetParam().Ascending.rend());
  EXPECT_EQ(Sorted(GetParam().Column, true), expected);
}

TEST_P(PaneOrderTest, CompareRoutineAgreesWithTheOrderForEveryPair) {
  for (const bool descending : {false, true}) {
    std::vector<ListingRow> rows = SamplePane();
    SortRows(rows, SortState{GetParam().Column, descending});
    for (std::size_t i = 0; i < rows.size(); ++i) {
      for (std::size_t j = i + 1; j < rows.size(); ++j) {
        EXPECT_EQ(lvwLocalCompare(rows[i], rows[j], GetParam().Column, descending), -1)
            << rows[i].Caption << " / " << rows[j].Caption << (descending ? " descending" : "");
        EXPECT_EQ(lvwLocalCompare(rows[j], rows[i], GetParam().Column, descending), 1);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, PaneOrderTest,
    ::testing::Values(
        OrderCase{"name",
                  kSortByName,
                  {" Alpha", " sub", "a.txt", "b.txt", "c.bin", "D.zip", "e.txt", "f.txt"}},
        // Folders (no size) first, then by length of the size text: "?? KB"
        // between the two- and the three-digit sizes.
        OrderCase{"size",
                  kSortBySize,
                  {" Alpha", " sub", "e.txt", "b.txt", "f.txt", "a.txt", "c.bin", "D.zip"}},
        OrderCase{"type",
                  kSortByType,
                  {" Alpha", " sub", "c.bin", "a.txt", "b.txt", "e.txt", "f.txt", "D.zip"}},
        // By time, not by the date text (which would put "Dec" first and
        // April before January); an unknown time first.
        OrderCase{"date",
                  kSortByDate,
                  {"f.txt", "b.txt", " sub", "c.bin", "e.txt", "D.zip", " Alpha", "a.txt"}}),
    CaseLabel());

struct PairCase {
  std::string Label;
  ListingRow First;
  ListingRow Second;
  int Column;
  int Ascending;  // expected result ascending; descending is its negation
};

class CompareRoutineTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(CompareRoutineTest, BothDirections) {
  const PairCase& c = GetParam();
  EXPECT_EQ(lvwLocalCompare(c.First, c.Second, c.Column, false), c.Ascending);
  EXPECT_EQ(lvwLocalCompare(c.First, c.Second, c.Column, true), -c.Ascending);
}

const ListingRow kNine = File("n", "9 KB", "T");
const ListingRow kTen = File("t", "10 KB", "T");
const ListingRow kUnknown = File("u", "?? KB", "T");
const ListingRow kHundred = File("h", "100 KB", "T");

INSTANTIATE_TEST_SUITE_P(
    Size, CompareRoutineTest,
    ::testing::Values(PairCase{"nine_before_ten", kNine, kTen, kSortBySize, -1},
                      PairCase{"ten_after_nine", kTen, kNine, kSortBySize, 1},
                      PairCase{"unknown_after_two_digits", kUnknown, kTen, kSortBySize, 1},
                      PairCase{"unknown_before_three_digits", kUnknown, kHundred, kSortBySize, -1},
                      PairCase{"no_size_before_any", Folder("z"), File("a", "0 KB", ""),
                               kSortBySize, -1},
                      PairCase{"equal_lengths_byte_by_byte", File("a", "20 KB", ""),
                               File("b", "19 KB", ""), kSortBySize, 1},
                      PairCase{"equal_size_falls_back_to_name", File("b", "1 KB", ""),
                               File("a", "1 KB", ""), kSortBySize, 1}),
    CaseLabel());

INSTANTIATE_TEST_SUITE_P(
    NameAndType, CompareRoutineTest,
    ::testing::Values(PairCase{"complete_tie_keeps_first", File("x", "1 KB", "T"),
                               File("X", "1 KB", "T"), kSortByName, -1},
                      PairCase{"name_ignores_ascii_case", File("a", "", ""), File("B", "", ""),
                               kSortByName, -1},
                      PairCase{"name_bytes_above_ascii_sort_last", File("\xc3\xa9", "", ""),
                               File("z", "", ""), kSortByName, 1},
                      PairCase{"folder_type_leads", Folder("z"), File("a", "1 KB", "AAA"),
                               kSortByType, -1},
                      PairCase{"type_ignores_case", File("a", "1 KB", "zip"),
                               File("b", "1 KB", "TEXT"), kSortByType, 1},
                      PairCase{"type_differing_in_case_only_uses_name", File("b", "1 KB", "text"),
                               File("a", "1 KB", "TEXT"), kSortByType, 1},
                      PairCase{"unknown_column_sorts_by_name",
                               File("b", "1 KB", "A", Day("2019-01-01")),
                               File("a", "2 KB", "B", Day("2018-01-01")), 7, 1}),
    CaseLabel());

INSTANTIATE_TEST_SUITE_P(
    Date, CompareRoutineTest,
    ::testing::Values(
        PairCase{"january_before_april_of_the_same_year",
                 File("a", "", "", Day("2019-04-01"), "Apr 01  2019"),
                 File("b", "", "", Day("2019-01-15"), "Jan 15  2019"), kSortByDate, 1},
        PairCase{"older_year_first_whatever_the_month",
                 File("a", "", "", Day("2020-12-31"), "Dec 31  2020"),
                 File("b", "", "", Day("2021-01-01"), "Jan 01  2021"), kSortByDate, -1},
        PairCase{"minute_orders_within_a_day", File("b", "", "", Minute("2026-12-08T10:00")),
                 File("a", "", "", Minute("2026-12-08T09:59")), kSortByDate, 1},
        PairCase{"unknown_time_first", File("b", "", ""), File("a", "", "", Day("1970-01-01")),
                 kSortByDate, -1},
        PairCase{"equal_time_falls_back_to_name", File("b", "", "", Day("2019-01-01"), "Jan 01"),
                 File("a", "", "", Day("2019-01-01"), "JAN 01"), kSortByDate, 1},
        PairCase{"day_and_its_midnight_tie", File("a", "", "", Day("2019-03-04")),
                 File("b", "", "", Minute("2019-03-04T00:00")), kSortByDate, -1},
        PairCase{"both_unknown_fall_back_to_name", File("b", "", ""), File("a", "", ""),
                 kSortByDate, 1}),
    CaseLabel());

TEST(SortedOrderTest, LocalRowsOrderByTheirFileTimesNotByTheLocaleText) {
  const auto local = [](const std::string& name, const std::string& time, const char* text) {
    ListingEntry entry;
    entry.Name = name;
    entry.Kind = EntryKind::kFile;
    entry.Size = 10;
    entry.Modified = {Utc(time), TimePrecision::kSecond};
    return MakeLocalRow(entry, text, {});
  };
  const std::vector<ListingRow> rows = {local("a", "2026-12-09T10:00:59", "09/12/2026 10:00"),
                                        local("b", "2026-01-10T08:00:00", "10/01/2026 08:00"),
                                        local("c", "2026-12-09T10:00:01", "09/12/2026 10:00")};
  EXPECT_EQ(SortedOrder(rows, SortState{kSortByDate, false}),
            (std::vector<std::size_t>{1, 2, 0}));
  EXPECT_EQ(SortedOrder(rows, SortState{kSortByDate, true}), (std::vector<std::size_t>{0, 2, 1}));
}

TEST(SortRowsTest, EqualKeysKeepOrderAscendingAndSwapDescending) {
  std::vector<ListingRow> rows = {File("x", "", "", {}, "first"), File("X", "", "", {}, "second")};
  SortRows(rows, SortState{kSortByName, false});
  EXPECT_EQ(rows[0].DateText, "first");
  SortRows(rows, SortState{kSortByName, true});
  EXPECT_EQ(rows[0].DateText, "second");
}

struct ClickCase {
  std::string Label;
  SortState Before;
  int Column;
  SortState After;
};

class ClickColumnTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(ClickColumnTest, SetsColumnAndDirection) {
  SortState state = GetParam().Before;
  ClickColumn(state, GetParam().Column);
  EXPECT_EQ(state.Column, GetParam().After.Column);
  EXPECT_EQ(state.Descending, GetParam().After.Descending);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClickColumnTest,
    ::testing::Values(ClickCase{"same_column_reverses", {0, false}, 0, {0, true}},
                      ClickCase{"same_column_twice_restores", {0, true}, 0, {0, false}},
                      ClickCase{"other_column_starts_ascending", {0, true}, 2, {2, false}},
                      ClickCase{"other_column_from_ascending", {2, false}, 1, {1, false}},
                      ClickCase{"date_column_reverses", {3, false}, 3, {3, true}},
                      ClickCase{"column_past_date_ignored", {1, false}, 4, {1, false}},
                      ClickCase{"negative_column_ignored", {1, true}, -1, {1, true}}),
    CaseLabel());

}  // namespace
}  // namespace varnel::listing
