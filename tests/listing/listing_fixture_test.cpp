// Listings of real servers (tests/data/listings, see README.txt there)
// parsed whole and as a stream into exact entries, the pane rows of the
// captured ones, and the listing file's read errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/listing_sort.h"
#include "listing/listing_stream.h"
#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::string_literals;
using testing::EntryFields;
using testing::FieldsOf;
using testing::kNow;
using testing::RecordingLookups;

const std::string kListings = std::string(VARNEL_TEST_DATA) + "/listings/";

constexpr EntryKind kFile = EntryKind::kFile;
constexpr EntryKind kFolder = EntryKind::kFolder;
constexpr EntryKind kLink = EntryKind::kLink;

// Captured on 2026-12-08: entries touched then show the time of day.
const char* const kCaptured = "2026-12-08T07:38";

// The served tree of capture.sh as pyftpdlib and vsftpd list it, ordered by
// name byte by byte.
std::vector<EntryFields> ServedTree(const std::string& owner) {
  const auto file = [&](const char* name, std::int64_t size, const char* time) {
    return EntryFields{name, kFile, size, time, "", "rw-r--r--", owner, owner};
  };
  const auto folder = [&](const char* name, const char* time) {
    return EntryFields{name, kFolder, 4096, time, "", "rwxr-xr-x", owner, owner};
  };
  return {file("Jan report.txt", 2560, kCaptured),
          folder("May", kCaptured),
          folder("My Folder", "2019-03-04"),
          file("big5m.bin", 5242880, kCaptured),
          file("caf\xc3\xa9.txt", 2048, kCaptured),
          folder("empty dir", kCaptured),
          file("empty.txt", 0, kCaptured),
          folder("jan archive", "2019-03-04"),
          file("k1023.bin", 1023, kCaptured),
          file("k1024.bin", 1024, kCaptured),
          file("k1536.bin", 1536, kCaptured),
          {"link.txt", kLink, 9, "2019-03-04", "k1024.bin", "rwxrwxrwx", owner, owner},
          file("mar notes.txt", 700, "2019-01-15"),
          file("name with blanks.txt", 300, kCaptured),
          file("old.txt", 42, "2019-03-04"),
          file("one.bin", 1, kCaptured),
          folder("sub", kCaptured)};
}

std::vector<EntryFields> VsftpdAll() {
  std::vector<EntryFields> entries = {
      {".", kFolder, 4096, kCaptured, "", "rwxr-xr-x", "0", "0"},
      {"..", kFolder, 4096, kCaptured, "", "rwx------", "0", "0"}};
  const std::vector<EntryFields> tree = ServedTree("0");
  entries.insert(entries.end(), tree.begin(), tree.end());
  return entries;
}

// Written after proftpd's ls-style format: a "total" line, blank-padded
// days, an entry dated after the test clock (so last year's).
std::vector<EntryFields> Proftpd() {
  return {{"README", kFile, 52428, "2019-03-04", "", "rw-r--r--", "ftp", "ftp"},
          {"Sep report.txt", kFile, 725, "2026-09-09T09:09", "", "rw-rw-r--", "ftp", "ftp"},
          {"disk.img", kFile, 4294967296, "2024-02-29", "", "rw-r--r--", "john", "staff"},
          {"empty file.txt", kFile, 0, "2026-01-15T23:59", "", "rw-r--r--", "ftp", "ftp"},
          {"incoming", kFolder, 4096, kCaptured, "", "rwxr-xr-x", "ftp", "ftp"},
          {"latest", kLink, 11, "2026-11-30T10:05", "release-2.1", "rwxrwxrwx", "ftp", "ftp"},
          {"release-2.1", kFolder, 4096, "2026-06-01", "", "rwxr-sr-x", "ftp", "ftp"},
          {"setup.sh", kFile, 5242880, "2025-12-10T08:00", "", "rwxr-xr-x", "ftp", "ftp"}};
}

// Written after pure-ftpd's format ("LIST -a"): wide owner, group and size
// columns, blank-padded days.
std::vector<EntryFields> PureFtpd() {
  return {{".", kFolder, 4096, kCaptured, "", "rwxr-xr-x", "1000", "1000"},
          {"..", kFolder, 4096, "2025-11-02", "", "rwxr-xr-x", "root", "root"},
          {".htpasswd", kFile, 3, "2019-07-31", "", "rw-------", "webmaster", "www-data"},
          {"archive 2025.tar", kFile, 123456789012, "2026-01-01T00:00", "", "rw-r--r--", "1000",
           "1000"},
          {"current", kLink, 8, "2026-12-01T00:00", "data.bin", "rwxrwxrwx", "1000", "1000"},
          {"data.bin", kFile, 1048576, kCaptured, "", "rw-r--r--", "1000", "1000"},
          {"upload", kFolder, 4096, "2026-08-05T13:00", "", "rwxrwxrwt", "1000", "1000"}};
}

