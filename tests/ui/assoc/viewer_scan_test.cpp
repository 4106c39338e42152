#include "ui/assoc/viewer_scan.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "assoc_test_util.h"
#include "ui/assoc/viewer_command.h"

namespace varnel::ui {
namespace {

using assoc_test::TempFolder;
using Paths = std::vector<std::string>;

struct PickCase {
  const char* label;
  const char* program;
  const char* preferred;
  int index;  // -1: nothing picked
};

const Paths kFound{"/a/mousepad", "/b/gedit", "/c/mousepad", "/d/eog", "/e/Vlc", "/f/xvlc"};

class ViewerPicking : public ::testing::TestWithParam<PickCase> {};

TEST_P(ViewerPicking, PicksTheLastFoundWithThePreferredProgramWinning) {
  const PickCase& c = GetParam();
  std::optional<std::size_t> index = PickViewer(kFound, c.program, c.preferred);
  if (c.index < 0) {
    EXPECT_EQ(index, std::nullopt);
  } else {
    EXPECT_EQ(index, static_cast<std::size_t>(c.index));
  }
}

INSTANTIATE_TEST_SUITE_P(
    FoundPaths, ViewerPicking,
    ::testing::Values(PickCase{"PreferredFoundEarlierStillWins", "mousepad", "gedit", 1},
                      PickCase{"LastCopyWins", "mousepad", "", 2},
                      PickCase{"PreferredMissingKeepsProgram", "eog", "gimp", 3},
                      PickCase{"OnlyPreferredFound", "nano", "gedit", 1},
                      PickCase{"NeitherFound", "evince", "okular", -1},
                      PickCase{"NamesMatchExactly", "vlc", "", -1},
                      PickCase{"NoSuffixMatch", "pad", "", -1}),
    [](const auto& p) { return std::string(p.param.label); });

const std::vector<ViewerRule> kRules{
    {"TXT", "mousepad", "gedit"},
    {"PNG", "eog", "gimp"},
    {"PDF", "evince", "okular"},
    {"MP3", "vlc", ""},
};

class ViewerScanWalk : public ::testing::Test {
 protected:
  ViewerScan Scan(Paths roots, Paths excluded = {}) {
    return ViewerScan(std::move(roots), std::move(excluded), kRules);
  }
  static std::string ResultFor(const ViewerScan& scan, const std::string& extension) {
    for (const Association& row : scan.Results()) {
      if (row.extension == extension) return row.viewer;
    }
    return "";
  }

  TempFolder tree_;
};

TEST_F(ViewerScanWalk, FindsProgramsAndAppliesTheRulesInOrder) {
  std::string mousepad = tree_.Program("root1/bin/mousepad");
  std::string eog = tree_.Program("root1/bin/eog");
  std::string gedit = tree_.Program("root2/gedit");
  ViewerScan scan = Scan({tree_ / "root1", tree_ / "root2"});
  EXPECT_TRUE(scan.Run());
  EXPECT_EQ(scan.FoundPaths(), (Paths{eog, mousepad, gedit}));
  EXPECT_EQ(scan.Results(), (std::vector<Association>{{"TXT", gedit + " --wait"},
                                                      {"PNG", eog + " --new-instance"}}));
}

TEST_F(ViewerScanWalk, ALaterCopyWinsAndTheWalkIsDepthFirstInNameOrder) {
  tree_.Program("root/a/mousepad");
  tree_.Program("root/b/deeper/mousepad");
  std::string last = tree_.Program("root/c/mousepad");
  tree_.Program("root/b/vlc");
  ViewerScan scan = Scan({tree_ / "root"});
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{tree_ / "root/a/mousepad", tree_ / "root/b/deeper/mousepad",
                                      tree_ / "root/b/vlc", last}));
  EXPECT_EQ(ResultFor(scan, "TXT"), last);
}

TEST_F(ViewerScanWalk, OnlyExecutableFilesWithTheExactNameCount) {
  tree_.Write("root/gedit", "not executable", 0644);
  tree_.Program("root/Mousepad");
  tree_.Program("root/eog.sh");
  std::string inside = tree_.Program("root/evince/vlc");  // a folder named like a program
  tree_.Program("root/.hidden/okular");
  ViewerScan scan = Scan({tree_ / "root"});
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{inside}));
}

