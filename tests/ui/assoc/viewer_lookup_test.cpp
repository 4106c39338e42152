#include "ui/assoc/viewer_lookup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "assoc_test_util.h"

namespace varnel::ui {
namespace {

using assoc_test::CaseLabel;
using assoc_test::TempFolder;

const std::vector<Association> kRows{
    {"TXT", "/v/first"},  {".txt ", "/v/second"}, {"bmp", "/v/eog"},
    {"LOG", ""},          {"", "/v/no-extension"}, {".", "/v/dot"},
    {" pdf\t", "/v/evince"},
};

struct LookupCase {
  const char* path;
  const char* viewer;  // empty: not found
  bool reported;       // with ReportMissing set
};

class ViewerLookups : public ::testing::TestWithParam<LookupCase> {};

TEST_P(ViewerLookups, FindTheLastMatchingRow) {
  const LookupCase& c = GetParam();
  ViewerLookup quiet = GetViewer(kRows, c.path, false, false);
  EXPECT_EQ(quiet.viewer, c.viewer);
  EXPECT_EQ(quiet.found, *c.viewer != '\0');
  EXPECT_EQ(quiet.missing_message, "");

  ViewerLookup loud = GetViewer(kRows, c.path, true, false);
  EXPECT_EQ(loud.found, quiet.found);
  EXPECT_EQ(loud.missing_message, c.reported ? MissingViewerMessage(c.path) : "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ViewerLookups,
    ::testing::Values(LookupCase{"/pub/a.txt", "/v/second", false}, LookupCase{"a.TXT", "/v/second", false},
                      LookupCase{"a.b.Bmp", "/v/eog", false}, LookupCase{"doc.pdf", "/v/evince", false},
                      // A matching row without a viewer finds nothing, and says so.
                      LookupCase{"server.log", "", true}, LookupCase{"photo.png", "", true},
                      // No extension: not found and never reported.
                      LookupCase{"README", "", false}, LookupCase{"/dir.txt/README", "", false},
                      LookupCase{"name.", "", false}, LookupCase{"", "", false}),
    [](const auto& p) { return CaseLabel(p.param.path); });

TEST(MissingViewerText, NamesTheFileInQuotes) {
  EXPECT_EQ(MissingViewerMessage("/pub/a.xyz"),
            "Unable to find a suitable viewer for the file \"/pub/a.xyz\". Please specify a viewer "
            "application in the File Association Manager");
}

class NotepadRule : public ::testing::Test {
 protected:
  std::string FileOfSize(std::size_t size) {
    return folder_.Write("file" + std::to_string(size) + ".txt", std::string(size, 'x'));
  }
  std::string Viewer(const std::string& path, bool limit50k, const std::vector<std::string>& wordpads) {
    return GetViewer(rows_, path, false, limit50k, wordpads).viewer;
  }

  TempFolder folder_;
  const std::string notepad_ = "/opt/wine/c/windows/Notepad.exe";
  std::vector<Association> rows_{{"TXT", notepad_}, {"LOG", "/usr/bin/mousepad"}};
  const std::string wordpad_ = folder_.Write("wordpad.exe", "");
};

TEST_F(NotepadRule, LargerFileThanTheLimitGoesToWordPad) {
  EXPECT_EQ(Viewer(FileOfSize(kNotepadSizeLimit), true, {wordpad_}), notepad_);
  EXPECT_EQ(Viewer(FileOfSize(kNotepadSizeLimit + 1), true, {wordpad_}), wordpad_);
}

TEST_F(NotepadRule, OnlyWithTheFlagAndOnlyForNotepad) {
  std::string large = FileOfSize(kNotepadSizeLimit + 1);
  EXPECT_EQ(Viewer(large, false, {wordpad_}), notepad_);
  std::string large_log = folder_.Write("large.log", std::string(kNotepadSizeLimit + 1, 'x'));
  EXPECT_EQ(Viewer(large_log, true, {wordpad_}), "/usr/bin/mousepad");
}

TEST_F(NotepadRule, NotepadStaysWhenWordPadOrTheFileIsMissing) {
  std::string large = FileOfSize(kNotepadSizeLimit + 1);
  EXPECT_EQ(Viewer(large, true, {folder_ / "nowhere.exe"}), notepad_);
  EXPECT_EQ(Viewer(large, true, DefaultWordPadPaths()), notepad_);
  EXPECT_EQ(Viewer(folder_ / "missing.txt", true, {wordpad_}), notepad_);
}

TEST_F(NotepadRule, TheLastExistingWordPadWins) {
  std::string other = folder_.Write("other/wordpad.exe", "");
  std::string large = FileOfSize(kNotepadSizeLimit + 1);
  EXPECT_EQ(Viewer(large, true, {other, wordpad_, folder_ / "gone.exe"}), wordpad_);
  EXPECT_EQ(Viewer(large, true, {wordpad_, other}), other);
}

TEST_F(NotepadRule, AWordPadInTheCurrentFolderIsNeverTaken) {
  // The Windows paths are relative names here; a file of that name in the
  // current folder must not become the viewer.
  std::string large = FileOfSize(kNotepadSizeLimit + 1);
  std::string saved = std::filesystem::current_path().string();
  ASSERT_EQ(::chdir(folder_.Path().c_str()), 0);
  folder_.Write(DefaultWordPadPaths().back(), "");
  std::string viewer = Viewer(large, true, DefaultWordPadPaths());
  ASSERT_EQ(::chdir(saved.c_str()), 0);
  EXPECT_EQ(viewer, notepad_);
}

}  // namespace
}  // namespace varnel::ui
