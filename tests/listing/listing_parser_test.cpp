// Remote pane rows of single lines (real server lines and the awkward ones),
// the month search, the format decision and the line order.
#include "listing/listing_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using namespace std::string_literals;
using testing::CaseLabel;
using testing::kNow;
using testing::kOtherPicture;
using testing::kTextPicture;
using testing::RecordingLookups;

std::vector<ListingRow> Rows(std::string_view listing, const ListingLookups& lookups) {
  return MakeRemoteRows(ParseRemoteListing(listing, kNow), lookups);
}

struct LineCase {
  std::string Label;
  std::string Line;
  std::string Caption;
  std::string SizeText;
  std::string TypeText;
  std::string DateText;
  int Picture;
  bool Unsafe;
};

class ParseLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(ParseLineTest, GivesOneRowWithEveryColumn) {
  const LineCase& c = GetParam();
  RecordingLookups lookups;
  const std::vector<ListingRow> rows = Rows(c.Line + "\r\n", lookups.Make());
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].Caption, c.Caption);
  EXPECT_EQ(rows[0].SizeText, c.SizeText);
  EXPECT_EQ(rows[0].TypeText, c.TypeText);
  EXPECT_EQ(rows[0].DateText, c.DateText);
  EXPECT_EQ(rows[0].PictureIndex, c.Picture);
  EXPECT_EQ(rows[0].UnsafeLocalName, c.Unsafe);
}

const char* const kFolder = "File Folder";

INSTANTIATE_TEST_SUITE_P(
    RealServerLines, ParseLineTest,
    ::testing::Values(
        LineCase{"vsftpd_month_word_first_in_name",
                 "-rw-r--r--    1 0        0            2560 Dec 08 07:38 Jan report.txt",
                 "Jan report.txt", "2 KB", "TXT File", "Dec 08 07:38", kTextPicture, false},
        LineCase{"vsftpd_march_folder_named_jan",
                 "drwxr-xr-x    2 0        0            4096 Mar 04  2019 jan archive",
                 " jan archive", "", kFolder, "Mar 04  2019", 0, false},
        LineCase{"vsftpd_folder_named_may",
                 "drwxr-xr-x    2 0        0            4096 Dec 08 07:38 May", " May", "", kFolder,
                 "Dec 08 07:38", 0, false},
        LineCase{"vsftpd_january_file_named_mar",
                 "-rw-r--r--    1 0        0             700 Jan 15  2019 mar notes.txt",
                 "mar notes.txt", "1 KB", "TXT File", "Jan 15  2019", kTextPicture, false},
        LineCase{"vsftpd_symbolic_link",
                 "lrwxrwxrwx    1 0        0               9 Mar 04  2019 link.txt -> k1024.bin",
                 "link.txt -> k1024.bin", "1 KB", "BIN File", "Mar 04  2019", kOtherPicture, false},
        LineCase{"vsftpd_zero_bytes",
                 "-rw-r--r--    1 0        0               0 Dec 08 07:38 empty.txt", "empty.txt",
                 "0 KB", "TXT File", "Dec 08 07:38", kTextPicture, false},
        LineCase{"vsftpd_current_folder",
                 "drwxr-xr-x    7 0        0            4096 Dec 08 07:38 .", " .", "", kFolder,
                 "Dec 08 07:38", 0, true},
        LineCase{"vsftpd_parent_folder",
                 "drwx------    4 0        0            4096 Dec 08 07:38 ..", " ..", "", kFolder,
                 "Dec 08 07:38", 0, true},
        LineCase{"pyftpdlib_five_mebibytes",
                 "-rw-r--r--   1 root     root      5242880 Dec 08 07:38 big5m.bin", "big5m.bin",
                 "5120 KB", "BIN File", "Dec 08 07:38", kOtherPicture, false},
        LineCase{"pyftpdlib_blanks_in_name",
                 "-rw-r--r--   1 root     root          300 Dec 08 07:38 name with blanks.txt",
                 "name with blanks.txt", "1 KB", "TXT File", "Dec 08 07:38", kTextPicture, false},
        LineCase{"pyftpdlib_half_kilobyte_rounds_to_even",
                 "-rw-r--r--   1 root     root         1536 Dec 08 07:38 k1536.bin", "k1536.bin",
                 "2 KB", "BIN File", "Dec 08 07:38", kOtherPicture, false},
        LineCase{"pyftpdlib_utf8_name",
                 "-rw-r--r--   1 root     root         2048 Dec 08 07:38 caf\xc3\xa9.txt",
                 "caf\xc3\xa9.txt", "2 KB", "TXT File", "Dec 08 07:38", kTextPicture, false},
        LineCase{"pyftpdlib_old_file",
                 "-rw-r--r--   1 root     root           42 Mar 04  2019 old.txt", "old.txt",
                 "1 KB", "TXT File", "Mar 04  2019", kTextPicture, false}),
    CaseLabel());

