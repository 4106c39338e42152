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

// Whether a second opener (with the same flag) may use a file the first
// one holds open, by the share flag and who writes.
struct SharingCase {
  const char* name;
  int flag;
  bool first_writes;
  bool second_writes;
  bool second_opens;
};

class Sharing : public LocalFileTest, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(Sharing, FollowsTheShareFlag) {
  const SharingCase& c = GetParam();
  Put("shared.bin", "data");
  const auto open = [&](LocalFile& file, bool writing) {
    return writing ? file.OpenForWriting(Path("shared.bin"), c.flag, 4)
                   : file.OpenForReading(Path("shared.bin"), c.flag, 0);
  };
  LocalFile first;
  LocalFile second;
  ASSERT_TRUE(open(first, c.first_writes));
  EXPECT_EQ(open(second, c.second_writes), c.second_opens);
  EXPECT_EQ(Content("shared.bin"), "data");
}

INSTANTIATE_TEST_SUITE_P(
    Flags, Sharing,
    ::testing::Values(SharingCase{"CompatWriters", kShareCompatFlag, true, true, true},
                      SharingCase{"DenyNoneWriters", kShareDenyNoneFlag, true, true, true},
                      SharingCase{"ExclusiveReaders", kShareExclusiveFlag, false, false, false},
                      SharingCase{"DenyWriteReaders", kShareDenyWriteFlag, false, false, true},
                      SharingCase{"DenyWriteReaderThenWriter", kShareDenyWriteFlag, false, true,
                                  false},
                      SharingCase{"DenyWriteWriterThenReader", kShareDenyWriteFlag, true, false,
                                  false},
                      SharingCase{"DenyReadReaders", kShareDenyReadFlag, false, false, false},
                      SharingCase{"UnknownFlagReaders", 7, false, false, false}),
    [](const ::testing::TestParamInfo<SharingCase>& row) { return std::string(row.param.name); });

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