std::string ReadFixture(const std::string& name) {
  std::ifstream file(kListings + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<EntryFields> ByName(const std::vector<ListingEntry>& entries) {
  std::vector<EntryFields> fields;
  for (const ListingEntry& entry : entries) fields.push_back(FieldsOf(entry));
  std::sort(fields.begin(), fields.end(),
            [](const EntryFields& a, const EntryFields& b) { return a.Name < b.Name; });
  return fields;
}

// The listing cut into blocks of `block` bytes and parsed as it arrives.
std::vector<ListingEntry> ParseStreamed(const std::string& listing, std::size_t block) {
  ListingLineSplitter splitter;
  ListingStreamParser parser(kNow);
  std::vector<ListingEntry> entries;
  const auto line = [&](std::string_view raw) {
    if (std::optional<ListingEntry> entry = parser.Parse(raw)) entries.push_back(*entry);
  };
  for (std::size_t at = 0; at < listing.size(); at += block) {
    splitter.Feed(std::string_view(listing).substr(at, block), line);
  }
  splitter.Finish(line);
  return entries;
}

struct FixtureCase {
  std::string File;
  std::vector<EntryFields> Entries;

  friend void PrintTo(const FixtureCase& fixture, std::ostream* out) { *out << fixture.File; }
};

class FixtureEntriesTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixtureEntriesTest, KeepsTheServersLineEnds) {
  const std::string bytes = ReadFixture(GetParam().File);
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
    ASSERT_GT(at, 0U);
    EXPECT_EQ(bytes[at - 1], '\r') << "at byte " << at;
  }
}

TEST_P(FixtureEntriesTest, WholeListingGivesEveryEntry) {
  EXPECT_EQ(ByName(ParseRemoteListingFile(kListings + GetParam().File, kNow)),
            GetParam().Entries);
}