INSTANTIATE_TEST_SUITE_P(
    AwkwardLines, ParseLineTest,
    ::testing::Values(
        LineCase{"upper_case_d_is_a_folder", "Dr-xr-xr-x 1 owner group 0 Feb 29  2020 Upper",
                 " Upper", "", kFolder, "Feb 29  2020", 0, false},
        LineCase{"blank_padded_day_and_month_words_in_name",
                 "-rw-r--r--   1 ftp      ftp        10 Jan  5 12:00 May Dec notes",
                 "May Dec notes", "1 KB", "File", "Jan  5 12:00", kOtherPicture, false},
        LineCase{"owner_named_like_a_month",
                 "-rw-r--r--   1 may      staff     123 Feb 01  2020 f.txt", "f.txt", "1 KB",
                 "TXT File", "Feb 01  2020", kTextPicture, false},
        LineCase{"name_holding_a_whole_date",
                 "-rw-r--r--   1 u g 4096 Jan 02  2020 x Mar 01  2021 y", "x Mar 01  2021 y",
                 "4 KB", "File", "Jan 02  2020", kOtherPicture, false},
        LineCase{"size_not_a_number", "-rw-r--r-- 1 owner group abc Mar 04  2019 x.txt", "x.txt",
                 "?? KB", "TXT File", "Mar 04  2019", kTextPicture, false},
        LineCase{"size_beyond_32_bits", "-rw-r--r-- 1 owner group 5000000000 Mar 04  2019 huge.iso",
                 "huge.iso", "4882812 KB", "ISO File", "Mar 04  2019", kOtherPicture, false},
        LineCase{"size_negative", "-rw-r--r-- 1 o g -5 Mar 04  2019 neg", "neg", "?? KB", "File",
                 "Mar 04  2019", kOtherPicture, false},
        LineCase{"size_beyond_64_bits", "-rw-r--r-- 1 o g 99999999999999999999 Mar 04  2019 big",
                 "big", "?? KB", "File", "Mar 04  2019", kOtherPicture, false},
        LineCase{"size_at_line_start", "1024 Mar 04  2019 a.txt", "a.txt", "1 KB", "TXT File",
                 "Mar 04  2019", kTextPicture, false},
        // No date field: the month word of the name is taken as the date, the
        // name comes out empty and must never name a local file.
        LineCase{"month_word_without_date_field", "-rw-r--r-- 1 u g 10 2019-03-04 a may b.txt", "",
                 "?? KB", "File", "may b.txt", kOtherPicture, true},
        LineCase{"date_at_line_end", "-rw-r--r-- 1 u g 5 Jan 01  2020", "", "1 KB", "File",
                 "Jan 01  2020", kOtherPicture, true},
        LineCase{"absolute_path_name", "-rw-r--r-- 1 u g 5 Jan 01 12:00 /etc/passwd", "/etc/passwd",
                 "1 KB", "File", "Jan 01 12:00", kOtherPicture, true},
        LineCase{"climbing_name", "-rw-r--r-- 1 u g 5 Jan 01 12:00 ../../.bashrc", "../../.bashrc",
                 "1 KB", "BASHRC File", "Jan 01 12:00", kOtherPicture, true},
        LineCase{"file_named_dot_dot", "-rw-r--r-- 1 u g 5 Jan 01 12:00 ..", "..", "1 KB", "File",
                 "Jan 01 12:00", kOtherPicture, true},
        LineCase{"nul_inside_name", "-rw-r--r-- 1 u g 5 Jan 01 12:00 a\0b.txt"s, "a\0b.txt"s,
                 "1 KB", "TXT File", "Jan 01 12:00", kTextPicture, true},
        LineCase{"trailing_control_bytes_trimmed", "-rw-r--r-- 1 u g 5 Jan 01 12:00 a.txt\t\x01\0"s,
                 "a.txt", "1 KB", "TXT File", "Jan 01 12:00", kTextPicture, false}),
    CaseLabel());

struct MonthCase {
  std::string Label;
  std::string Line;
  std::size_t Expected;
};

class FindMonthFieldTest : public ::testing::TestWithParam<MonthCase> {};

