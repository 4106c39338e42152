// Listings read as they arrive: lines cut at any block boundary, overlong
// lines dropped in bounded memory, and the format decided by the first line
// that is not a summary.
#include "listing/listing_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using testing::CaseLabel;
using testing::kNow;

std::vector<std::string> SplitInBlocks(ListingLineSplitter& splitter, std::string_view bytes,
                                       std::size_t block) {
  std::vector<std::string> lines;
  const auto sink = [&lines](std::string_view line) { lines.emplace_back(line); };
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    splitter.Feed(bytes.substr(at, block), sink);
  }
  splitter.Finish(sink);
  return lines;
}

TEST(LineSplitter, EveryBlockSizeGivesTheSameLines) {
  const std::string bytes = "one\r\ntwo\nthree\rfour\r\r\n\n five \x01\r\nlast";
  const std::vector<std::string> expected = {"one", "two", "three", "four", " five \x01", "last"};
  for (std::size_t block = 1; block <= bytes.size(); ++block) {
    ListingLineSplitter splitter;
    EXPECT_EQ(SplitInBlocks(splitter, bytes, block), expected) << "block " << block;
  }
}

TEST(LineSplitter, DropsLinesBeyondTheLimitWholeAndCountsThem) {
  const std::string bytes = "12345\n123456\nabc\n1234567890123\r\n123\n1234567";
  for (std::size_t block = 1; block <= bytes.size(); ++block) {
    ListingLineSplitter splitter(6);
    EXPECT_EQ(SplitInBlocks(splitter, bytes, block),
              (std::vector<std::string>{"12345", "123456", "abc", "123"}))
        << "block " << block;
    EXPECT_EQ(splitter.DroppedLines(), 2U);
  }
}

TEST(LineSplitter, EndlessLineIsDroppedAndTheNextLineComesThrough) {
  ListingLineSplitter splitter(1000);
  std::size_t lines = 0;
  const std::string block(4096, 'x');
  for (int i = 0; i < 1000; ++i) {
    splitter.Feed(block, [&lines](std::string_view) { ++lines; });
  }
  splitter.Feed("\nok\n", [&lines](std::string_view line) {
    ++lines;
    EXPECT_EQ(line, "ok");
  });
  EXPECT_EQ(lines, 1U);
  EXPECT_EQ(splitter.DroppedLines(), 1U);
}

struct StreamCase {
  std::string Label;
  std::vector<std::string> Lines;
  std::vector<std::string> Names;  // of the entries, in the order received
};

class StreamParserTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamParserTest, DecidesTheFormatOnTheFirstEntryLine) {
  ListingStreamParser parser(kNow);
  std::vector<std::string> names;
  for (const std::string& line : GetParam().Lines) {
    if (std::optional<ListingEntry> entry = parser.Parse(line)) names.push_back(entry->Name);
  }
  EXPECT_EQ(names, GetParam().Names);
}

const std::string kLong = "-rw-r--r-- 1 u g 5 Jan 01 12:00 ";

INSTANTIATE_TEST_SUITE_P(
    Table, StreamParserTest,
    ::testing::Values(
        StreamCase{"long_skips_monthless_lines", {kLong + "a", "note", kLong + "b"}, {"a", "b"}},
        StreamCase{"summary_line_does_not_decide", {"total 24", kLong + "a", "note"}, {"a"}},
        StreamCase{"summary_with_unit", {"TOTAL 24K", "  ", kLong + "a", "note"}, {"a"}},
        StreamCase{"names_keep_long_lines", {"README", kLong + "a", "[pub]"},
                   {"README", "a", "pub"}},
        StreamCase{"total_without_number_is_a_name", {"total", kLong + "a"}, {"total", "a"}},
        StreamCase{"summary_after_the_decision_is_a_name", {"x", "total 5"}, {"x", "total 5"}},
        StreamCase{"only_a_summary", {"total 0"}, {}}),
    CaseLabel());

}  // namespace
}  // namespace varnel::listing
