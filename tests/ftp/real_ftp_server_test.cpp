// The real-server fixtures themselves: each server starts on a free
// loopback port, lets only its user in, lets that user write in the work
// folder, and leaves neither a process nor a folder behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "ftp/support/plain_client.h"
#include "servers/real_ftp_server.h"

namespace varnel::testing {
namespace {

using varnel::ftp::testing::PlainClient;

class RealFtpServerTest : public ::testing::TestWithParam<FtpServerKind> {};

// Logs in and makes a folder with plain commands.
void LoginAndMakeFolder(const RealFtpServer& server, const std::string& name) {
  PlainClient client(server.Port());
  ASSERT_TRUE(client.Connected());
  EXPECT_EQ(client.ReadReply().substr(0, 4), "220 ");
  client.Send("USER " + server.User() + "\r\n");
  std::string reply = client.ReadReply();
  if (reply.rfind("331 ", 0) == 0) {
    client.Send("PASS " + server.Password() + "\r\n");
    reply = client.ReadReply();
  }
  EXPECT_EQ(reply.substr(0, 4), "230 ") << reply;
  client.Send("MKD " + server.WorkDir() + "/" + name + "\r\n");
  reply = client.ReadReply();
  EXPECT_EQ(reply.substr(0, 4), "257 ") << reply;
  client.Send("QUIT\r\n");
  EXPECT_EQ(client.ReadReply().substr(0, 4), "221 ");
}

// The servers listen where every local user can reach them: only the
// password of this server logs in.
TEST_P(RealFtpServerTest, RefusesAnyOtherPassword) {
  RealFtpServer server(GetParam());
  PlainClient client(server.Port());
  ASSERT_TRUE(client.Connected());
  EXPECT_EQ(client.ReadReply().substr(0, 4), "220 ");
  client.Send("USER " + server.User() + "\r\n");
  EXPECT_EQ(client.ReadReply().substr(0, 4), "331 ");
  client.Send("PASS guest@\r\n");
  EXPECT_EQ(client.ReadReply().substr(0, 4), "530 ");
}

TEST_P(RealFtpServerTest, ServesTheWorkFolderThenLeavesNothingBehind) {
  auto server = std::make_unique<RealFtpServer>(GetParam());
  LoginAndMakeFolder(*server, "made-here");
  EXPECT_TRUE(std::filesystem::is_directory(server->LocalPath("made-here")));
  const std::string work = server->LocalPath("");
  const unsigned port = server->Port();
  server.reset();
  EXPECT_FALSE(std::filesystem::exists(work));
  PlainClient late(port);
  EXPECT_FALSE(late.Connected());
}

TEST_P(RealFtpServerTest, TwoServersRunSideBySide) {
  RealFtpServer first(GetParam());
  RealFtpServer second(GetParam());
  EXPECT_NE(first.Port(), second.Port());
  LoginAndMakeFolder(first, "one");
  LoginAndMakeFolder(second, "two");
  EXPECT_TRUE(std::filesystem::is_directory(first.LocalPath("one")));
  EXPECT_FALSE(std::filesystem::exists(first.LocalPath("two")));
}

INSTANTIATE_TEST_SUITE_P(Servers, RealFtpServerTest,
                         ::testing::Values(FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd),
                         [](const ::testing::TestParamInfo<FtpServerKind>& kind) {
                           return std::string(FtpServerName(kind.param));
                         });

}  // namespace
}  // namespace varnel::testing
