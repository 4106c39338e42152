// Listings captured from real servers (tests/data/listings, see README.txt
// there) parsed whole, and the listing file's read errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/listing_sort.h"
#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::string_literals;
using testing::RecordingLookups;

const std::string kListings = std::string(VARNEL_TEST_DATA) + "/listings/";
// Entries touched at capture time show the time of day, which changes with
// every capture; they are checked for its form.
const char* const kRecent = "recent";

struct ExpectedRow {
  std::string Caption;
  std::string SizeText;
  std::string DateText;
};

// The served tree as every server lists it, ordered by name.
const std::vector<ExpectedRow> kServedTree = {
    {" empty dir", "", kRecent},
    {" jan archive", "", "Mar 04  2019"},
    {" May", "", kRecent},
    {" My Folder", "", "Mar 04  2019"},
    {" sub", "", kRecent},
    {"big5m.bin", "5120 KB", kRecent},
    {"caf\xc3\xa9.txt", "2 KB", kRecent},
    {"empty.txt", "0 KB", kRecent},
    {"Jan report.txt", "2 KB", kRecent},
    {"k1023.bin", "1 KB", kRecent},
    {"k1024.bin", "1 KB", kRecent},
    {"k1536.bin", "2 KB", kRecent},
    {"link.txt -> k1024.bin", "1 KB", "Mar 04  2019"},
    {"mar notes.txt", "1 KB", "Jan 15  2019"},
    {"name with blanks.txt", "1 KB", kRecent},
    {"old.txt", "1 KB", "Mar 04  2019"},
    {"one.bin", "1 KB", kRecent},
};

std::string ReadFixture(const std::string& name) {
  std::ifstream file(kListings + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void ExpectRows(const std::vector<ListingRow>& rows, const std::vector<ExpectedRow>& expected) {
  static const std::regex kTimeOfDay(
      "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 0-3][0-9] [0-2][0-9]:[0-5][0-9]");
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i].Caption);
    EXPECT_EQ(rows[i].Caption, expected[i].Caption);
    EXPECT_EQ(rows[i].SizeText, expected[i].SizeText);
    const bool folder = expected[i].SizeText.empty();
    EXPECT_EQ(IsFolderRow(rows[i]), folder);
    EXPECT_EQ(rows[i].PictureIndex == kFolderPicture, folder);
    if (expected[i].DateText == kRecent) {
      EXPECT_TRUE(std::regex_match(rows[i].DateText, kTimeOfDay)) << rows[i].DateText;
    } else {
      EXPECT_EQ(rows[i].DateText, expected[i].DateText);
    }
  }
}

class ServerListingTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ServerListingTest, FixtureKeepsTheServersLineEnds) {
  const std::string bytes = ReadFixture(GetParam() + ".txt");
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
    ASSERT_GT(at, 0U);
    EXPECT_EQ(bytes[at - 1], '\r') << "at byte " << at;
  }
}

TEST_P(ServerListingTest, ParsesEveryEntryOfTheServedTree) {
  RecordingLookups lookups;
  std::vector<ListingRow> rows =
      ParseRemoteListingFile(kListings + GetParam() + ".txt", lookups.Make());
  SortRows(rows, SortState{});
  ExpectRows(rows, kServedTree);
  for (const ListingRow& row : rows) {
    EXPECT_FALSE(row.UnsafeLocalName) << row.Caption;
  }
}

TEST_P(ServerListingTest, EmptyFolderGivesNoRows) {
  RecordingLookups lookups;
  EXPECT_TRUE(
      ParseRemoteListingFile(kListings + GetParam() + "-empty.txt", lookups.Make()).empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerListingTest, ::testing::Values("pyftpdlib", "vsftpd"));

TEST(ServerListing, DotEntriesBecomeFolderRowsThatNameNoLocalFile) {
  RecordingLookups lookups;
  std::vector<ListingRow> rows =
      ParseRemoteListingFile(kListings + "vsftpd-all.txt", lookups.Make());
  SortRows(rows, SortState{});
  std::vector<ExpectedRow> expected = {{" .", "", kRecent}, {" ..", "", kRecent}};
  expected.insert(expected.end(), kServedTree.begin(), kServedTree.end());
  ExpectRows(rows, expected);
  EXPECT_TRUE(rows[0].UnsafeLocalName);
  EXPECT_TRUE(rows[1].UnsafeLocalName);
  EXPECT_EQ(RowName(rows[1]), "..");
}

TEST(ListingFile, MissingFileThrowsNamingIt) {
  const std::string path = kListings + "no-such-listing.txt";
  try {
    ParseRemoteListingFile(path, ListingLookups{});
    FAIL() << "no error for a missing file";
  } catch (const ListingFileError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

TEST(ListingFile, FolderInsteadOfFileThrows) {
  EXPECT_THROW(ParseRemoteListingFile(kListings, ListingLookups{}), ListingFileError);
}

TEST(ListingFile, ReadsBytesAfterNulAndWithoutFinalLineEnd) {
  const std::filesystem::path path = ::testing::TempDir() + "varnel-listing-file-test.txt";
  {
    std::ofstream file(path, std::ios::binary);
    file << "-rw 1 u g 5 Jan 01 12:00 a\0.txt\n-rw 1 u g 2048 Jan 01 12:00 b.txt"s;
  }
  RecordingLookups lookups;
  const std::vector<ListingRow> rows = ParseRemoteListingFile(path.string(), lookups.Make());
  std::filesystem::remove(path);
  ASSERT_EQ(rows.size(), 2U);  // lines sorted: "... 2048 ..." before "... 5 ..."
  EXPECT_EQ(rows[0].Caption, "b.txt");
  EXPECT_EQ(rows[0].SizeText, "2 KB");
  EXPECT_EQ(rows[1].Caption, "a\0.txt"s);
  EXPECT_TRUE(rows[1].UnsafeLocalName);
}

}  // namespace
}  // namespace varnel::listing
