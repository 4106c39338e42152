// Transfers against pyftpdlib and vsftpd in active and passive mode: files
// of 0 bytes, 1 byte and a few MiB compared byte for byte both ways,
// appending, resuming in both directions, and listings into a file and into
// the display.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ftp/support/real_session.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::WriteBytes;

class ServerTransfers : public ::testing::TestWithParam<ServerMode> {
 protected:
  void SetUp() override {
    session = std::make_unique<RealSession>(GetParam().kind, GetParam().passive);
    session->LogIn();
  }
  TFtpClient& Ftp() { return session->ftp; }
  std::string Local(const std::string& name) const { return session->folder.File(name); }
  std::string Remote(const std::string& name) const { return session->server.LocalPath(name); }
  ::testing::AssertionResult Succeeds(void (TCustomFtpCli::*request)(), TFtpRequest code) {
    return session->Succeeds(request, code);
  }
  void Transfer(const std::string& remote, const std::string& local) {
    Ftp().SetHostFileName(remote);
    Ftp().SetLocalFileName(local);
  }

  std::unique_ptr<RealSession> session;
};

TEST_P(ServerTransfers, RoundTripsFilesByteForByte) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{3 * 1024 * 1024 + 17}}) {
    SCOPED_TRACE("size " + std::to_string(size));
    const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
    const std::string name = "file" + std::to_string(size) + ".bin";
    WriteBytes(Local(name), bytes);
    Transfer(name, Local(name));
    ASSERT_TRUE(Succeeds(&TCustomFtpCli::PutAsync, ftpPutAsync));
    EXPECT_TRUE(ReadFile(Remote(name)) == bytes) << "upload differs";
    EXPECT_EQ(Ftp().ByteCount(), static_cast<std::int64_t>(size));

    Transfer(name, Local("back-" + name));
    ASSERT_TRUE(Succeeds(&TCustomFtpCli::GetAsync, ftpGetAsync));
    EXPECT_TRUE(ReadFile(Local("back-" + name)) == bytes) << "download differs";
    EXPECT_EQ(Ftp().ByteCount(), static_cast<std::int64_t>(size));
    EXPECT_TRUE(session->probe.DisplayedPrefix("! " + std::to_string(size) +
                                               " bytes received/sent in "));
  }
}

TEST_P(ServerTransfers, DownloadReplacesAnOlderLocalCopy) {
  WriteBytes(Remote("short.bin"), "new");
  WriteBytes(Local("short.bin"), "a much longer older copy");
  Transfer("short.bin", Local("short.bin"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::GetAsync, ftpGetAsync));
  EXPECT_EQ(ReadFile(Local("short.bin")), "new");
}

TEST_P(ServerTransfers, AppendsToARemoteFile) {
  WriteBytes(Local("first.txt"), "hello ");
  WriteBytes(Local("second.txt"), "world");
  Transfer("greeting.txt", Local("first.txt"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::PutAsync, ftpPutAsync));
  Transfer("greeting.txt", Local("second.txt"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::AppendAsync, ftpAppendAsync));
  EXPECT_EQ(ReadFile(Remote("greeting.txt")), "hello world");
}

TEST_P(ServerTransfers, ResumesADownload) {
  const std::string bytes = RandomBytes(100000, 3);
  WriteBytes(Remote("resume.bin"), bytes);
  WriteBytes(Local("resume.bin"), bytes.substr(0, 40000));
  Transfer("resume.bin", Local("resume.bin"));
  session->probe.progress.clear();
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::RestGetAsync, ftpRestGetAsync));
  EXPECT_TRUE(session->probe.Displayed("> REST 40000"));
  // Progress counts the whole file, the resumed part included.
  ASSERT_FALSE(session->probe.progress.empty());
  EXPECT_GE(session->probe.progress.front(), 40000);
  EXPECT_LE(session->probe.progress.back(), 100000);
  EXPECT_EQ(Ftp().ByteCount(), 60000);
  EXPECT_TRUE(ReadFile(Local("resume.bin")) == bytes);

  // Without a local copy there is nothing to resume: no REST, whole file.
  session->probe.display.clear();
  Transfer("resume.bin", Local("fresh.bin"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::RestGetAsync, ftpRestGetAsync));
  EXPECT_FALSE(session->probe.DisplayedPrefix("> REST"));
  EXPECT_TRUE(ReadFile(Local("fresh.bin")) == bytes);
}

