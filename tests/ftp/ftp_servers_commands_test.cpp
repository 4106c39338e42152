// Single commands and whole sequences against pyftpdlib and vsftpd: folder
// navigation, making, renaming and removing, sizes, SYST, raw commands, and
// the sequences that open and quit a connection of their own.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "ftp/support/real_session.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::WriteBytes;
namespace fs = std::filesystem;

class ServerCommands : public ::testing::TestWithParam<FtpServerKind> {
 protected:
  void SetUp() override {
    session = std::make_unique<RealSession>(GetParam(), true);
    session->LogIn();
  }
  TFtpClient& Ftp() { return session->ftp; }
  Completion Run(void (TCustomFtpCli::*request)()) { return session->probe.Run(request); }

  std::unique_ptr<RealSession> session;
};

TEST_P(ServerCommands, NavigatesFolders) {
  const std::string work = session->server.WorkDir();
  EXPECT_EQ(Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0}));
  EXPECT_EQ(Ftp().DirResult(), work);
  EXPECT_EQ(Run(&TCustomFtpCli::CDupAsync), (Completion{ftpCDupAsync, 0}));
  EXPECT_EQ(Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0}));
  EXPECT_EQ(Ftp().DirResult(), fs::path(work).parent_path().string());
  Ftp().SetHostDirName(RealFtpServer::kWorkFolder);
  EXPECT_EQ(Run(&TCustomFtpCli::CwdAsync), (Completion{ftpCwdAsync, 0}));
  EXPECT_EQ(Run(&TCustomFtpCli::PwdAsync), (Completion{ftpPwdAsync, 0}));
  EXPECT_EQ(Ftp().DirResult(), work);
  EXPECT_EQ(Ftp().StatusCode(), 257);

  Ftp().SetHostDirName("no-such-folder");
  EXPECT_EQ(Run(&TCustomFtpCli::CwdAsync), (Completion{ftpCwdAsync, 550}));
  EXPECT_EQ(Ftp().ErrorMessage().rfind("550 ", 0), 0u) << Ftp().ErrorMessage();
  EXPECT_EQ(Ftp().DirResult(), work) << "a failed CWD leaves the folder name alone";
}

TEST_P(ServerCommands, MakesRenamesAndRemovesFolders) {
  Ftp().SetHostFileName("made");
  EXPECT_EQ(Run(&TCustomFtpCli::MkdAsync), (Completion{ftpMkdAsync, 0}));
  EXPECT_EQ(Ftp().DirResult(), session->server.WorkDir() + "/made");
  EXPECT_TRUE(fs::is_directory(session->server.LocalPath("made")));

  Ftp().SetHostFileName("made");
  Ftp().SetLocalFileName("renamed");
  EXPECT_EQ(Run(&TCustomFtpCli::RenAsync), (Completion{ftpRenAsync, 0}));
  EXPECT_TRUE(fs::is_directory(session->server.LocalPath("renamed")));
  EXPECT_FALSE(fs::exists(session->server.LocalPath("made")));

  Ftp().SetHostFileName("renamed");
  EXPECT_EQ(Run(&TCustomFtpCli::RmdAsync), (Completion{ftpRmdAsync, 0}));
  EXPECT_FALSE(fs::exists(session->server.LocalPath("renamed")));
  EXPECT_EQ(Run(&TCustomFtpCli::RmdAsync), (Completion{ftpRmdAsync, 550}));
}

TEST_P(ServerCommands, SizesRenamesAndDeletesFiles) {
  WriteBytes(session->server.LocalPath("file.bin"), std::string(1234, 'f'));
  Ftp().SetHostFileName("file.bin");
  EXPECT_EQ(Run(&TCustomFtpCli::SizeAsync), (Completion{ftpSizeAsync, 0}));
  EXPECT_EQ(Ftp().SizeResult(), 1234);

  EXPECT_EQ(Run(&TCustomFtpCli::RenFromAsync), (Completion{ftpRenFromAsync, 0}));
  EXPECT_EQ(Ftp().StatusCode(), 350);
  Ftp().SetLocalFileName("moved.bin");
  EXPECT_EQ(Run(&TCustomFtpCli::RenToAsync), (Completion{ftpRenToAsync, 0}));
  EXPECT_EQ(ReadFile(session->server.LocalPath("moved.bin")), std::string(1234, 'f'));

  Ftp().SetHostFileName("file.bin");
  EXPECT_EQ(Run(&TCustomFtpCli::SizeAsync), (Completion{ftpSizeAsync, 550}));
  EXPECT_EQ(Ftp().SizeResult(), 0);

  Ftp().SetHostFileName("moved.bin");
  EXPECT_EQ(Run(&TCustomFtpCli::DeleAsync), (Completion{ftpDeleAsync, 0}));
  EXPECT_FALSE(fs::exists(session->server.LocalPath("moved.bin")));
  EXPECT_EQ(Run(&TCustomFtpCli::DeleAsync), (Completion{ftpDeleAsync, 550}));
}

