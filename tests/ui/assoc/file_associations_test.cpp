#include "ui/assoc/file_associations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assoc_test_util.h"
#include "runtime/unreadable_file_cases.h"
#include "ui/assoc/association_file.h"

namespace varnel::ui {
namespace {

using assoc_test::ReadFile;
using assoc_test::TempFolder;
using Rows = std::vector<Association>;

class FileAssociationsModel : public ::testing::Test {
 protected:
  TempFolder folder_;
  const std::string path_ = folder_ / "varnel-client.EXT";
  FileAssociations associations_{path_};

  // Saves; what the user would be told must be nothing.
  void ExpectSavedSilently() {
    std::string report;
    EXPECT_TRUE(associations_.Save(report));
    EXPECT_EQ(report, "");
  }
};

TEST_F(FileAssociationsModel, StartsWithoutAFileAsNoAssociations) {
  EXPECT_EQ(associations_.Load(), "");
  EXPECT_TRUE(associations_.NoAssociations());
  EXPECT_EQ(associations_.Table().RowCount(), 0);
  EXPECT_FALSE(associations_.GetViewer("a.txt", false).found);
}

TEST_F(FileAssociationsModel, LoadThenSaveKeepsTheFileByteForByte) {
  const std::string bytes = "3\r\nZIP\r\n/usr/bin/file-roller\r\nTXT\r\n/usr/bin/gedit --wait\r\ntxt\r\n\r\n";
  folder_.Write("varnel-client.EXT", bytes);
  EXPECT_EQ(associations_.Load(), "");
  EXPECT_FALSE(associations_.NoAssociations());
  ExpectSavedSilently();
  EXPECT_EQ(ReadFile(path_), bytes);
}

TEST_F(FileAssociationsModel, AnEmptyCountIsNoAssociations) {
  folder_.Write("varnel-client.EXT", "0\r\n");
  EXPECT_EQ(associations_.Load(), "");
  EXPECT_TRUE(associations_.NoAssociations());
}

TEST_F(FileAssociationsModel, ClearThenReloadRestoresTheTable) {
  folder_.Write("varnel-client.EXT", "2\r\nTXT\r\n/a\r\nBMP\r\n/b\r\n");
  associations_.Load();
  associations_.Table().Clear();
  EXPECT_FALSE(associations_.GetViewer("a.txt", false).found);
  associations_.Load();
  EXPECT_EQ(associations_.Table().Rows(), (Rows{{"TXT", "/a"}, {"BMP", "/b"}}));
  EXPECT_EQ(associations_.GetViewer("a.txt", false).viewer, "/a");
}

TEST_F(FileAssociationsModel, ABrokenCountIsReportedAndSavingKeepsTheRows) {
  folder_.Write("varnel-client.EXT", "many\r\nTXT\r\n/a\r\nBMP\r\n/b\r\n");
  EXPECT_EQ(associations_.Load(), kInvalidNumericInput);
  EXPECT_FALSE(associations_.NoAssociations());
  ExpectSavedSilently();
  EXPECT_EQ(ReadFile(path_), "2\r\nTXT\r\n/a\r\nBMP\r\n/b\r\n");
}

TEST_F(FileAssociationsModel, AFailedSaveIsReportedAndTheFileStays) {
  const std::string bytes = "1\r\nTXT\r\n/a\r\n";
  folder_.Write("varnel-client.EXT", bytes);
  associations_.Load();
  associations_.Table().SetSelectedViewer("/b\r\n0");
  std::string report;
  EXPECT_FALSE(associations_.Save(report));
  EXPECT_NE(report, "");
  EXPECT_EQ(ReadFile(path_), bytes);
}

TEST_F(FileAssociationsModel, ScanResultsAreSavedInScanOrderAndShownSorted) {
  folder_.Write("varnel-client.EXT", "1\r\nOLD\r\n/old\r\n");
  associations_.Load();
  const Rows results{{"TXT", "/usr/bin/gedit --wait"}, {"BMP", "/usr/bin/eog --new-instance"}};
  EXPECT_EQ(associations_.ApplyScanResults(results), "");
  EXPECT_EQ(ReadFile(path_), "2\r\nTXT\r\n/usr/bin/gedit --wait\r\nBMP\r\n/usr/bin/eog --new-instance\r\n");
  EXPECT_EQ(associations_.Table().Rows(), (Rows{results[1], results[0]}));
  EXPECT_EQ(associations_.Table().SelectedRow(), 1);
  EXPECT_FALSE(associations_.NoAssociations());
}

TEST_F(FileAssociationsModel, EmptyScanResultsEmptyTheTable) {
  folder_.Write("varnel-client.EXT", "1\r\nOLD\r\n/old\r\n");
  associations_.Load();
  EXPECT_EQ(associations_.ApplyScanResults({}), "");
  EXPECT_EQ(ReadFile(path_), "0\r\n");
  EXPECT_TRUE(associations_.NoAssociations());
}

TEST_F(FileAssociationsModel, ScanResultsStayInForceWhenTheFileCannotBeWritten) {
  FileAssociations unwritable(folder_ / "missing/varnel-client.EXT");
  EXPECT_NE(unwritable.ApplyScanResults({{"TXT", "/t"}, {"BMP", "/b"}}), "");
  EXPECT_EQ(unwritable.Table().Rows(), (Rows{{"BMP", "/b"}, {"TXT", "/t"}}));
  EXPECT_EQ(unwritable.GetViewer("x.bmp", false).viewer, "/b");
}

TEST_F(FileAssociationsModel, GetViewerAppliesTheLargeFileFlag) {
  std::string wordpad = folder_.Write("wordpad.exe", "");
  std::string large = folder_.Write("large.txt", std::string(kNotepadSizeLimit + 1, 'x'));
  associations_.Table().Replace({{"TXT", "/wine/NOTEPAD.EXE"}});
  associations_.SetWordPadPaths({wordpad});
  EXPECT_EQ(associations_.GetViewer(large, false).viewer, "/wine/NOTEPAD.EXE");
  associations_.SetLimit50k(true);
  EXPECT_EQ(associations_.GetViewer(large, false).viewer, wordpad);
}

// The manager's load at its show and its save by Ok, for a file that could
// not be read (tests/runtime/unreadable_file_cases.h).
const testing::ProgramFileOwner kAssociations{
    "Associations",
    [](const std::string& path) {
      FileAssociations associations(path);
      std::string shown = associations.Load() + "\n";
      associations.Table().Replace({{"MRK", "/marker"}});
      std::string report;
      associations.Save(report);
      return shown + report;
    },
    "1\r\nMRK\r\n/marker\r\n"};

using testing::UnreadableProgramFile;
INSTANTIATE_TEST_SUITE_P(Associations, UnreadableProgramFile,
                         testing::UnreadableCases(kAssociations), testing::UnreadableCaseName);

}  // namespace
}  // namespace varnel::ui
