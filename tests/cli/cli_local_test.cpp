// Local targets of downloads: unsafe names, temporary files and the relay to
// standard output.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_local.h"
#include "runtime/test_temp_folder.h"

namespace varnel::cli {
namespace {

using varnel::testing::Exists;
using varnel::testing::ReadBytes;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;

class UnsafeRemoteName : public ::testing::TestWithParam<const char*> {};

TEST_P(UnsafeRemoteName, IsRefusedWithoutWritingAnything) {
  TempFolder folder;
  EXPECT_THROW(LocalPathForGet(GetParam(), std::nullopt), LocalError);
  EXPECT_THROW(LocalPathForGet(GetParam(), folder.Path()), LocalError);
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

INSTANTIATE_TEST_SUITE_P(Table, UnsafeRemoteName,
                         ::testing::Values("", ".", "..", "pub/..", "pub/.", "pub/", "/"));

TEST(LocalPathForGet, TakesTheBaseNameIntoTheChosenFolder) {
  TempFolder folder;
  EXPECT_EQ(LocalPathForGet("pub/a.txt", std::nullopt), "./a.txt");
  EXPECT_EQ(LocalPathForGet("../../etc/passwd", std::nullopt), "./passwd");
  EXPECT_EQ(LocalPathForGet("/x/y/..z", folder.Path()), folder.Path() + "/..z");
  // A chosen name that is not a folder is the user's: taken as given.
  EXPECT_EQ(LocalPathForGet("a.txt", folder.File("b.txt")), folder.File("b.txt"));
}

TEST(DownloadTarget, AFailedDownloadLeavesTheOldFileAlone) {
  TempFolder folder;
  const std::string path = folder.File("keep.txt");
  WriteBytes(path, "precious");
  {
    DownloadTarget target(path, false);
    EXPECT_NE(target.EnginePath(), path);
    WriteBytes(target.EnginePath(), "");  // the engine empties it before RETR fails
  }
  EXPECT_EQ(ReadBytes(path), "precious");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(DownloadTarget, CommitMovesTheDownloadIntoPlace) {
  TempFolder folder;
  const std::string path = folder.File("new.bin");
  DownloadTarget target(path, false);
  WriteBytes(target.EnginePath(), "fresh");
  target.Commit();
  EXPECT_EQ(ReadBytes(path), "fresh");
  EXPECT_FALSE(Exists(target.EnginePath()));
}

TEST(DownloadTarget, ResumeAndDevicesWriteInPlace) {
  TempFolder folder;
  const std::string path = folder.File("part.bin");
  WriteBytes(path, "half");
  DownloadTarget resumed(path, true);
  EXPECT_TRUE(resumed.Resuming());
  EXPECT_EQ(resumed.EnginePath(), path);
  DownloadTarget device("/dev/null", false);
  EXPECT_EQ(device.EnginePath(), "/dev/null");
  EXPECT_FALSE(device.Resuming());
  // Nothing to resume from: a fresh download under a temporary name.
  DownloadTarget missing(folder.File("none.bin"), true);
  EXPECT_FALSE(missing.Resuming());
  EXPECT_NE(missing.EnginePath(), folder.File("none.bin"));
}

TEST(DownloadTarget, AFolderThatCannotBeWrittenIsAnError) {
  EXPECT_THROW(DownloadTarget("/nonexistent-folder-of-varnel/x", false), LocalError);
}

TEST(StdoutRelay, CopiesWhatIsWrittenToItsPathAndKeepsTheOffset) {
  TempFolder folder;
  const std::string path = folder.File("out.txt");
  WriteBytes(path, "head:");
  const int out = ::open(path.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(out, 0);
  {
    StdoutRelay relay(out);
    const int writer = ::open(relay.EnginePath().c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    const std::string body(200000, 'x');
    ASSERT_EQ(::write(writer, body.data(), body.size()), static_cast<ssize_t>(body.size()));
    ::close(writer);
    EXPECT_EQ(relay.Finish(), "");
  }
  ASSERT_EQ(::write(out, ":tail", 5), 5);
  ::close(out);
  const std::string all = ReadBytes(path);
  EXPECT_EQ(all.size(), 5 + 200000 + 5u);
  EXPECT_EQ(all.substr(0, 5), "head:");
  EXPECT_EQ(all.substr(all.size() - 5), ":tail");
}

TEST(StdoutRelay, ReportsAStandardOutputThatRefusesData) {
  const int out = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(out, 0);
  StdoutRelay relay(out);
  const int writer = ::open(relay.EnginePath().c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "abc", 3), 3);
  ::close(writer);
  EXPECT_NE(relay.Finish(), "");
  ::close(out);
}

}  // namespace
}  // namespace varnel::cli