TEST_P(FindMonthFieldTest, FindsTheBlankBeforeTheMonth) {
  EXPECT_EQ(FindMonthField(GetParam().Line), GetParam().Expected);
}

constexpr std::size_t kNone = std::string::npos;

INSTANTIATE_TEST_SUITE_P(
    Table, FindMonthFieldTest,
    ::testing::Values(MonthCase{"date_before_month_word_in_name",
                                "-rw 1 0 0 2560 Dec 08 07:38 Jan report.txt", 14},
                      MonthCase{"lower_case_month", "x mar 04  2019 y", 1},
                      MonthCase{"month_needs_blank_after", "x Jan", kNone},
                      MonthCase{"month_needs_blank_before", "xJan 04  2019 y", kNone},
                      MonthCase{"empty_line", "", kNone},
                      MonthCase{"no_date_field_takes_token", "a may b", 1},
                      MonthCase{"no_date_field_later_token_wins", "a jan b feb c", 7},
                      MonthCase{"no_date_field_later_token_wins_not_leftmost", "a feb b jan c", 1},
                      MonthCase{"tokens_sharing_a_blank", "a jan feb c", 5},
                      MonthCase{"first_occurrence_of_the_latest_month", "x may a may b", 1},
                      MonthCase{"date_field_beats_later_token", "a jan 05 12:00 dec 05  2019", 1},
                      MonthCase{"leftmost_date_field_wins", "a Jan 01  2019 b Mar 01  2020 c", 1},
                      MonthCase{"time_needs_colon", "a Jan 01 12-00 b", 1},
                      MonthCase{"field_must_end_in_blank", "a Jan 01  2019x Feb 02  2020", 15}),
    CaseLabel());

std::vector<std::string> Captions(const std::vector<ListingRow>& rows) {
  std::vector<std::string> captions;
  for (const ListingRow& row : rows) {
    captions.push_back(row.Caption);
  }
  return captions;
}

TEST(ListingFormat, ShortListingGivesCapitalisedNamesAndBracketedFolders) {
  RecordingLookups lookups;
  const auto rows = Rows("README.TXT\r\n[PUB]\r\nindex.html\r\n", lookups.Make());
  ASSERT_EQ(Captions(rows), (std::vector<std::string>{"Index.html", "Readme.txt", " Pub"}));
  EXPECT_EQ(rows[0].SizeText, "?? KB");
  EXPECT_EQ(rows[0].TypeText, "HTML File");
  EXPECT_EQ(rows[1].PictureIndex, kTextPicture);
  EXPECT_EQ(rows[2].SizeText, "");
  EXPECT_EQ(rows[2].TypeText, "File Folder");
  for (const ListingRow& row : rows) {
    EXPECT_EQ(row.DateText, "");
  }
}

// What a request about a row sends: the entry's own name, whatever the
// caption shows, and the safety mark judges that name alone.
struct RequestNameCase {
  std::string Label;
  std::string Listing;
  std::string Caption;
  std::string Name;
  bool Link;
  bool Unsafe;
};

class RequestNameTest : public ::testing::TestWithParam<RequestNameCase> {};

TEST_P(RequestNameTest, RowKeepsTheEntrysOwnName) {
  const RequestNameCase& c = GetParam();
  const std::vector<ListingRow> rows = Rows(c.Listing + "\r\n", RecordingLookups().Make());
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].Caption, c.Caption);
  EXPECT_EQ(rows[0].Name, c.Name);
  EXPECT_EQ(RowName(rows[0]), c.Name);
  EXPECT_EQ(rows[0].Link, c.Link);
  EXPECT_EQ(rows[0].UnsafeLocalName, c.Unsafe);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RequestNameTest,
    ::testing::Values(
        RequestNameCase{"link_to_a_file", "lrwxrwxrwx 1 u g 9 Mar 04  2019 link.txt -> k1024.bin",
                        "link.txt -> k1024.bin", "link.txt", true, false},
        RequestNameCase{"link_to_an_absolute_folder", "lrwxrwxrwx 1 u g 8 Mar 04  2019 lib -> /usr/lib",
                        "lib -> /usr/lib", "lib", true, false},
        RequestNameCase{"bare_name_keeps_its_case", "README.TXT", "Readme.txt", "README.TXT", false,
                        false},
        RequestNameCase{"climbing_name", "-rw-r--r-- 1 u g 5 Mar 04  2019 ../../.bashrc",
                        "../../.bashrc", "../../.bashrc", false, true},
        RequestNameCase{"invalid_utf8_bytes", "-rw-r--r-- 1 u g 5 Mar 04  2019 caf\xe9.txt",
                        "caf\xe9.txt", "caf\xe9.txt", false, false}),
    CaseLabel());

