#include "ui/assoc/association_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assoc_test_util.h"

namespace varnel::ui {
namespace {

using assoc_test::ReadFile;
using assoc_test::TempFolder;
using Rows = std::vector<Association>;

struct RoundTripCase {
  const char* label;
  std::string bytes;
  Rows rows;
};

class AssociationFileRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(AssociationFileRoundTrip, ParsesInFileOrderAndWritesTheSameBytes) {
  const RoundTripCase& c = GetParam();
  ParsedAssociations parsed = ParseAssociationFile(c.bytes);
  EXPECT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.rows, c.rows);

  std::string written;
  ASSERT_TRUE(FormatAssociationFile(parsed.rows, written));
  EXPECT_EQ(written, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    SoundFiles, AssociationFileRoundTrip,
    ::testing::Values(
        RoundTripCase{"Empty", "0\r\n", {}},
        RoundTripCase{"OneRow", "1\r\nTXT\r\n/usr/bin/gedit --wait\r\n",
                      {{"TXT", "/usr/bin/gedit --wait"}}},
        RoundTripCase{"FileOrderKeptWithDuplicates",
                      "3\r\nTXT\r\n/usr/bin/mousepad\r\nBMP\r\n/usr/bin/eog\r\ntxt\r\n/usr/bin/gedit\r\n",
                      {{"TXT", "/usr/bin/mousepad"}, {"BMP", "/usr/bin/eog"}, {"txt", "/usr/bin/gedit"}}},
        RoundTripCase{"EmptyCells", "2\r\n\r\n\r\n.log \r\n\r\n", {{"", ""}, {".log ", ""}}},
        RoundTripCase{"QuotesAndUtf8",
                      "1\r\nPDF\r\n\"/opt/Dokumente \xc3\xb6" "ffnen/evince\" --page-label=1\r\n",
                      {{"PDF", "\"/opt/Dokumente \xc3\xb6" "ffnen/evince\" --page-label=1"}}},
        RoundTripCase{"NulByteKept", std::string("1\r\nA\0B\r\n/v\r\n", 12),
                      {{std::string("A\0B", 3), "/v"}}}),
    [](const auto& p) { return std::string(p.param.label); });

struct BrokenCase {
  const char* label;
  std::string bytes;
  Rows rows;
  std::string error;
};

class AssociationFileBroken : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(AssociationFileBroken, KeepsWhatCanBeReadAndReportsABadCount) {
  const BrokenCase& c = GetParam();
  ParsedAssociations parsed = ParseAssociationFile(c.bytes);
  EXPECT_EQ(parsed.rows, c.rows);
  EXPECT_EQ(parsed.error, c.error);
}

const std::string kInvalid(kInvalidNumericInput);

INSTANTIATE_TEST_SUITE_P(
    BrokenFiles, AssociationFileBroken,
    ::testing::Values(
        BrokenCase{"EmptyFile", "", {}, ""},
        BrokenCase{"ViewerLineMissing", "2\r\nTXT\r\n/a\r\nLOG\r\n", {{"TXT", "/a"}, {"LOG", ""}}, ""},
        BrokenCase{"RowsBeyondTheEndNotMadeUp", "5\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, ""},
        BrokenCase{"HugeCountNoHugeTable", "2000000000\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, ""},
        BrokenCase{"SurplusLinesIgnored", "1\r\nTXT\r\n/a\r\nLOG\r\n/b\r\n", {{"TXT", "/a"}}, ""},
        BrokenCase{"LfOnly", "2\nTXT\n/a\nLOG\n/b\n", {{"TXT", "/a"}, {"LOG", "/b"}}, ""},
        BrokenCase{"LoneCr", "2\rTXT\r/a\rLOG\r/b", {{"TXT", "/a"}, {"LOG", "/b"}}, ""},
        BrokenCase{"NoFinalLineEnd", "1\r\nTXT\r\n/a", {{"TXT", "/a"}}, ""},
        BrokenCase{"BlanksAroundCount", " 1 \r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, ""},
        BrokenCase{"CountNotANumber", "two\r\nTXT\r\n/a\r\nLOG\r\n/b\r\n",
                   {{"TXT", "/a"}, {"LOG", "/b"}}, kInvalid},
        BrokenCase{"CountWithGarbage", "2x\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, kInvalid},
        BrokenCase{"NegativeCount", "-1\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, kInvalid},
        BrokenCase{"CountOverflow", "99999999999999999999999\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}},
                   kInvalid},
        BrokenCase{"BlankCountLine", "\r\nTXT\r\n/a\r\n", {{"TXT", "/a"}}, kInvalid},
        BrokenCase{"OnlyABadCount", "x", {}, kInvalid}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(AssociationFileTruncation, EveryCutKeepsTheRowsBeforeIt) {
  const Rows rows{{"TXT", "/usr/bin/gedit --wait"}, {"BMP", "/usr/bin/eog"}, {"PDF", "/usr/bin/evince"}};
  std::string bytes;
  ASSERT_TRUE(FormatAssociationFile(rows, bytes));
  std::vector<std::size_t> line_ends;  // offsets just after each CR LF
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) {
    line_ends.push_back(at + 2);
  }

  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    ParsedAssociations parsed = ParseAssociationFile(std::string_view(bytes.data(), cut));
    ASSERT_LE(parsed.rows.size(), rows.size()) << cut;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      bool whole = line_ends[2 + 2 * k] <= cut;
      if (whole) {
        ASSERT_GT(parsed.rows.size(), k) << cut;
        EXPECT_EQ(parsed.rows[k], rows[k]) << cut;
      } else if (k < parsed.rows.size()) {
        // The row cut by the end of the file keeps what it has.
        EXPECT_EQ(rows[k].extension.rfind(parsed.rows[k].extension, 0), 0u) << cut;
        EXPECT_EQ(rows[k].viewer.rfind(parsed.rows[k].viewer, 0), 0u) << cut;
      }
    }
  }
}

TEST(AssociationFileFormat, RefusesALineBreakInsideACell) {
  std::string bytes = "left alone";
  std::string error;
  EXPECT_FALSE(FormatAssociationFile({{"TXT", "/a"}, {"LOG", "/b\r\n1"}}, bytes, &error));
  EXPECT_EQ(bytes, "");
  EXPECT_EQ(error, "Association row 2 holds a line break");
  EXPECT_FALSE(FormatAssociationFile({{"T\nXT", "/a"}}, bytes));
}

TEST(AssociationFileDisk, MissingFileIsAnEmptyTableWithoutError) {
  TempFolder folder;
  LoadedAssociations loaded = LoadAssociationFile(folder / "varnel-client.EXT");
  EXPECT_FALSE(loaded.exists);
  EXPECT_TRUE(loaded.rows.empty());
  EXPECT_EQ(loaded.error, "");
}

TEST(AssociationFileDisk, SaveWritesCrLfLinesAndLoadReadsThemBack) {
  TempFolder folder;
  const std::string path = folder / "varnel-client.EXT";
  const Rows rows{{"TXT", "/usr/bin/gedit --wait"}, {"ZIP", "/usr/bin/file-roller"}};
  std::string error;
  ASSERT_TRUE(SaveAssociationFile(path, rows, &error)) << error;
  EXPECT_EQ(ReadFile(path), "2\r\nTXT\r\n/usr/bin/gedit --wait\r\nZIP\r\n/usr/bin/file-roller\r\n");

  LoadedAssociations loaded = LoadAssociationFile(path);
  EXPECT_TRUE(loaded.exists);
  EXPECT_EQ(loaded.rows, rows);
  EXPECT_EQ(loaded.error, "");
}

TEST(AssociationFileDisk, AFolderInPlaceOfTheFileIsReported) {
  TempFolder folder;
  const std::string path = folder.MakeFolder("varnel-client.EXT");
  LoadedAssociations loaded = LoadAssociationFile(path);
  EXPECT_TRUE(loaded.exists);
  EXPECT_TRUE(loaded.rows.empty());
  EXPECT_NE(loaded.error.find(path), std::string::npos) << loaded.error;
}

TEST(AssociationFileDisk, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  const std::string old_bytes = "1\r\nTXT\r\n/a\r\n";
  const std::string path = folder.Write("varnel-client.EXT", old_bytes);
  std::string error;
  EXPECT_FALSE(SaveAssociationFile(path, {{"TXT", "/b\n"}}, &error));
  EXPECT_NE(error, "");
  EXPECT_EQ(ReadFile(path), old_bytes);

  error.clear();
  EXPECT_FALSE(SaveAssociationFile(folder / "missing/varnel-client.EXT", {}, &error));
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace varnel::ui
