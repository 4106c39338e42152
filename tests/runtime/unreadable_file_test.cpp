#include "runtime/unreadable_file.h"

#include <gtest/gtest.h>

#include "runtime/atomic_file.h"
#include "runtime/test_temp_folder.h"

namespace varnel::runtime {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

class UnreadableFileKeeperTest : public ::testing::Test {
 protected:
  // Runs BeforeSave, which must let the save go ahead; returns `kept`.
  std::string BeforeSave() {
    std::string kept;
    std::string error;
    EXPECT_TRUE(keeper_.BeforeSave(path_, kept, error)) << error;
    return kept;
  }

  TempFolder folder_;
  const std::string path_ = folder_.File("p.EXT");
  UnreadableFileKeeper keeper_;
};

TEST_F(UnreadableFileKeeperTest, OnlyAFileTheLastLoadCouldNotReadIsMoved) {
  WriteBytes(path_, "rows");
  EXPECT_EQ(BeforeSave(), "");
  keeper_.NoteLoad(false);
  keeper_.NoteLoad(true);
  EXPECT_EQ(BeforeSave(), "");
  EXPECT_EQ(ReadBytes(path_), "rows");
}

TEST_F(UnreadableFileKeeperTest, EarlierKeptFilesAreNeverReplacedAndItIsMovedOnce) {
  WriteBytes(path_ + ".unreadable", "first");
  WriteBytes(path_ + ".unreadable-2", "second");
  WriteBytes(path_, "third");
  keeper_.NoteLoad(false);
  EXPECT_EQ(BeforeSave(), path_ + " could not be read, so it was kept as " + path_ +
                              ".unreadable-3 instead of being replaced");
  EXPECT_EQ(ReadBytes(path_ + ".unreadable"), "first");
  EXPECT_EQ(ReadBytes(path_ + ".unreadable-2"), "second");
  EXPECT_EQ(ReadBytes(path_ + ".unreadable-3"), "third");
  WriteBytes(path_, "new");
  EXPECT_EQ(BeforeSave(), "");
  EXPECT_EQ(ReadBytes(path_), "new");
}

TEST_F(UnreadableFileKeeperTest, AFileGoneSinceTheLoadLeavesNothingToKeep) {
  keeper_.NoteLoad(false);
  EXPECT_EQ(BeforeSave(), "");
  EXPECT_FALSE(Exists(path_ + ".unreadable"));
}

// A pipe would block a plain open until some writer came.
TEST(ReadWholeFileTest, AnythingButARegularFileIsUnreadable) {
  TempFolder folder;
  const std::string pipe = folder.File("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string bytes;
  std::string error;
  EXPECT_FALSE(ReadWholeFile(pipe, bytes, &error));
  EXPECT_EQ(error, pipe + ": not a regular file");
  EXPECT_FALSE(ReadWholeFile(folder.Path(), bytes, &error));
  EXPECT_FALSE(ReadWholeFile(folder.File("none"), bytes, &error));
  EXPECT_EQ(error, folder.File("none") + ": No such file or directory");
}

}  // namespace
}  // namespace varnel::runtime