TEST_P(ServerCommands, SystAndRawCommands) {
  EXPECT_EQ(Run(&TCustomFtpCli::SystAsync), (Completion{ftpSystAsync, 0}));
  EXPECT_EQ(Ftp().LastResponse().rfind("215 UNIX", 0), 0u) << Ftp().LastResponse();

  Ftp().SetLocalFileName("NOOP");
  EXPECT_EQ(Run(&TCustomFtpCli::QuoteAsync), (Completion{ftpQuoteAsync, 0}));
  EXPECT_EQ(Ftp().StatusCode(), 200);

  Ftp().SetLocalFileName("STAT");
  EXPECT_EQ(Run(&TCustomFtpCli::QuoteAsync), (Completion{ftpQuoteAsync, 0}));
  EXPECT_EQ(Ftp().StatusCode(), 211);

  Ftp().SetLocalFileName("XYZZY plugh");
  Completion unknown = Run(&TCustomFtpCli::QuoteAsync);
  EXPECT_EQ(unknown.type, ftpQuoteAsync);
  EXPECT_GE(unknown.error, 500);
  EXPECT_EQ(Ftp().StatusCode(), unknown.error);
  EXPECT_TRUE(Ftp().Connected());
}

TEST_P(ServerCommands, QuitClosesTheSession) {
  EXPECT_EQ(Run(&TCustomFtpCli::QuitAsync), (Completion{ftpQuitAsync, 0}));
  EXPECT_EQ(Ftp().StatusCode(), 221);
  EXPECT_FALSE(Ftp().Connected());
  EXPECT_EQ(session->probe.closed.size(), 1u);
}

// Sequences that connect, log in, work and quit on a fresh engine.
TEST_P(ServerCommands, SequencesOpenWorkAndQuit) {
  const std::string content = RandomBytes(5000, 7);
  WriteBytes(session->server.LocalPath("seq.bin"), content);
  TFtpClient fresh;
  FtpProbe probe(fresh);
  session->PointAt(fresh);
  fresh.SetPassive(true);
  fresh.SetHostDirName(session->server.WorkDir());

  fresh.SetHostFileName("seqdir");
  EXPECT_EQ(probe.Run(&TCustomFtpCli::MkdirAsync), (Completion{ftpMkdirAsync, 0}));
  EXPECT_TRUE(fs::is_directory(session->server.LocalPath("seqdir")));
  EXPECT_EQ(fresh.StatusCode(), 257) << "the reply of the last real step, not QUIT's";
  EXPECT_FALSE(fresh.Connected());

  fresh.SetHostFileName("seq.bin");
  fresh.SetLocalFileName(session->folder.File("seq.bin"));
  EXPECT_EQ(probe.Run(&TCustomFtpCli::ReceiveAsync), (Completion{ftpReceiveAsync, 0}));
  EXPECT_EQ(ReadFile(session->folder.File("seq.bin")), content);
  EXPECT_FALSE(fresh.Connected());

  fresh.SetHostFileName("sent.bin");
  EXPECT_EQ(probe.Run(&TCustomFtpCli::TransmitAsync), (Completion{ftpPutAsync, 0}));
  EXPECT_EQ(ReadFile(session->server.LocalPath("sent.bin")), content);

  fresh.SetHostFileName("");
  fresh.SetLocalFileName(session->folder.File("FTPDIR.TXT"));
  EXPECT_EQ(probe.Run(&TCustomFtpCli::DirectoryAsync), (Completion{ftpDirectoryAsync, 0}));
  EXPECT_TRUE(fresh.StatusCode() == 226 || fresh.StatusCode() == 250) << fresh.LastResponse();
  std::string listing = ReadFile(session->folder.File("FTPDIR.TXT"));
  EXPECT_NE(listing.find("seq.bin"), std::string::npos) << listing;
  EXPECT_NE(listing.find("sent.bin"), std::string::npos) << listing;
  EXPECT_FALSE(fresh.Connected());
  EXPECT_EQ(probe.closed.size(), 4u);

  // A step that fails ends the sequence there: no QUIT, still connected.
  fresh.SetHostDirName("/no-such-folder");
  fresh.SetHostFileName("never.bin");
  fresh.SetLocalFileName(session->folder.File("seq.bin"));
  probe.display.clear();
  EXPECT_EQ(probe.Run(&TCustomFtpCli::TransmitAsync), (Completion{ftpTransmitAsync, 550}));
  EXPECT_EQ(fresh.ErrorMessage().rfind("550 ", 0), 0u) << fresh.ErrorMessage();
  EXPECT_TRUE(fresh.Connected());
  EXPECT_TRUE(probe.Displayed("> CWD /no-such-folder"));
  EXPECT_FALSE(probe.Displayed("> TYPE I"));
  EXPECT_FALSE(probe.Displayed("> QUIT"));
}

INSTANTIATE_TEST_SUITE_P(Servers, ServerCommands,
                         ::testing::Values(FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd),
                         ServerName);

}  // namespace
}  // namespace varnel::ftp::testing
