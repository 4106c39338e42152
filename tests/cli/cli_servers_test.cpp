// varnel-ftp end to end, in-process, against pyftpdlib and vsftpd started
// on 127.0.0.1 for each test.
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>

#include "cli/cli_json.h"
#include "cli/cli_run.h"
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
using testing::MemoryStream;
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

// A folder served with known sizes, modes and times (set with utimensat),
// listed by ls and ls --json.
class ListingOnServer : public ::testing::TestWithParam<FtpServerKind> {
 protected:
  struct Served {
    std::string name;
    const char* type;
    const char* mode;
    std::string modified;  // ISO 8601 as the listing gives it
    std::string target;
  };

  // The minute `ago` before now, as a time and as ISO 8601 text.
  static std::pair<std::time_t, std::string> MinutesAgo(std::time_t ago) {
    const std::time_t at = (std::time(nullptr) - ago) / 60 * 60;
    std::tm parts{};
    ::gmtime_r(&at, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M", &parts);
    return {at, text};
  }

  static void SetTime(const std::string& path, std::time_t at) {
    const timespec times[2] = {{at, 0}, {at, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
  }

  // pyftpdlib names owners and groups, vsftpd gives their numbers.
  std::string OwnerOf(const struct stat& info) const {
    const passwd* user = ::getpwuid(info.st_uid);
    if (GetParam() == FtpServerKind::kVsftpd || !user) return std::to_string(info.st_uid);
    return user->pw_name;
  }
  std::string GroupOf(const struct stat& info) const {
    const group* entry = ::getgrgid(info.st_gid);
    if (GetParam() == FtpServerKind::kVsftpd || !entry) return std::to_string(info.st_gid);
    return entry->gr_name;
  }

  // The expected JSON line of `served`, given the server's raw line.
  std::string ExpectedJson(const RealFtpServer& server, const Served& served,
                           const std::string& raw) const {
    struct stat info {};
    EXPECT_EQ(::lstat(server.LocalPath(served.name).c_str(), &info), 0);
    std::string json = "{\"name\":" + JsonString(served.name) + ",\"type\":\"" + served.type +
                       "\",\"size\":" + std::to_string(info.st_size) + ",\"modified\":\"" +
                       served.modified + "\",\"permissions\":\"" + served.mode +
                       "\",\"owner\":" + JsonString(OwnerOf(info)) +
                       ",\"group\":" + JsonString(GroupOf(info));
    if (!served.target.empty()) json += ",\"target\":" + JsonString(served.target);
    return json + ",\"raw\":" + JsonString(raw) + "}";
  }
};

TEST_P(ListingOnServer, JsonGivesEveryFieldOfEveryEntry) {
  RealFtpServer server(GetParam());
  const auto [recent, recent_iso] = MinutesAgo(3 * 24 * 3600 + 17 * 60);
  const std::time_t old = 1551693600;  // 2019-03-04T10:00:00Z
  WriteBytes(server.LocalPath("old.bin"), std::string(20, 'o'));
  SetTime(server.LocalPath("old.bin"), old);
  WriteBytes(server.LocalPath("b \"quoted\" Jan.txt"), std::string(3000, 'b'));
  SetTime(server.LocalPath("b \"quoted\" Jan.txt"), recent);
  ASSERT_EQ(::symlink("old.bin", server.LocalPath("link").c_str()), 0);
  SetTime(server.LocalPath("link"), recent);
  std::filesystem::create_directory(server.LocalPath("sub"));
  ::chmod(server.LocalPath("sub").c_str(), 0755);
  SetTime(server.LocalPath("sub"), old);
  const std::vector<Served> served = {
      {"b \"quoted\" Jan.txt", "file", "rw-r--r--", recent_iso, ""},
      {"link", "link", "rwxrwxrwx", recent_iso, "old.bin"},
      {"old.bin", "file", "rw-r--r--", "2019-03-04", ""},
      {"sub", "folder", "rwxr-xr-x", "2019-03-04", ""}};

  CliRun text = RunVarnel({UrlOf(server), "ls"});
  ASSERT_EQ(text.status, 0) << text.err;
  CliRun json = RunVarnel({"--json", UrlOf(server), "ls"});
  ASSERT_EQ(json.status, 0) << json.err;
  const std::vector<std::string> raw = Lines(text.out);
  const std::vector<std::string> lines = Lines(json.out);
  ASSERT_EQ(raw.size(), served.size()) << text.out;
  ASSERT_EQ(lines.size(), served.size() + 1) << json.out;
  for (const Served& entry : served) {
    SCOPED_TRACE(entry.name);
    const std::string listed = entry.target.empty() ? entry.name : entry.name + " -> " + entry.target;
    // The line whose name field (after the time or year) is exactly `listed`.
    const auto line = std::find_if(raw.begin(), raw.end(), [&](const std::string& l) {
      const std::size_t at = l.size() - listed.size() - 1;
      return l.size() > listed.size() + 1 && l.compare(at, std::string::npos, " " + listed) == 0 &&
             std::isdigit(static_cast<unsigned char>(l[at - 1]));
    });
    ASSERT_NE(line, raw.end()) << text.out;
    const std::size_t at = static_cast<std::size_t>(line - raw.begin());
    EXPECT_EQ(lines[at], ExpectedJson(server, entry, *line));
  }
  EXPECT_EQ(lines.back().rfind("{\"command\":\"ls\",\"result\":\"ok\",\"error\":0", 0), 0u)
      << lines.back();
}

TEST_P(ListingOnServer, OutputThatCannotBeWrittenEndsTheListing) {
  RealFtpServer server(GetParam());
  for (int i = 0; i < 3000; ++i) WriteBytes(server.LocalPath("file" + std::to_string(i)), "");
  std::signal(SIGPIPE, SIG_IGN);
  const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  MemoryStream in;
  MemoryStream err;
  const int status = RunCli({UrlOf(server), "ls"}, CliEnvironment{in.Fd(), full, err.Fd()});
  ::close(full);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(err.Contents(), "varnel-ftp: ls: writing standard output failed: " +
                                std::string(std::strerror(ENOSPC)) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Servers, ListingOnServer,
                         ::testing::Values(FtpServerKind::kPyftpdlib, FtpServerKind::kVsftpd),
                         [](const ::testing::TestParamInfo<FtpServerKind>& kind) {
                           return std::string(FtpServerName(kind.param));
                         });

class Pyftpd : public ::testing::Test {
 protected:
  RealFtpServer server{FtpServerKind::kPyftpdlib};
  TempFolder folder;
};

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
