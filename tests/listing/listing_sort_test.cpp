// The shared compare routine, the pane order it gives for every column and
// direction, and the column click.
#include "listing/listing_sort.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using testing::CaseLabel;

ListingRow Folder(const std::string& name, const std::string& date) {
  return MakeFolderRow(name, date);
}

ListingRow File(const std::string& name, const std::string& size, const std::string& type,
                const std::string& date) {
  ListingRow row;
  row.Caption = name;
  row.SizeText = size;
  row.TypeText = type;
  row.DateText = date;
  return row;
}

// One pane's rows, in the order a listing might deliver them.
std::vector<ListingRow> SamplePane() {
  return {Folder("sub", "Mar 04  2019"),
          File("b.txt", "9 KB", "Text Document", "Jan 15  2019"),
          File("a.txt", "10 KB", "Text Document", "Dec 08 07:38"),
          Folder("Alpha", "Dec 08 07:38"),
          File("c.bin", "?? KB", "BIN File", "Mar 04  2019"),
          File("D.zip", "100 KB", "zip archive", "Feb 01  2020"),
          File("e.txt", "0 KB", "Text Document", "Mar 04  2019")};
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
        OrderCase{
            "name", kSortByName, {" Alpha", " sub", "a.txt", "b.txt", "c.bin", "D.zip", "e.txt"}},
        // Folders (no size) first, then by length of the size text: "?? KB"
        // between the two- and the three-digit sizes.
        OrderCase{
            "size", kSortBySize, {" Alpha", " sub", "e.txt", "b.txt", "a.txt", "c.bin", "D.zip"}},
        OrderCase{
            "type", kSortByType, {" Alpha", " sub", "c.bin", "a.txt", "b.txt", "e.txt", "D.zip"}},
        // Dates compare as text: "DEC" before "FEB" before "JAN".
        OrderCase{
            "date", kSortByDate, {" Alpha", "a.txt", "D.zip", "b.txt", " sub", "c.bin", "e.txt"}}),
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

const ListingRow kNine = File("n", "9 KB", "T", "D");
const ListingRow kTen = File("t", "10 KB", "T", "D");
const ListingRow kUnknown = File("u", "?? KB", "T", "D");
const ListingRow kHundred = File("h", "100 KB", "T", "D");

INSTANTIATE_TEST_SUITE_P(
    Table, CompareRoutineTest,
    ::testing::Values(PairCase{"nine_before_ten", kNine, kTen, kSortBySize, -1},
                      PairCase{"unknown_after_two_digits", kUnknown, kTen, kSortBySize, 1},
                      PairCase{"unknown_before_three_digits", kUnknown, kHundred, kSortBySize, -1},
                      PairCase{"equal_size_falls_back_to_name", File("b", "1 KB", "", ""),
                               File("a", "1 KB", "", ""), kSortBySize, 1},
                      PairCase{"complete_tie_keeps_first", File("x", "1 KB", "T", "D"),
                               File("X", "1 KB", "T", "D"), kSortByName, -1},
                      PairCase{"name_ignores_ascii_case", File("a", "", "", ""),
                               File("B", "", "", ""), kSortByName, -1},
                      PairCase{"name_bytes_above_ascii_sort_last", File("\xc3\xa9", "", "", ""),
                               File("z", "", "", ""), kSortByName, 1},
                      PairCase{"folder_type_leads", Folder("z", ""), File("a", "1 KB", "AAA", ""),
                               kSortByType, -1},
                      PairCase{"type_ignores_case", File("a", "1 KB", "zip", ""),
                               File("b", "1 KB", "TEXT", ""), kSortByType, 1},
                      PairCase{"type_differing_in_case_only_uses_name",
                               File("b", "1 KB", "text", ""), File("a", "1 KB", "TEXT", ""),
                               kSortByType, 1},
                      PairCase{"date_is_text", File("a", "", "", "Dec 31  2020"),
                               File("b", "", "", "Jan 01  2019"), kSortByDate, -1},
                      PairCase{"equal_date_falls_back_to_name", File("b", "", "", "Jan 01"),
                               File("a", "", "", "JAN 01"), kSortByDate, 1},
                      PairCase{"unknown_column_sorts_by_name", File("b", "1 KB", "A", "A"),
                               File("a", "2 KB", "B", "B"), 7, 1}),
    CaseLabel());

TEST(SortRowsTest, EqualKeysKeepOrderAscendingAndSwapDescending) {
  std::vector<ListingRow> rows = {File("x", "", "", "first"), File("X", "", "", "second")};
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

struct PrefixCase {
  std::string Label;
  std::pair<std::string, std::string> Before;
  std::pair<std::string, std::string> After;
};

class PrefixShorterTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(PrefixShorterTest, OnlyTheShorterGetsABlank) {
  auto [first, second] = GetParam().Before;
  PrefixShorterWithBlank(first, second);
  EXPECT_EQ(std::make_pair(first, second), GetParam().After);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PrefixShorterTest,
    ::testing::Values(PrefixCase{"first_shorter", {"9 KB", "10 KB"}, {" 9 KB", "10 KB"}},
                      PrefixCase{"second_shorter", {"10 KB", "9 KB"}, {"10 KB", " 9 KB"}},
                      PrefixCase{"equal_lengths", {"ab", "cd"}, {"ab", "cd"}},
                      PrefixCase{"empty_first", {"", "x"}, {" ", "x"}},
                      PrefixCase{"both_empty", {"", ""}, {"", ""}}),
    CaseLabel());

}  // namespace
}  // namespace varnel::listing
