// Local files that fail or change while a transfer moves them, against the
// scripted server: a download target that runs out of room part of the way
// and an upload source that grows or shrinks under the upload. Either ends
// with a clear error or with the bytes that were there, never by waiting.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>

#include "ftp/support/fake_ftp_server.h"
#include "ftp/support/fake_session.h"
#include "ftp/support/ftp_probe.h"
#include "ftp/support/real_session.h"
#include "runtime/test_temp_folder.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::ReadBytes;
using varnel::testing::WriteBytes;

// Lowers the process's file size limit for a scope: a write past it fails
// (EFBIG, with SIGXFSZ ignored meanwhile) as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

struct FullDiskCase {
  const char* name;
  bool device;  // /dev/full: takes no spliced pages, every write fails
};

class FakeFullDisk : public FakeTransfer, public ::testing::WithParamInterface<FullDiskCase> {};

// The download moves into the file inside the kernel; a target that fails
// part of the way must end the request with the write error, never as a
// success and never by waiting for more.
TEST_P(FakeFullDisk, DownloadFailsWithTheWriteError) {
  constexpr rlim_t kLimit = 16 * 1024;
  FakeFtpScript script = LoginScript();
  script.ExpectPasv()
      .Expect("RETR data.bin")
      .OpenData()
      .Reply("150 Opening\r\n")
      .SendData(std::string(256 * 1024, 'x'))
      .CloseData()
      .Reply("226 Transfer complete\r\n");
  FakeFtpServer server(script);
  LogIn(server);
  const std::string local = GetParam().device ? "/dev/full" : folder.File("data.bin");
  ftp.SetHostFileName("data.bin");
  ftp.SetLocalFileName(local);
  Completion done{};
  {
    FileSizeLimit limit(GetParam().device ? RLIM_INFINITY : kLimit);
    done = RunOnce(&TCustomFtpCli::GetAsync);
  }
  EXPECT_EQ(done, (Completion{ftpGetAsync, 426})) << probe.Log();
  EXPECT_TRUE(probe.Displayed("! Error writing local file")) << probe.Log();
  EXPECT_EQ(ftp.ErrorMessage(), "426 Error writing local file " + local);
  if (!GetParam().device) {
    EXPECT_EQ(ReadBytes(local), std::string(kLimit, 'x'));
  }
  EXPECT_TRUE(ftp.Connected());
}

INSTANTIATE_TEST_SUITE_P(Targets, FakeFullDisk,
                         ::testing::Values(FullDiskCase{"DeviceWithoutSpace", true},
                                           FullDiskCase{"FileOverTheSizeLimit", false}),
                         [](const ::testing::TestParamInfo<FullDiskCase>& c) {
                           return std::string(c.param.name);
                         });

// ---- an upload whose file changes

constexpr std::size_t kMiB = 1024 * 1024;

struct ChangeCase {
  const char* name;
  // Changes the file of `size` bytes holding `original`; the bytes the
  // server must then receive, given the count sent before the change.
  std::string (*change)(const std::string& path, const std::string& original,
                        std::size_t sent);
};

class FakeChangingUpload : public FakeTransfer, public ::testing::WithParamInterface<ChangeCase> {};

// The file changes after the first block has gone: the upload ends normally
// with what the file holds from then on.
TEST_P(FakeChangingUpload, SendsTheBytesThatWereThere) {
  FakeFtpScript script = LoginScript();
  AcceptUpload(script.ExpectPasv(), "STOR up.bin");
  FakeFtpServer server(script);
  LogIn(server);
  const std::string path = folder.File("up.bin");
  const std::string original = RandomBytes(4 * kMiB, 9);
  WriteBytes(path, original);
  ftp.SetHostFileName("up.bin");
  ftp.SetLocalFileName(path);
  std::string expected;
  int calls = 0;
  probe.on_progress = [&](std::int64_t count, bool&) {
    if (++calls == 2) expected = GetParam().change(path, original, static_cast<std::size_t>(count));
  };
  EXPECT_EQ(RunOnce(&TCustomFtpCli::PutAsync), (Completion{ftpPutAsync, 0})) << probe.Log();
  ASSERT_TRUE(server.WaitFinished());
  ASSERT_EQ(server.Uploads().size(), 1u);
  EXPECT_EQ(server.Uploads().front().size(), expected.size());
  EXPECT_TRUE(server.Uploads().front() == expected) << "the server received other bytes";
  EXPECT_EQ(ftp.ByteCount(), static_cast<std::int64_t>(expected.size()));
  EXPECT_EQ(server.Failures(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Changes, FakeChangingUpload,
    ::testing::Values(
        ChangeCase{"ShrinksToNothing",
                   [](const std::string& path, const std::string& original, std::size_t sent) {
                     EXPECT_EQ(::truncate(path.c_str(), 0), 0);
                     return original.substr(0, sent);
                   }},
        ChangeCase{"ShrinksAheadOfTheUpload",
                   [](const std::string& path, const std::string& original, std::size_t) {
                     EXPECT_EQ(::truncate(path.c_str(), 3 * kMiB), 0);
                     return original.substr(0, 3 * kMiB);
                   }},
        ChangeCase{"Grows",
                   [](const std::string& path, const std::string& original, std::size_t) {
                     const std::string more = RandomBytes(kMiB + 5, 10);
                     std::ofstream(path, std::ios::binary | std::ios::app) << more;
                     return original + more;
                   }}),
    [](const ::testing::TestParamInfo<ChangeCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace varnel::ftp::testing
