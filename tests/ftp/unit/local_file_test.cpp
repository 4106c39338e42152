#include "ftp/ftp_local_file.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ftp/ftp_types.h"

namespace varnel::ftp {
namespace {

namespace fs = std::filesystem;

// ---- stored share flags ----

struct ShareCase {
  TFtpShareMode mode;
  int flag;
};

class ShareFlags : public ::testing::TestWithParam<ShareCase> {};

TEST_P(ShareFlags, MapBothWays) {
  EXPECT_EQ(ShareFlag(GetParam().mode), GetParam().flag);
  EXPECT_EQ(ShareModeFromFlag(GetParam().flag), GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Modes, ShareFlags,
                         ::testing::Values(ShareCase{ftpShareCompat, 0},
                                           ShareCase{ftpShareExclusive, 16},
                                           ShareCase{ftpShareDenyWrite, 32},
                                           ShareCase{ftpShareDenyRead, 48},
                                           ShareCase{ftpShareDenyNone, 64}));

class UnknownShareFlags : public ::testing::TestWithParam<int> {};

TEST_P(UnknownShareFlags, ReadBackAsExclusive) {
  EXPECT_EQ(ShareModeFromFlag(GetParam()), ftpShareExclusive);
}

INSTANTIATE_TEST_SUITE_P(Flags, UnknownShareFlags, ::testing::Values(1, 15, 17, 63, 65, 128, -16));

TEST(ShareFlags, ModeOutsideTheEnumerationIsStoredAsExclusive) {
  EXPECT_EQ(ShareFlag(static_cast<TFtpShareMode>(9)), 16);
}

struct LockCase {
  int flag;
  bool writing;
  int operation;
};

class LockOperations : public ::testing::TestWithParam<LockCase> {};

TEST_P(LockOperations, FollowTheShareFlag) {
  EXPECT_EQ(LockOperation(GetParam().flag, GetParam().writing), GetParam().operation);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, LockOperations,
    ::testing::Values(LockCase{0, true, 0}, LockCase{0, false, 0}, LockCase{64, true, 0},
                      LockCase{64, false, 0}, LockCase{16, true, LOCK_EX},
                      LockCase{16, false, LOCK_EX}, LockCase{32, true, LOCK_EX},
                      LockCase{32, false, LOCK_SH}, LockCase{48, true, LOCK_EX},
                      LockCase{48, false, LOCK_EX}, LockCase{7, true, LOCK_EX}));

// ---- local files ----

class LocalFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/varnel-ftp-file-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  void Put(const std::string& name, const std::string& content) const {
    std::ofstream(Path(name), std::ios::binary) << content;
  }
  std::string Content(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path folder_;
};

TEST_F(LocalFileTest, DownloadCreatesOrEmptiesTheFile) {
  LocalFile file;
  ASSERT_TRUE(file.OpenForWriting(Path("new.bin"), kShareExclusiveFlag, 0));
  ASSERT_TRUE(file.Write("abc", 3));
  file.Close();
  EXPECT_EQ(Content("new.bin"), "abc");
  Put("old.bin", "an older and longer copy");
  ASSERT_TRUE(file.OpenForWriting(Path("old.bin"), kShareExclusiveFlag, 0));
  ASSERT_TRUE(file.Write("xy", 2));
  file.Close();
  EXPECT_EQ(Content("old.bin"), "xy");
}

TEST_F(LocalFileTest, ResumedDownloadKeepsThePrefixAndDropsStaleBytes) {
  Put("part.bin", "0123456789");
  LocalFile file;
  ASSERT_TRUE(file.OpenForWriting(Path("part.bin"), kShareExclusiveFlag, 4));
  ASSERT_TRUE(file.Write("AB", 2));
  file.Close();
  EXPECT_EQ(Content("part.bin"), "0123AB");
}

TEST_F(LocalFileTest, ResumedDownloadNeedsAnExistingFile) {
  LocalFile file;
  EXPECT_FALSE(file.OpenForWriting(Path("missing.bin"), kShareExclusiveFlag, 100));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(fs::exists(Path("missing.bin")));
}

TEST_F(LocalFileTest, LockedFileIsRefusedAndLeftIntact) {
  Put("busy.bin", "precious");
  LocalFile holder;
  ASSERT_TRUE(holder.OpenForReading(Path("busy.bin"), kShareExclusiveFlag, 0));
  LocalFile second;
  EXPECT_FALSE(second.OpenForWriting(Path("busy.bin"), kShareExclusiveFlag, 0));
  EXPECT_EQ(Content("busy.bin"), "precious");
  holder.Close();
  EXPECT_TRUE(second.OpenForWriting(Path("busy.bin"), kShareExclusiveFlag, 0));
}

TEST_F(LocalFileTest, DenyNoneTakesNoLock) {
  Put("shared.bin", "data");
  LocalFile first;
  LocalFile second;
  ASSERT_TRUE(first.OpenForWriting(Path("shared.bin"), kShareDenyNoneFlag, 0));
  EXPECT_TRUE(second.OpenForWriting(Path("shared.bin"), kShareCompatFlag, 0));
}

TEST_F(LocalFileTest, DenyWriteReadersShareButKeepWritersOut) {
  Put("read.bin", "data");
  LocalFile reader1;
  LocalFile reader2;
  LocalFile writer;
  ASSERT_TRUE(reader1.OpenForReading(Path("read.bin"), kShareDenyWriteFlag, 0));
  EXPECT_TRUE(reader2.OpenForReading(Path("read.bin"), kShareDenyWriteFlag, 0));
  EXPECT_FALSE(writer.OpenForWriting(Path("read.bin"), kShareDenyWriteFlag, 0));
  EXPECT_EQ(Content("read.bin"), "data");
}

TEST_F(LocalFileTest, UploadReadsFromTheOffsetToTheEnd) {
  Put("up.bin", "0123456789");
  LocalFile file;
  ASSERT_TRUE(file.OpenForReading(Path("up.bin"), kShareExclusiveFlag, 6));
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file.Read(buffer, sizeof buffer), 0);
}

TEST_F(LocalFileTest, UploadRefusesMissingFilesAndFolders) {
  LocalFile file;
  EXPECT_FALSE(file.OpenForReading(Path("missing.bin"), kShareExclusiveFlag, 0));
  EXPECT_FALSE(file.OpenForReading(folder_.string(), kShareExclusiveFlag, 0));
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(LocalFileTest, FullDiskMakesWriteFail) {
  LocalFile file;
  ASSERT_TRUE(file.OpenForWriting("/dev/full", kShareDenyNoneFlag, 0));
  EXPECT_FALSE(file.Write("x", 1));
}

TEST_F(LocalFileTest, FifoWithoutReaderFailsInsteadOfHanging) {
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  LocalFile file;
  EXPECT_FALSE(file.OpenForWriting(Path("pipe"), kShareDenyNoneFlag, 0));
  EXPECT_FALSE(file.OpenForReading(Path("pipe"), kShareDenyNoneFlag, 0));
}

TEST_F(LocalFileTest, ClosedFileNeitherReadsNorWrites) {
  LocalFile file;
  char buffer[4];
  EXPECT_FALSE(file.Write("x", 1));
  EXPECT_EQ(file.Read(buffer, sizeof buffer), -1);
}

TEST_F(LocalFileTest, SizeOfRegularFilesOnly) {
  Put("sized.bin", std::string(1234, 'z'));
  EXPECT_EQ(LocalFile::SizeOf(Path("sized.bin")), 1234);
  EXPECT_EQ(LocalFile::SizeOf(Path("missing.bin")), -1);
  EXPECT_EQ(LocalFile::SizeOf(folder_.string()), -1);
}

TEST_F(LocalFileTest, SizeBeyondTwoGibibytesIsNotTruncated) {
  const std::int64_t size = (std::int64_t{5} << 30) + 7;
  LocalFile file;
  ASSERT_TRUE(file.OpenForWriting(Path("sparse.bin"), kShareExclusiveFlag, 0));
  file.Close();
  fs::resize_file(Path("sparse.bin"), static_cast<std::uintmax_t>(size));
  EXPECT_EQ(LocalFile::SizeOf(Path("sparse.bin")), size);
  ASSERT_TRUE(file.OpenForWriting(Path("sparse.bin"), kShareExclusiveFlag, size - 3));
  ASSERT_TRUE(file.Write("end", 3));
  file.Close();
  EXPECT_EQ(LocalFile::SizeOf(Path("sparse.bin")), size);
}

}  // namespace
}  // namespace varnel::ftp
