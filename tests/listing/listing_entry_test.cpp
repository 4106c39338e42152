// Single lines parsed into entries: the awkward ones (whole listings of real
// servers are in listing_fixture_test.cpp) and bare names.
#include "listing/listing_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using testing::CaseLabel;
using testing::EntryFields;
using testing::FieldsOf;
using testing::kNow;

constexpr EntryKind kFile = EntryKind::kFile;
constexpr EntryKind kFolder = EntryKind::kFolder;
constexpr EntryKind kLink = EntryKind::kLink;
constexpr EntryKind kUnknown = EntryKind::kUnknown;
constexpr std::int64_t kNoSize = kUnknownSize;

struct EntryCase {
  std::string Label;
  std::string Line;
  EntryFields Expected;
  std::string DateText;
};

class LongLineTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(LongLineTest, GivesEveryField) {
  const EntryCase& c = GetParam();
  // A long line speaks for itself, whatever format the listing has.
  for (const ListingFormat format : {ListingFormat::kLong, ListingFormat::kNames}) {
    const std::optional<ListingEntry> entry = ParseListingLine(c.Line, format, kNow);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(FieldsOf(*entry), c.Expected);
    EXPECT_EQ(entry->DateText, c.DateText);
    EXPECT_EQ(entry->Raw, c.Line);
    EXPECT_FALSE(entry->NameOnly);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Awkward, LongLineTest,
    ::testing::Values(
        EntryCase{"owner_named_like_a_month", "-rw-r--r--   1 may      dec     123 Feb 01  2020 f",
                  {"f", kFile, 123, "2020-02-01", "", "rw-r--r--", "may", "dec"},
                  "Feb 01  2020"},
        EntryCase{"acl_mark_after_the_mode", "-rw-r--r--+  1 u g 5 Jan 01 12:00 a",
                  {"a", kFile, 5, "2026-01-01T12:00", "", "rw-r--r--+", "u", "g"},
                  "Jan 01 12:00"},
        EntryCase{"no_group_column", "-rw-r--r-- 1 owner 77 Jan 01 12:00 a",
                  {"a", kFile, 77, "2026-01-01T12:00", "", "rw-r--r--", "owner", ""},
                  "Jan 01 12:00"},
        EntryCase{"size_at_line_start", "1024 Mar 04  2019 a.txt",
                  {"a.txt", kUnknown, 1024, "2019-03-04", "", "", "", ""}, "Mar 04  2019"},
        EntryCase{"short_mode_is_no_mode", "-rw 1 u g 5 Jan 01 12:00 a",
                  {"a", kFile, 5, "2026-01-01T12:00", "", "", "", ""}, "Jan 01 12:00"},
        EntryCase{"device_file", "crw-rw-rw-   1 0 0 1, 3 Jan 01 12:00 null",
                  {"null", kUnknown, 3, "2026-01-01T12:00", "", "rw-rw-rw-", "0", "1,"},
                  "Jan 01 12:00"},
        EntryCase{"upper_case_folder_letter", "Dr-xr-xr-x 1 owner group 0 Feb 29  2020 Upper",
                  {"Upper", kFolder, 0, "2020-02-29", "", "r-xr-xr-x", "owner", "group"},
                  "Feb 29  2020"},
        EntryCase{"size_not_a_number", "-rw-r--r-- 1 o g abc Mar 04  2019 x",
                  {"x", kFile, kNoSize, "2019-03-04", "", "rw-r--r--", "o", "g"}, "Mar 04  2019"},
        EntryCase{"size_negative", "-rw-r--r-- 1 o g -5 Mar 04  2019 x",
                  {"x", kFile, kNoSize, "2019-03-04", "", "rw-r--r--", "o", "g"}, "Mar 04  2019"},
        EntryCase{"size_beyond_64_bits", "-rw-r--r-- 1 o g 99999999999999999999 Mar 04  2019 x",
                  {"x", kFile, kNoSize, "2019-03-04", "", "rw-r--r--", "o", "g"}, "Mar 04  2019"},
        EntryCase{"invalid_date_is_unknown", "-rw-r--r-- 1 o g 1 Feb 30  2019 x",
                  {"x", kFile, 1, "", "", "rw-r--r--", "o", "g"}, "Feb 30  2019"},
        EntryCase{"link_without_arrow", "lrwxrwxrwx 1 o g 1 Mar 04  2019 dangling",
                  {"dangling", kLink, 1, "2019-03-04", "", "rwxrwxrwx", "o", "g"},
                  "Mar 04  2019"},
        EntryCase{"link_target_with_arrow", "lrwxrwxrwx 1 o g 1 Mar 04  2019 a -> b -> c",
                  {"a", kLink, 1, "2019-03-04", "b -> c", "rwxrwxrwx", "o", "g"},
                  "Mar 04  2019"},
        EntryCase{"arrow_in_a_file_name", "-rw-r--r-- 1 o g 1 Mar 04  2019 a -> b",
                  {"a -> b", kFile, 1, "2019-03-04", "", "rw-r--r--", "o", "g"},
                  "Mar 04  2019"},
        // Without a date field the last month token is taken: the date is
        // unknown and the name whatever follows the token's window.
        EntryCase{"month_word_without_date_field", "-rw-r--r-- 1 u g 10 2019-03-04 a may b.txt",
                  {"", kFile, kNoSize, "", "", "rw-r--r--", "10", "2019-03-04"}, "may b.txt"}),
    CaseLabel());

struct NameCase {
  std::string Label;
  std::string Line;
  std::string Name;
  EntryKind Kind;
};

class NameLineTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameLineTest, GivesANameOnlyInAListingOfNames) {
  const NameCase& c = GetParam();
  EXPECT_FALSE(ParseListingLine(c.Line, ListingFormat::kLong, kNow).has_value());
  const std::optional<ListingEntry> entry = ParseListingLine(c.Line, ListingFormat::kNames, kNow);
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(FieldsOf(*entry), (EntryFields{c.Name, c.Kind, kNoSize, "", "", "", "", ""}));
  EXPECT_TRUE(entry->NameOnly);
  EXPECT_EQ(entry->Raw, c.Line);
  EXPECT_EQ(entry->DateText, "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, NameLineTest,
    ::testing::Values(NameCase{"name_as_sent", "README.TXT", "README.TXT", kUnknown},
                      NameCase{"trimmed", " \tnotes\x01", "notes", kUnknown},
                      NameCase{"bracketed_folder", "[PUB]", "PUB", kFolder},
                      NameCase{"bracket_drops_the_last_character", "[ab", "a", kFolder},
                      NameCase{"lone_bracket", "[", "", kFolder},
                      NameCase{"total_line", "total 0", "total 0", kUnknown}),
    CaseLabel());

TEST(ListingLine, BlankLinesGiveNothing) {
  for (const ListingFormat format : {ListingFormat::kLong, ListingFormat::kNames}) {
    EXPECT_FALSE(ParseListingLine("", format, kNow).has_value());
    EXPECT_FALSE(ParseListingLine(" \t\r\x01", format, kNow).has_value());
  }
}

TEST(ListingLine, ListedNameGivesTheNameFieldBack) {
  for (const std::string name : {"a.txt", "link.txt -> k1024.bin", "a -> b -> c", "x ->"}) {
    const auto entry =
        ParseListingLine("lrwxrwxrwx 1 o g 1 Mar 04  2019 " + name, ListingFormat::kLong, kNow);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(ListedName(*entry), name);
  }
}

}  // namespace
}  // namespace varnel::listing