TEST_P(FixtureEntriesTest, StreamedInAnyBlocksGivesTheSameEntries) {
  const std::string listing = ReadFixture(GetParam().File);
  for (const std::size_t block : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{61},
                                  listing.size()}) {
    SCOPED_TRACE(block);
    const std::vector<ListingEntry> entries = ParseStreamed(listing, block);
    EXPECT_EQ(ByName(entries), GetParam().Entries);
    for (const ListingEntry& entry : entries) {
      EXPECT_NE(listing.find(entry.Raw + "\r\n"), std::string::npos) << entry.Raw;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Servers, FixtureEntriesTest,
    ::testing::Values(FixtureCase{"pyftpdlib.txt", ServedTree("root")},
                      FixtureCase{"vsftpd.txt", ServedTree("0")},
                      FixtureCase{"vsftpd-all.txt", VsftpdAll()},
                      FixtureCase{"proftpd.txt", Proftpd()},
                      FixtureCase{"pure-ftpd.txt", PureFtpd()}),
    [](const ::testing::TestParamInfo<FixtureCase>& fixture) {
      std::string name = fixture.param.File.substr(0, fixture.param.File.find('.'));
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

struct ExpectedRow {
  std::string Caption;
  std::string SizeText;
  std::string DateText;
};

// The served tree in the remote pane, ordered by name.
const std::vector<ExpectedRow> kServedRows = {
    {" empty dir", "", "Dec 08 07:38"},
    {" jan archive", "", "Mar 04  2019"},
    {" May", "", "Dec 08 07:38"},
    {" My Folder", "", "Mar 04  2019"},
    {" sub", "", "Dec 08 07:38"},
    {"big5m.bin", "5120 KB", "Dec 08 07:38"},
    {"caf\xc3\xa9.txt", "2 KB", "Dec 08 07:38"},
    {"empty.txt", "0 KB", "Dec 08 07:38"},
    {"Jan report.txt", "2 KB", "Dec 08 07:38"},
    {"k1023.bin", "1 KB", "Dec 08 07:38"},
    {"k1024.bin", "1 KB", "Dec 08 07:38"},
    {"k1536.bin", "2 KB", "Dec 08 07:38"},
    {"link.txt -> k1024.bin", "1 KB", "Mar 04  2019"},
    {"mar notes.txt", "1 KB", "Jan 15  2019"},
    {"name with blanks.txt", "1 KB", "Dec 08 07:38"},
    {"old.txt", "1 KB", "Mar 04  2019"},
    {"one.bin", "1 KB", "Dec 08 07:38"},
};

std::vector<ListingRow> PaneRows(const std::string& file) {
  RecordingLookups lookups;
  std::vector<ListingRow> rows =
      MakeRemoteRows(ParseRemoteListingFile(kListings + file, kNow), lookups.Make());
  SortRows(rows, SortState{});
  return rows;
}

void ExpectRows(const std::vector<ListingRow>& rows, const std::vector<ExpectedRow>& expected) {
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(expected[i].Caption);
    EXPECT_EQ(rows[i].Caption, expected[i].Caption);
    EXPECT_EQ(rows[i].SizeText, expected[i].SizeText);
    EXPECT_EQ(rows[i].DateText, expected[i].DateText);
    const bool folder = expected[i].SizeText.empty();
    EXPECT_EQ(IsFolderRow(rows[i]), folder);
    EXPECT_EQ(rows[i].PictureIndex == kFolderPicture, folder);
  }
}

class CapturedRowsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CapturedRowsTest, PaneShowsEveryEntryOfTheServedTree) {
  const std::vector<ListingRow> rows = PaneRows(GetParam() + ".txt");
  ExpectRows(rows, kServedRows);
  for (const ListingRow& row : rows) {
    EXPECT_FALSE(row.UnsafeLocalName) << row.Caption;
  }
}

TEST_P(CapturedRowsTest, EmptyFolderGivesNoEntries) {
  EXPECT_TRUE(ParseRemoteListingFile(kListings + GetParam() + "-empty.txt", kNow).empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, CapturedRowsTest, ::testing::Values("pyftpdlib", "vsftpd"));

TEST(CapturedRows, DotEntriesBecomeFolderRowsThatNameNoLocalFile) {
  const std::vector<ListingRow> rows = PaneRows("vsftpd-all.txt");
  std::vector<ExpectedRow> expected = {{" .", "", "Dec 08 07:38"}, {" ..", "", "Dec 08 07:38"}};
  expected.insert(expected.end(), kServedRows.begin(), kServedRows.end());
  ExpectRows(rows, expected);
  EXPECT_TRUE(rows[0].UnsafeLocalName);
  EXPECT_TRUE(rows[1].UnsafeLocalName);
  EXPECT_EQ(RowName(rows[1]), "..");
}

class RowsFileTest : public ::testing::TestWithParam<std::string> {};

// Rows made line by line equal rows made from the whole list of entries.
TEST_P(RowsFileTest, RowsFileGivesTheRowsOfTheEntries) {
  RecordingLookups lookups;
  const std::string path = kListings + GetParam();
  const std::vector<ListingRow> expected =
      MakeRemoteRows(ParseRemoteListingFile(path, kNow), lookups.Make());
  const std::vector<ListingRow> rows = ParseRemoteRowsFile(path, kNow, lookups.Make());
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(std::tie(rows[i].Caption, rows[i].Name, rows[i].SizeText, rows[i].TypeText,
                       rows[i].DateText, rows[i].PictureIndex, rows[i].Link, rows[i].Modified),
              std::tie(expected[i].Caption, expected[i].Name, expected[i].SizeText,
                       expected[i].TypeText, expected[i].DateText, expected[i].PictureIndex,
                       expected[i].Link, expected[i].Modified));
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RowsFileTest,
                         ::testing::Values("pyftpdlib.txt", "vsftpd-all.txt", "proftpd.txt",
                                           "pure-ftpd.txt", "vsftpd-empty.txt"));

TEST(ListingFile, MissingFileThrowsNamingIt) {
  const std::string path = kListings + "no-such-listing.txt";
  try {
    ParseRemoteListingFile(path, kNow);
    FAIL() << "no error for a missing file";
  } catch (const ListingFileError& error) {
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
  }
}

TEST(ListingFile, FolderInsteadOfFileThrows) {
  EXPECT_THROW(ParseRemoteListingFile(kListings, kNow), ListingFileError);
  EXPECT_THROW(ParseRemoteRowsFile(kListings, kNow, {}), ListingFileError);
}

TEST(ListingFile, ReadsBytesAfterNulAndWithoutFinalLineEnd) {
  const std::filesystem::path path = ::testing::TempDir() + "varnel-listing-file-test.txt";
  {
    std::ofstream file(path, std::ios::binary);
    file << "-rw 1 u g 5 Jan 01 12:00 a\0.txt\n-rw 1 u g 2048 Jan 01 12:00 b.txt"s;
  }
  const std::vector<ListingEntry> entries = ParseRemoteListingFile(path.string(), kNow);
  std::filesystem::remove(path);
  ASSERT_EQ(entries.size(), 2U);  // lines sorted: "... 2048 ..." before "... 5 ..."
  EXPECT_EQ(entries[0].Name, "b.txt");
  EXPECT_EQ(entries[0].Size, 2048);
  EXPECT_EQ(entries[1].Name, "a\0.txt"s);
  EXPECT_TRUE(MakeRemoteRow(entries[1], {}).UnsafeLocalName);
}

}  // namespace
}  // namespace varnel::listing