TEST_F(ViewerScanWalk, SymlinkedProgramsCountButSymlinkedFoldersAreNotEntered) {
  std::string real = tree_.Program("elsewhere/eog-3.0");
  tree_.Program("elsewhere/gedit");
  tree_.MakeFolder("root/bin");
  std::filesystem::create_symlink(real, tree_ / "root/bin/eog");
  std::filesystem::create_symlink(tree_ / "missing", tree_ / "root/bin/evince");
  std::filesystem::create_directory_symlink(tree_ / "root", tree_ / "root/bin/loop");
  std::filesystem::create_directory_symlink(tree_ / "elsewhere", tree_ / "root/outside");
  std::vector<std::string> folders;
  ViewerScan scan = Scan({tree_ / "root"});
  scan.SetFolderCallback([&folders](const std::string& folder) { folders.push_back(folder); });
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{tree_ / "root/bin/eog"}));
  EXPECT_EQ(folders, (Paths{tree_ / "root", tree_ / "root/bin"}));
}

TEST_F(ViewerScanWalk, ExcludedFoldersAreNeverEntered) {
  tree_.Program("root/proc/1/gedit");
  tree_.Program("root/sys/gedit");
  std::string kept = tree_.Program("root/procfs/gedit");
  std::vector<std::string> folders;
  ViewerScan scan = Scan({tree_ / "root", tree_ / "root/sys/"}, {tree_ / "root/proc", tree_ / "root/sys/"});
  scan.SetFolderCallback([&folders](const std::string& folder) { folders.push_back(folder); });
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{kept}));
  EXPECT_EQ(folders, (Paths{tree_ / "root", tree_ / "root/procfs"}));
}

TEST_F(ViewerScanWalk, EveryFolderIsWalkedOnceAndOddRootsAreSkipped) {
  std::string gedit = tree_.Program("usr/local/bin/gedit");
  std::filesystem::create_directory_symlink(tree_ / "usr/local/bin", tree_ / "bin");
  ViewerScan scan = Scan({tree_ / "usr/local/bin", tree_ / "bin", tree_ / "usr/local", "relative/bin",
                          tree_ / "missing", gedit});
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{gedit}));
}

TEST_F(ViewerScanWalk, PathsWithBlanksBecomeQuotedEntriesAndLineBreaksAreSkipped) {
  std::string vlc = tree_.Program("root/My Apps/vlc");
  tree_.Program("root/bad\nname/gedit");
  ViewerScan scan = Scan({tree_ / "root"});
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{vlc}));
  std::optional<ViewerCommand> command = ParseViewerCommand(ResultFor(scan, "MP3"));
  ASSERT_TRUE(command);
  EXPECT_EQ(command->words, (Paths{vlc}));
}

TEST_F(ViewerScanWalk, ACancelStopsTheWalkAtOnceAndGivesNoResults) {
  tree_.Program("root/a/mousepad");
  tree_.Program("root/z/gedit");
  ViewerScan scan = Scan({tree_ / "root", tree_ / "root/z"});
  std::vector<std::string> folders;
  scan.SetFolderCallback([&](const std::string& folder) {
    folders.push_back(folder);
    if (folders.size() == 2) scan.RequestCancel();
  });
  EXPECT_FALSE(scan.Run());
  EXPECT_TRUE(scan.CancelRequested());
  // The folder being entered when the cancel came is not read.
  EXPECT_EQ(folders, (Paths{tree_ / "root", tree_ / "root/a"}));
  EXPECT_TRUE(scan.FoundPaths().empty());
  EXPECT_TRUE(scan.Results().empty());
}

TEST_F(ViewerScanWalk, NothingFoundGivesNoResults) {
  tree_.Program("root/nano");
  ViewerScan scan = Scan({tree_ / "root"});
  EXPECT_TRUE(scan.Run());
  EXPECT_TRUE(scan.Results().empty());
}

TEST_F(ViewerScanWalk, ARunStartsAfresh) {
  std::string gedit = tree_.Program("root/gedit");
  ViewerScan scan = Scan({tree_ / "root"});
  scan.Run();
  scan.Run();
  EXPECT_EQ(scan.FoundPaths(), (Paths{gedit}));
  EXPECT_EQ(scan.Results().size(), 1u);
}

TEST(ViewerScanRoots, PathDirectoriesThenTheProgramFolders) {
  std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  ::setenv("PATH", "/x/bin::relative:.:/y/", 1);
  ::setenv("HOME", "/home/u", 1);
  Paths roots = DefaultScanRoots();
  ::setenv("PATH", saved_path.c_str(), 1);
  ::setenv("HOME", saved_home.c_str(), 1);
  EXPECT_EQ(roots, (Paths{"/x/bin", "/y/", "/usr/local", "/opt", "/home/u/.local/bin"}));
}

}  // namespace
}  // namespace varnel::ui
