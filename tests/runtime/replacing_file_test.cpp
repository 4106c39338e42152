#include "runtime/replacing_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/test_temp_folder.h"

namespace varnel::runtime {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::size_t EntriesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(ReplacingFile, WritesBesideTheTargetUnderAHiddenName) {
  TempFolder folder;
  ReplacingFile file;
  ASSERT_TRUE(file.Create(folder.File("a.txt")));
  EXPECT_EQ(file.TemporaryPath().rfind(folder.File(".a.txt.part-"), 0), 0u) << file.TemporaryPath();
  EXPECT_TRUE(Exists(file.TemporaryPath()));
  EXPECT_FALSE(Exists(folder.File("a.txt")));
}

TEST(ReplacingFile, OnlyACommitReplacesTheTarget) {
  TempFolder folder;
  const std::string target = folder.File("a.txt");
  WriteBytes(target, "old");
  {
    ReplacingFile abandoned;
    ASSERT_TRUE(abandoned.Create(target));
    WriteBytes(abandoned.TemporaryPath(), "half");
  }
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);

  ReplacingFile done;
  ASSERT_TRUE(done.Create(target));
  WriteBytes(done.TemporaryPath(), "new");
  ASSERT_TRUE(done.Commit());
  EXPECT_FALSE(done.Pending());
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

// A folder of the target's name cannot be replaced: the folder and its
// content stay, the temporary file goes.
TEST(ReplacingFile, AFailedCommitLeavesTheTargetAndNoTemporaryFile) {
  TempFolder folder;
  const std::string target = folder.File("a.txt");
  std::filesystem::create_directory(target);
  WriteBytes(target + "/inside", "kept");
  ReplacingFile file;
  ASSERT_TRUE(file.Create(target));
  std::string error;
  EXPECT_FALSE(file.Commit(&error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadBytes(target + "/inside"), "kept");
  EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

TEST(ReplacingFile, AMissingFolderIsReported) {
  TempFolder folder;
  ReplacingFile file;
  std::string error;
  EXPECT_FALSE(file.Create(folder.File("none/a.txt"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(file.Pending());
}

}  // namespace
}  // namespace varnel::runtime
