// varnel-ftp end to end, in-process, against pyftpdlib and vsftpd started
// on 127.0.0.1 for each test.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "cli/cli_run_support.h"
#include "runtime/test_temp_folder.h"
#include "servers/real_ftp_server.h"

namespace varnel::cli {
namespace {

using varnel::testing::FtpServerKind;
using varnel::testing::FtpServerName;
using varnel::testing::ReadBytes;
using varnel::testing::RealFtpServer;
using varnel::testing::TempFolder;
using varnel::testing::WriteBytes;
using testing::CliRun;
using testing::Lines;
using testing::RunVarnel;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xff);
  return bytes;
}

std::string UrlOf(const RealFtpServer& server, bool with_password = true) {
  std::string user = server.User();
  if (with_password && !server.Password().empty()) user += ":" + server.Password();
  return "ftp://" + user + "@127.0.0.1:" + server.PortText() + "/" +
         RealFtpServer::kWorkFolder + "/";
}

struct ServerMode {
  FtpServerKind kind;
  bool passive;
};

class RoundTrip : public ::testing::TestWithParam<ServerMode> {};

TEST_P(RoundTrip, PutThenGetGivesTheSameBytes) {
  RealFtpServer server(GetParam().kind);
  TempFolder folder;
  const std::string bytes = RandomBytes(1500000, 7);
  WriteBytes(folder.File("up.bin"), bytes);
  std::vector<std::string> mode;
  if (!GetParam().passive) mode.push_back("--active");
  const auto run = [&](std::vector<std::string> words) {
    words.insert(words.begin(), UrlOf(server));
    words.insert(words.begin(), mode.begin(), mode.end());
    return RunVarnel(words);
  };
  CliRun put = run({"put", folder.File("up.bin"), "remote.bin"});
  ASSERT_EQ(put.status, 0) << put.err;
  EXPECT_EQ(ReadBytes(server.LocalPath("remote.bin")), bytes);
  CliRun get = run({"get", "remote.bin", folder.File("down.bin")});
  ASSERT_EQ(get.status, 0) << get.err;
  EXPECT_EQ(ReadBytes(folder.File("down.bin")), bytes);
  CliRun piped = run({"-o", "-", "get", "remote.bin"});
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(piped.out == bytes) << "standard output got " << piped.out.size() << " bytes";
  EXPECT_EQ(piped.err, "");
}

INSTANTIATE_TEST_SUITE_P(Servers, RoundTrip,
                         ::testing::Values(ServerMode{FtpServerKind::kPyftpdlib, true},
                                           ServerMode{FtpServerKind::kPyftpdlib, false},
                                           ServerMode{FtpServerKind::kVsftpd, true},
                                           ServerMode{FtpServerKind::kVsftpd, false}),
                         [](const ::testing::TestParamInfo<ServerMode>& param_info) {
                           return std::string(FtpServerName(param_info.param.kind)) +
                                  (param_info.param.passive ? "Passive" : "Active");
                         });

class Pyftpd : public ::testing::Test {
 protected:
  RealFtpServer server{FtpServerKind::kPyftpdlib};
  TempFolder folder;
};

TEST_F(Pyftpd, LsJsonGivesOneObjectPerEntryAndTheResult) {
  WriteBytes(server.LocalPath("b \"quoted\".txt"), std::string(3000, 'b'));
  std::filesystem::create_directory(server.LocalPath("sub"));
  CliRun ls = RunVarnel({"--json", UrlOf(server), "ls"});
  ASSERT_EQ(ls.status, 0) << ls.err;
  const std::vector<std::string> lines = Lines(ls.out);
  ASSERT_EQ(lines.size(), 3u) << ls.out;
  EXPECT_NE(lines[0].find("\"name\":\"b \\\"quoted\\\".txt\",\"folder\":false,\"size\":\"3 KB\""),
            std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find("\"name\":\"sub\",\"folder\":true"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].rfind("{\"command\":\"ls\",\"result\":\"ok\",\"error\":0", 0), 0u)
      << lines[2];
}