TEST(ListingFormat, ListingOfOnlyATotalLineIsShort) {
  RecordingLookups lookups;
  const auto rows = Rows("total 0\r\n", lookups.Make());
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].Caption, "Total 0");
  EXPECT_EQ(rows[0].SizeText, "?? KB");
  EXPECT_EQ(rows[0].DateText, "");
}

TEST(ListingFormat, LongListingDropsMonthlessLines) {
  RecordingLookups lookups;
  const auto rows = Rows(
      "total 8\r\n-rw-r--r-- 1 u g 2048 Mar 04  2019 a.txt\r\nsome note\r\n", lookups.Make());
  EXPECT_EQ(Captions(rows), (std::vector<std::string>{"a.txt"}));
}

TEST(ListingFormat, MonthlessFirstLineMakesTheListingShortButKeepsLongRows) {
  RecordingLookups lookups;
  const auto rows = Rows("-rw-r--r-- 1 u g 2048 Mar 04  2019 a.txt\r\n+Info Line\r\n",
                                       lookups.Make());
  ASSERT_EQ(Captions(rows), (std::vector<std::string>{"+info line", "a.txt"}));
  EXPECT_EQ(rows[0].SizeText, "?? KB");
  EXPECT_EQ(rows[1].SizeText, "2 KB");
  EXPECT_EQ(rows[1].DateText, "Mar 04  2019");
}

TEST(ListingFormat, DegenerateBracketsGiveNamelessUnsafeFolders) {
  RecordingLookups lookups;
  const auto rows = Rows("[\r\n[]\r\n[x\r\n[ab\r\n", lookups.Make());
  ASSERT_EQ(Captions(rows), (std::vector<std::string>{" ", " A", " ", " "}));
  EXPECT_TRUE(rows[0].UnsafeLocalName);
  EXPECT_FALSE(rows[1].UnsafeLocalName);
}

TEST(ListingLines, SplitDropEmptyAndSortByTrimmedTextIgnoringCase) {
  const std::string listing = "  b line \r\n\r\n\tA line\rc line\n\x01\x02\n a LINE\n";
  EXPECT_EQ(SplitListingLines(listing),
            (std::vector<std::string_view>{"\tA line", " a LINE", "  b line ", "c line"}));
}

TEST(ListingLines, EntriesKeepTheLineAsReceived) {
  const std::vector<ListingEntry> entries =
      ParseRemoteListing(" -rw 1 u g 5 Jan 01 12:00 a.txt\t\r\n", kNow);
  ASSERT_EQ(entries.size(), 1U);
  EXPECT_EQ(entries[0].Raw, " -rw 1 u g 5 Jan 01 12:00 a.txt\t");
  EXPECT_EQ(entries[0].Name, "a.txt");
}

TEST(ListingLines, NothingButSeparatorsGivesNoRows) {
  RecordingLookups lookups;
  EXPECT_TRUE(Rows("", lookups.Make()).empty());
  EXPECT_TRUE(Rows("\r\n\r\n \n\t\r", lookups.Make()).empty());
  EXPECT_TRUE(Rows(std::string(50, '\0'), lookups.Make()).empty());
}

TEST(ListingLookupsTest, PictureIsAskedWithUpperCaseExtensionWithoutDot) {
  RecordingLookups lookups;
  Rows(
      "-rw 1 u g 1 Mar 04  2019 Notes.Txt\r\n-rw 1 u g 1 Mar 04  2019 archive.tar.gz\r\n"
      "-rw 1 u g 1 Mar 04  2019 Makefile\r\ndrwx 1 u g 1 Mar 04  2019 dir.d\r\n",
      lookups.Make());
  EXPECT_EQ(lookups.Extensions, (std::vector<std::string>{"GZ", "", "TXT"}));
}

TEST(ListingLookupsTest, MissingLookupsGiveEmptyTypeAndNoPicture) {
  const auto rows = Rows("-rw 1 u g 1 Mar 04  2019 a.txt\r\n", ListingLookups{});
  ASSERT_EQ(rows.size(), 1U);
  EXPECT_EQ(rows[0].TypeText, "");
  EXPECT_EQ(rows[0].PictureIndex, kNoPicture);
}

}  // namespace
}  // namespace varnel::listing
