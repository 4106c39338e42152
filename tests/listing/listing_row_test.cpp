// Local pane rows built from file system entries with the caller's date
// text (remote rows: listing_parser_test.cpp).
#include "listing/listing_row.h"

#include <gtest/gtest.h>

#include <string>

#include "listing/listing_test_lookups.h"

namespace varnel::listing {
namespace {

using testing::CaseLabel;
using testing::kOtherPicture;
using testing::kTextPicture;
using testing::RecordingLookups;
using testing::Utc;

struct RowCase {
  std::string Label;
  ListingEntry Entry;
  std::string Caption;
  std::string SizeText;
  std::string TypeText;
  int Picture;
};

ListingEntry Entry(const std::string& name, EntryKind kind, std::int64_t size,
                   const std::string& target = "") {
  ListingEntry entry;
  entry.Name = name;
  entry.Kind = kind;
  entry.Size = size;
  entry.LinkTarget = target;
  entry.Modified = {Utc("2026-12-08T07:38:00"), TimePrecision::kMinute};
  return entry;
}

class LocalRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(LocalRowTest, TakesNameKindSizeAndTheCallersDateText) {
  const RowCase& c = GetParam();
  RecordingLookups lookups;
  const ListingRow row = MakeLocalRow(c.Entry, "08.12.2026 07:38", lookups.Make());
  EXPECT_EQ(row.Caption, c.Caption);
  EXPECT_EQ(row.SizeText, c.SizeText);
  EXPECT_EQ(row.TypeText, c.TypeText);
  EXPECT_EQ(row.PictureIndex, c.Picture);
  EXPECT_EQ(row.DateText, "08.12.2026 07:38");
  EXPECT_EQ(row.Modified, c.Entry.Modified);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocalRowTest,
    ::testing::Values(
        RowCase{"zero_bytes", Entry("e.txt", EntryKind::kFile, 0), "e.txt", "0 KB", "TXT File",
                kTextPicture},
        RowCase{"hundred_bytes", Entry("h.bin", EntryKind::kFile, 100), "h.bin", "1 KB",
                "BIN File", kOtherPicture},
        RowCase{"beyond_32_bits", Entry("big.iso", EntryKind::kFile, 5000000000), "big.iso",
                "4882812 KB", "ISO File", kOtherPicture},
        RowCase{"folder", Entry("docs", EntryKind::kFolder, 4096), " docs", "", "File Folder",
                kFolderPicture},
        // A local link is shown by its own name: that is the file to open.
        RowCase{"link_by_its_name", Entry("l.txt", EntryKind::kLink, 9, "t.bin"), "l.txt",
                "1 KB", "TXT File", kTextPicture}),
    CaseLabel());

}  // namespace
}  // namespace varnel::listing