TEST_F(Pyftpd, AFailingGetEndsWithStatusFourAndKeepsTheLocalFile) {
  const std::string local = folder.File("missing.txt");
  WriteBytes(local, "mine");
  CliRun get = RunVarnel({"--json", UrlOf(server), "get", "missing.txt", local});
  EXPECT_EQ(get.status, 4);
  EXPECT_EQ(get.err, "varnel-ftp: get \"missing.txt\" \"" + local +
                         "\": the server refused RETR (550 No such file or directory.)\n");
  EXPECT_NE(get.out.find("\"result\":\"error\",\"error\":550"), std::string::npos) << get.out;
  EXPECT_EQ(ReadBytes(local), "mine");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(Pyftpd, LoginFailuresEndWithStatusThree) {
  const std::string wrong = "ftp://" + server.User() + ":wrong@127.0.0.1:" + server.PortText();
  CliRun login = RunVarnel({wrong, "pwd"});
  EXPECT_EQ(login.status, 3);
  EXPECT_EQ(login.err, "varnel-ftp: login refused (530 Authentication failed.)\n");
  // The password may come from the environment.
  CliRun env = RunVarnel({UrlOf(server, false), "pwd"}, "", server.Password().c_str());
  EXPECT_EQ(env.status, 0) << env.err;
  EXPECT_EQ(env.out, "/pub\n");
}

TEST_F(Pyftpd, VerboseLogShowsTheDialogueWithoutThePassword) {
  CliRun run = RunVarnel({"-v", UrlOf(server), "quote", "PASS", server.Password()});
  EXPECT_NE(run.err.find("> USER " + server.User()), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("> PASS ****"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(server.Password()), std::string::npos) << run.err;
}

TEST_F(Pyftpd, CommandsFromStandardInputStopAtTheFirstFailure) {
  WriteBytes(folder.File("f.txt"), "12345");
  const std::string script = "mkdir d\ncd d\n# a comment\n\nput " + folder.File("f.txt") +
                             " 'the file'\nsize \"the file\"\nrm nothing\npwd\n";
  CliRun run = RunVarnel({"--json", UrlOf(server), "-"}, script);
  EXPECT_EQ(run.status, 4);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u) << run.out;
  EXPECT_NE(lines[3].find("\"command\":\"size\",\"result\":\"ok\""), std::string::npos);
  EXPECT_NE(lines[3].find("\"output\":\"5\""), std::string::npos) << lines[3];
  EXPECT_NE(lines[4].find("\"command\":\"rm\",\"result\":\"error\",\"error\":550"),
            std::string::npos);
  EXPECT_EQ(ReadBytes(server.LocalPath("d/the file")), "12345");
}

TEST_F(Pyftpd, ResumeContinuesBothDirections) {
  const std::string bytes = RandomBytes(400000, 11);
  WriteBytes(server.LocalPath("whole.bin"), bytes);
  WriteBytes(folder.File("whole.bin"), bytes.substr(0, 150000));
  CliRun get = RunVarnel({"-v", "--resume", UrlOf(server), "get", "whole.bin",
                          folder.File("whole.bin")});
  ASSERT_EQ(get.status, 0) << get.err;
  EXPECT_NE(get.err.find("> REST 150000"), std::string::npos);
  EXPECT_EQ(ReadBytes(folder.File("whole.bin")), bytes);
  WriteBytes(server.LocalPath("half.bin"), bytes.substr(0, 250000));
  CliRun put = RunVarnel({"-v", "--resume", UrlOf(server), "put", folder.File("whole.bin"),
                          "half.bin"});
  ASSERT_EQ(put.status, 0) << put.err;
  EXPECT_NE(put.err.find("> REST 250000"), std::string::npos);
  EXPECT_EQ(ReadBytes(server.LocalPath("half.bin")), bytes);
}

TEST_F(Pyftpd, AUrlNamingAFileListsThatFile) {
  WriteBytes(server.LocalPath("one.txt"), "1");
  WriteBytes(server.LocalPath("two.txt"), "2");
  CliRun ls = RunVarnel({UrlOf(server) + "one.txt"});
  ASSERT_EQ(ls.status, 0) << ls.err;
  EXPECT_NE(ls.out.find("one.txt"), std::string::npos);
  EXPECT_EQ(ls.out.find("two.txt"), std::string::npos);
  // The server's CR LF line ends become LF for people.
  EXPECT_EQ(ls.out.find('\r'), std::string::npos);
  EXPECT_EQ(ls.out.back(), '\n');
  CliRun get = RunVarnel({UrlOf(server) + "one.txt", "get", "two.txt"});
  EXPECT_EQ(get.status, 4);
  EXPECT_EQ(get.err, "varnel-ftp: URL path \"pub/one.txt\": the server refused CWD (550 Not a "
                     "directory.)\n");
}

TEST(ConnectionFailure, AClosedPortIsARefusedConnection) {
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ::close(probe);
  const std::string peer = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  CliRun run = RunVarnel({"ftp://" + peer + "/"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err, "varnel-ftp: connection refused by " + peer + "\n");
}

// The empty label makes the resolver refuse the name before it asks any
// DNS server, so nothing leaves the machine.
TEST(ConnectionFailure, AnUnknownHostCannotBeResolved) {
  CliRun run = RunVarnel({"ftp://no..such.invalid/", "pwd"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.err, "varnel-ftp: cannot resolve host \"no..such.invalid\"\n");
}

TEST(UsageFailure, EndsWithStatusTwoBeforeConnecting) {
  CliRun run = RunVarnel({"ftp://127.0.0.1:1/", "frobnicate"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("varnel-ftp: unknown command \"frobnicate\"", 0), 0u) << run.err;
  run = RunVarnel({"ftp://127.0.0.1:1/%0d%0aQUIT"});
  EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace varnel::cli
