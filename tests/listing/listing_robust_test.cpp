// Damaged and hostile listings: whatever the bytes, the parser returns rows
// that keep the row rules and never lets an unsafe name pass as safe, and
// the stream parser returns entries of the listing's own lines.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/listing_paths.h"
#include "listing/listing_stream.h"
#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::string_literals;
using testing::kNow;
using testing::RecordingLookups;

std::string ReadFixture(const std::string& name) {
  std::ifstream file(std::string(VARNEL_TEST_DATA) + "/listings/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Every entry of the listing read as a stream in blocks of 7 bytes; each
// entry's raw line must be a line of the listing.
::testing::AssertionResult StreamsToSoundEntries(const std::string& listing) {
  ListingLineSplitter splitter;
  ListingStreamParser parser(kNow);
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  const auto line = [&](std::string_view raw) {
    const std::optional<ListingEntry> entry = parser.Parse(raw);
    if (entry && (entry->Raw.empty() || listing.find(entry->Raw) == std::string::npos)) {
      result = ::testing::AssertionFailure() << "raw line not in the listing: " << entry->Raw;
    }
  };
  for (std::size_t at = 0; at < listing.size(); at += 7) {
    splitter.Feed(std::string_view(listing).substr(at, 7), line);
  }
  splitter.Finish(line);
  return result;
}

// Parses `listing` and checks every row against the rules all rows keep.
::testing::AssertionResult ParsesToSoundRows(const std::string& listing) {
  RecordingLookups lookups;
  const std::vector<ListingRow> rows =
      MakeRemoteRows(ParseRemoteListing(listing, kNow), lookups.Make());
  if (rows.size() > SplitListingLines(listing).size()) {
    return ::testing::AssertionFailure() << "more rows than lines";
  }
  for (const ListingRow& row : rows) {
    if (row.UnsafeLocalName == IsSafeLocalName(RowName(row))) {
      return ::testing::AssertionFailure() << "safety mark wrong for [" << row.Caption << "]";
    }
    const bool folder_ok = row.SizeText.empty() && row.PictureIndex == kFolderPicture &&
                           !row.Caption.empty() && row.Caption.front() == ' ';
    const bool file_ok =
        row.SizeText.size() > 3 && row.SizeText.compare(row.SizeText.size() - 3, 3, " KB") == 0;
    if (IsFolderRow(row) ? !folder_ok : !file_ok) {
      return ::testing::AssertionFailure() << "malformed row [" << row.Caption << "]";
    }
  }
  return StreamsToSoundEntries(listing);
}

class InsertedByteTest : public ::testing::TestWithParam<std::string> {};

TEST_P(InsertedByteTest, EveryPositionEveryByteParses) {
  const std::string listing = ReadFixture(GetParam());
  ASSERT_FALSE(listing.empty());
  for (const char inserted : {'\r', '\n', ' ', '\0'}) {
    for (std::size_t at = 0; at <= listing.size(); ++at) {
      std::string variant = listing;
      variant.insert(at, 1, inserted);
      ASSERT_TRUE(ParsesToSoundRows(variant)) << "byte " << int(inserted) << " at " << at;
    }
  }
}

TEST_P(InsertedByteTest, EveryCutParses) {
  const std::string listing = ReadFixture(GetParam());
  for (std::size_t length = 0; length <= listing.size(); ++length) {
    ASSERT_TRUE(ParsesToSoundRows(listing.substr(0, length))) << "cut at " << length;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, InsertedByteTest,
                         ::testing::Values("vsftpd-all.txt", "pyftpdlib.txt"));

struct JunkCase {
  std::string Label;
  std::string Listing;
  std::size_t Rows;
};

class JunkListingTest : public ::testing::TestWithParam<JunkCase> {};

TEST_P(JunkListingTest, ParsesToSoundRows) {
  EXPECT_TRUE(ParsesToSoundRows(GetParam().Listing));
  EXPECT_EQ(ParseRemoteListing(GetParam().Listing, kNow).size(), GetParam().Rows);
}

const std::string kLongLine = "-rw-r--r-- 1 u g 5 Jan 01 12:00 ";

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) {
    text += piece;
  }
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, JunkListingTest,
    ::testing::Values(JunkCase{"empty", "", 0}, JunkCase{"lone_cr", "\r", 0},
                      JunkCase{"lone_lf", "\n", 0},
                      JunkCase{"only_blanks_and_nul", "  \0 \t\0"s, 0},
                      JunkCase{"short_lines", "a\r\nd\r\n[\r\n-\r\n", 4},
                      JunkCase{"month_only", " JAN \r\nd Jan \r\n Dec 01 12:00\r\n", 3},
                      JunkCase{"month_at_line_start_after_folder_mark",
                               "d Jan 01 12:00\r\nD Feb 02  2020 \r\n", 2},
                      JunkCase{"cr_inside_lines",
                               "-rw 1 u g 5 Jan\r01 12:00 a\r\n-rw 1 u g 5 Mar 01 12:00 b\rc\r\n",
                               4},
                      JunkCase{"binary_bytes", "\xff\xfe\x80 Jan 01 12:00 \xc0\xaf\r\n\x7f"s, 2},
                      JunkCase{"very_long_name", kLongLine + std::string(1 << 20, 'x') + "\r\n", 1},
                      JunkCase{"very_long_blank_run",
                               "-rw" + std::string(1 << 18, ' ') + "5 Jan 01 12:00 a\r\n", 1},
                      JunkCase{"many_month_tokens", "-rw 1 u g" + Repeat(" Jan Feb Dec", 20000), 1},
                      JunkCase{"many_lines", Repeat(kLongLine + "f\r\n", 20000), 20000}),
    testing::CaseLabel());

TEST(JunkListing, RandomBytesFromListingAlphabet) {
  // Pieces that steer the parser into its branches, glued at random.
  const std::vector<std::string> pieces = {" Jan ",
                                           " mar ",
                                           " DEC ",
                                           " 01 ",
                                           " 12:00 ",
                                           "  2019 ",
                                           "d",
                                           "D",
                                           "-rw-r--r--",
                                           "[",
                                           "]",
                                           "/",
                                           ".",
                                           "..",
                                           " ",
                                           "\r",
                                           "\n",
                                           "\r\n",
                                           std::string(1, '\0'),
                                           "\x01",
                                           "\xff",
                                           "123",
                                           "-5",
                                           "99999999999999999999",
                                           "name.txt",
                                           "total 0"};
  std::mt19937 random(20190304);
  std::uniform_int_distribution<std::size_t> piece(0, pieces.size() - 1);
  std::uniform_int_distribution<int> length(0, 60);
  for (int round = 0; round < 3000; ++round) {
    std::string listing;
    for (int n = length(random); n > 0; --n) {
      listing += pieces[piece(random)];
    }
    ASSERT_TRUE(ParsesToSoundRows(listing)) << "round " << round;
  }
}

}  // namespace
}  // namespace varnel::listing
