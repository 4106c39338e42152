#include "runtime/program_files.h"

#include <gtest/gtest.h>

#include "runtime/test_temp_folder.h"

namespace varnel::runtime {
namespace {

using testing::ScopedEnv;
using testing::TempFolder;

TEST(ProgramFolderTest, VarnelHomeWinsAndIsCreated) {
  TempFolder temp;
  const std::string home = temp.File("a/b");
  ScopedEnv varnel("VARNEL_HOME", home);
  std::string error;
  EXPECT_EQ(ProgramFolder(temp.File("bin/varnel-client"), &error), home + "/");
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(testing::ModeOf(home), 0700u);
}

TEST(ProgramFolderTest, EmptyVarnelHomeCountsAsUnset) {
  TempFolder temp;
  ScopedEnv varnel("VARNEL_HOME", std::string());
  EXPECT_EQ(ProgramFolder(temp.File("varnel-client")), temp.Path() + "/");
}

TEST(ProgramFolderTest, WritableExecutableFolderHoldsTheFiles) {
  TempFolder temp;
  ScopedEnv varnel("VARNEL_HOME", std::nullopt);
  ScopedEnv xdg("XDG_CONFIG_HOME", temp.File("config"));
  EXPECT_EQ(ProgramFolder(temp.File("varnel-client")), temp.Path() + "/");
  EXPECT_FALSE(testing::Exists(temp.File("config")));
}

TEST(ProgramFolderTest, UnusableExecutableFolderFallsBackToXdgConfig) {
  TempFolder temp;
  ScopedEnv varnel("VARNEL_HOME", std::nullopt);
  ScopedEnv xdg("XDG_CONFIG_HOME", temp.File("config"));
  const std::string expected = temp.File("config/varnel-client/");
  EXPECT_EQ(ProgramFolder("/nonexistent-varnel/bin/varnel-client"), expected);
  EXPECT_TRUE(std::filesystem::is_directory(expected));
}

TEST(ProgramFolderTest, UnsetOrRelativeXdgMeansDotConfigInHome) {
  TempFolder temp;
  ScopedEnv varnel("VARNEL_HOME", std::nullopt);
  ScopedEnv home("HOME", temp.Path());
  const std::string expected = temp.File(".config/varnel-client/");
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(ProgramFolder("/nonexistent-varnel/varnel-client"), expected);
  }
  ScopedEnv xdg("XDG_CONFIG_HOME", std::string("relative/config"));
  EXPECT_EQ(ProgramFolder("/nonexistent-varnel/varnel-client"), expected);
}

TEST(ProgramFolderTest, UncreatableFolderIsReportedButNamed) {
  TempFolder temp;
  testing::WriteBytes(temp.File("plain-file"), "x");
  ScopedEnv varnel("VARNEL_HOME", temp.File("plain-file/sub"));
  std::string error;
  EXPECT_EQ(ProgramFolder("/usr/bin/varnel-client", &error), temp.File("plain-file/sub/"));
  EXPECT_NE(error.find("plain-file"), std::string::npos) << error;
}

struct PathsCase {
  const char* name;
  const char* folder;
  const char* executable;
  const char* settings;
  const char* cache;
};

class ProgramFilesInTest : public ::testing::TestWithParam<PathsCase> {};

TEST_P(ProgramFilesInTest, NamesFollowTheExecutable) {
  const PathsCase& c = GetParam();
  ProgramFilePaths paths = ProgramFilesIn(c.folder, c.executable);
  EXPECT_EQ(paths.settings, c.settings);
  EXPECT_EQ(paths.cache_folder, c.cache);
  const std::string base = paths.settings.substr(0, paths.settings.size() - 4);
  EXPECT_EQ(paths.profiles, base + ".UCN");
  EXPECT_EQ(paths.associations, base + ".EXT");
  EXPECT_EQ(paths.listing, paths.folder + "FTPDIR.TXT");
  EXPECT_EQ(paths.folder.back(), '/');
}

INSTANTIATE_TEST_SUITE_P(
    Names, ProgramFilesInTest,
    ::testing::Values(
        PathsCase{"plain", "/opt/varnel/", "/opt/varnel/varnel-client", "/opt/varnel/varnel-client.INI",
                  "/opt/varnel/Cache/"},
        PathsCase{"folder_without_slash", "/home/u/.config/varnel-client", "/usr/bin/varnel-client",
                  "/home/u/.config/varnel-client/varnel-client.INI",
                  "/home/u/.config/varnel-client/Cache/"},
        PathsCase{"extension_is_appended_not_replaced", "/x", "/x/varnel.bin", "/x/varnel.bin.INI",
                  "/x/Cache/"},
        PathsCase{"root_folder", "/", "/varnel", "/varnel.INI", "/Cache/"},
        PathsCase{"bare_name", "/x/", "varnel", "/x/varnel.INI", "/x/Cache/"},
        PathsCase{"no_file_name", "/x/", "/x/", "/x/varnel-client.INI", "/x/Cache/"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ProgramFilesTest, LocateUsesTheProgramFolder) {
  TempFolder temp;
  ScopedEnv varnel("VARNEL_HOME", temp.File("home"));
  ProgramFilePaths paths = LocateProgramFiles("/usr/bin/varnel-client");
  EXPECT_EQ(paths.settings, temp.File("home/varnel-client.INI"));
  EXPECT_TRUE(std::filesystem::is_directory(temp.File("home")));
}

TEST(ProgramFilesTest, ExecutablePathIsAbsolute) {
  std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(testing::Exists(path));
}

struct HomeCase {
  const char* home;
  const char* expected;
};

class DefaultLocalDirTest : public ::testing::TestWithParam<HomeCase> {};

TEST_P(DefaultLocalDirTest, EndsInExactlyOneSlash) {
  ScopedEnv home("HOME", std::string(GetParam().home));
  EXPECT_EQ(DefaultLocalDir(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Homes, DefaultLocalDirTest,
                         ::testing::Values(HomeCase{"/home/u", "/home/u/"},
                                           HomeCase{"/home/u/", "/home/u/"},
                                           HomeCase{"/home/u//", "/home/u/"}, HomeCase{"/", "/"},
                                           HomeCase{"//", "/"}));

TEST(MakeFoldersTest, CreatesParentsAndRefusesAFileInTheWay) {
  TempFolder temp;
  EXPECT_TRUE(MakeFolders(temp.File("p/q/r"), 0700));
  EXPECT_TRUE(std::filesystem::is_directory(temp.File("p/q/r")));
  EXPECT_TRUE(MakeFolders(temp.File("p/q/r"), 0700));  // already there
  testing::WriteBytes(temp.File("f"), "x");
  std::string error;
  EXPECT_FALSE(MakeFolders(temp.File("f"), 0700, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(MakeFolders(temp.File("f/sub"), 0700, &error));
}

TEST(ReadProgramFileTest, MissingIsEmptyUnreadableIsAnError) {
  TempFolder temp;
  std::string bytes = "stale";
  std::string error;
  EXPECT_TRUE(ReadProgramFile(temp.File("none"), bytes, &error));
  EXPECT_EQ(bytes, "");
  EXPECT_FALSE(ReadProgramFile(temp.Path(), bytes, &error));
  EXPECT_NE(error.find(temp.Path()), std::string::npos);
  testing::WriteBytes(temp.File("f"), std::string("a\0b\r\n", 5));
  EXPECT_TRUE(ReadProgramFile(temp.File("f"), bytes, &error));
  EXPECT_EQ(bytes, std::string("a\0b\r\n", 5));
}

}  // namespace
}  // namespace varnel::runtime