TEST_P(ServerTransfers, ResumesAnUpload) {
  const std::string bytes = RandomBytes(100000, 4);
  WriteBytes(Local("part.bin"), bytes.substr(0, 30000));
  WriteBytes(Local("whole.bin"), bytes);
  Transfer("up.bin", Local("part.bin"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::PutAsync, ftpPutAsync));

  Transfer("up.bin", Local("whole.bin"));
  Ftp().SetResumeAt(30000);
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::RestPutAsync, ftpPutAsync));
  EXPECT_TRUE(session->probe.Displayed("> REST 30000"));
  EXPECT_EQ(Ftp().ByteCount(), 70000);
  EXPECT_TRUE(ReadFile(Remote("up.bin")) == bytes);
}

TEST_P(ServerTransfers, TransfersTheServerRefusesEndWithItsCode) {
  Transfer("no-such-file.bin", Local("missing.bin"));
  Completion get = session->probe.Run(&TCustomFtpCli::GetAsync);
  EXPECT_EQ(get.type, ftpGetAsync);
  EXPECT_EQ(get.error, 550);
  EXPECT_EQ(Ftp().ErrorMessage().rfind("550 ", 0), 0u) << Ftp().ErrorMessage();
  EXPECT_TRUE(Ftp().Connected());

  WriteBytes(Local("up.bin"), "data");
  Transfer("no-such-folder/up.bin", Local("up.bin"));
  Completion put = session->probe.Run(&TCustomFtpCli::PutAsync);
  EXPECT_EQ(put.type, ftpPutAsync);
  EXPECT_GE(put.error, 500);
  EXPECT_TRUE(Ftp().Connected());

  // The session goes on normally afterwards.
  Transfer("after.bin", Local("up.bin"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::PutAsync, ftpPutAsync));
  EXPECT_EQ(ReadFile(Remote("after.bin")), "data");
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST_P(ServerTransfers, ListsIntoAFileAndIntoTheDisplay) {
  WriteBytes(Remote("alpha.txt"), "a");
  WriteBytes(Remote("beta.txt"), "bb");
  using Names = std::vector<std::string>;

  Transfer("", Local("FTPDIR.TXT"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::DirAsync, ftpDirAsync));
  std::vector<std::string> long_lines = SortedLines(ReadFile(Local("FTPDIR.TXT")));
  ASSERT_EQ(long_lines.size(), 2u) << ReadFile(Local("FTPDIR.TXT"));
  EXPECT_TRUE(session->probe.Displayed("> LIST"));

  Transfer("", Local("names.txt"));
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::LsAsync, ftpLsAsync));
  EXPECT_EQ(SortedLines(ReadFile(Local("names.txt"))), (Names{"alpha.txt", "beta.txt"}));

  Ftp().SetDisplayFileFlag(true);
  Transfer("", "");
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::LsAsync, ftpLsAsync));
  Names shown = session->probe.display_file;
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (Names{"alpha.txt", "beta.txt"}));

  session->probe.display_file.clear();
  Transfer("beta.txt", "");
  ASSERT_TRUE(Succeeds(&TCustomFtpCli::DirAsync, ftpDirAsync));
  EXPECT_TRUE(session->probe.Displayed("> LIST beta.txt"));
  ASSERT_EQ(session->probe.display_file.size(), 1u);
  const auto beta_line = std::find_if(long_lines.begin(), long_lines.end(), [](const auto& l) {
    return l.find("beta.txt") != std::string::npos;
  });
  ASSERT_NE(beta_line, long_lines.end());
  EXPECT_EQ(session->probe.display_file.front(), *beta_line);
}

INSTANTIATE_TEST_SUITE_P(
    ServersAndModes, ServerTransfers,
    ::testing::Values(ServerMode{FtpServerKind::kPyftpdlib, true},
                      ServerMode{FtpServerKind::kPyftpdlib, false},
                      ServerMode{FtpServerKind::kVsftpd, true},
                      ServerMode{FtpServerKind::kVsftpd, false}),
    ServerModeName);

}  // namespace
}  // namespace varnel::ftp::testing
