#include "real_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>

#include "loopback_port.h"

namespace varnel::testing {
namespace {

constexpr const char* kVsftpd = "/usr/sbin/vsftpd";
constexpr const char* kPyftpdScript = VARNEL_TEST_SERVERS "/pyftpd_server.py";
constexpr int kStartLimitMs = 15000;
constexpr int kVsftpdTries = 3;
constexpr int kPasvPorts = 16;

// A run of free ports below the kernel's ephemeral range, so that the
// passive listeners of parallel tests rarely meet.
std::uint16_t FreePortRange(int count) {
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> pick(20000, 32000 - count);
  for (int attempt = 0; attempt < 50; ++attempt) {
    auto first = static_cast<std::uint16_t>(pick(random));
    bool free = true;
    for (int i = 0; i < count && free; ++i) {
      free = TryBindLoopback(static_cast<std::uint16_t>(first + i)) != 0;
    }
    if (free) return first;
  }
  throw std::runtime_error("no free range of passive ports");
}

// Reads the line "PORT <n>" that the pyftpdlib script prints once it listens.
std::uint16_t ReadAnnouncedPort(int fd, ChildProcess& process, int timeout_ms) {
  std::string text;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (text.find('\n') == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline || !process.Running()) return 0;
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    char buffer[64];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return 0;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  unsigned port = 0;
  if (std::sscanf(text.c_str(), "PORT %u", &port) != 1 || port == 0 || port > 65535) return 0;
  return static_cast<std::uint16_t>(port);
}

std::string PythonWithPyftpdlib() {
  // Debian's package installs the module for the system interpreter, which a
  // python3 earlier in PATH (a virtual environment, pyenv) may not see.
  if (::access("/usr/bin/python3", X_OK) == 0) return "/usr/bin/python3";
  return "python3";
}

}  // namespace

const char* FtpServerName(FtpServerKind kind) {
  return kind == FtpServerKind::kPyftpdlib ? "pyftpdlib" : "vsftpd";
}

RealFtpServer::RealFtpServer(FtpServerKind kind) : kind_(kind) {
  try {
    PrepareFolders();
    pasv_first_ = FreePortRange(kPasvPorts);
    pasv_last_ = static_cast<std::uint16_t>(pasv_first_ + kPasvPorts - 1);
    if (kind == FtpServerKind::kPyftpdlib) {
      StartPyftpdlib();
    } else {
      StartVsftpd();
    }
  } catch (...) {
    process_.Stop();
    std::error_code ignored;
    if (!base_.empty()) std::filesystem::remove_all(base_, ignored);
    throw;
  }
}

RealFtpServer::~RealFtpServer() {
  process_.Stop();
  std::error_code ignored;
  std::filesystem::remove_all(base_, ignored);
}

std::string RealFtpServer::LocalPath(const std::string& name) const {
  return root_ + kWorkDir + "/" + name;
}

std::string RealFtpServer::Failure(const std::string& what) const {
  return std::string(FtpServerName(kind_)) + ": " + what + "\n--- server log ---\n" + LogTail(log_);
}

void RealFtpServer::PrepareFolders() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnel-ftpd-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  base_ = pattern;
  root_ = base_ + "/root";
  log_ = base_ + "/server.log";
  std::filesystem::create_directories(root_ + kWorkDir);
  std::filesystem::create_directories(base_ + "/empty");
  ::chmod(base_.c_str(), 0755);
}

void RealFtpServer::StartPyftpdlib() {
  if (::access(kPyftpdScript, R_OK) != 0) {
    throw std::runtime_error(std::string("pyftpdlib: script missing: ") + kPyftpdScript);
  }
  user_ = "varnel";
  password_ = "s3cret";
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  process_.Start({PythonWithPyftpdlib(), kPyftpdScript, "--root", root_, "--user", user_,
                  "--password", password_, "--passive-ports",
                  std::to_string(pasv_first_) + "-" + std::to_string(pasv_last_), "--log", log_},
                 log_, pipe_fds[1]);
  ::close(pipe_fds[1]);
  port_ = ReadAnnouncedPort(pipe_fds[0], process_, kStartLimitMs);
  ::close(pipe_fds[0]);
  if (port_ == 0 || !WaitForBanner(kStartLimitMs)) {
    throw std::runtime_error(Failure(
        "did not start (scripts/deps installs python3-pyftpdlib for /usr/bin/python3)"));
  }
}

void RealFtpServer::StartVsftpd() {
  if (::access(kVsftpd, X_OK) != 0) {
    throw std::runtime_error(std::string("vsftpd: ") + kVsftpd +
                             " is missing (scripts/deps installs vsftpd)");
  }
  // vsftpd runs anonymous sessions as the system user "ftp" that its
  // package creates; the writable folder belongs to that user.
  const passwd* ftp_user = ::getpwnam("ftp");
  if (ftp_user == nullptr) throw std::runtime_error("vsftpd: the system user \"ftp\" is missing");
  std::string work = root_ + kWorkDir;
  if (::chown(work.c_str(), ftp_user->pw_uid, ftp_user->pw_gid) != 0) {
    throw std::runtime_error("vsftpd: cannot give " + work + " to the user \"ftp\" (not root?)");
  }
  user_ = "anonymous";
  password_.clear();
  const std::string config = base_ + "/vsftpd.conf";
  // The port is chosen before vsftpd binds it; another process may take it
  // in between, so a server that does not come up is tried on a new port.
  for (int attempt = 0; attempt < kVsftpdTries; ++attempt) {
    port_ = TryBindLoopback(0);
    WriteVsftpdConfig(config, port_);
    process_.Start({kVsftpd, config}, log_);
    if (WaitForBanner(kStartLimitMs / kVsftpdTries)) return;
    process_.Stop();
  }
  throw std::runtime_error(Failure("did not answer on 127.0.0.1"));
}

void RealFtpServer::WriteVsftpdConfig(const std::string& path, std::uint16_t port) const {
  std::ofstream out(path, std::ios::trunc);
  out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
      << "listen_port=" << port << "\n"
      << "background=NO\n"
      << "anonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
      << "anon_root=" << root_ << "\n"
      << "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
      << "anon_other_write_enable=YES\nanon_umask=022\n"
      << "pasv_enable=YES\npasv_address=127.0.0.1\n"
      << "pasv_min_port=" << pasv_first_ << "\npasv_max_port=" << pasv_last_ << "\n"
      << "port_enable=YES\nconnect_from_port_20=NO\n"
      << "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
      << "secure_chroot_dir=" << base_ << "/empty\n"
      << "xferlog_enable=NO\nvsftpd_log_file=" << log_ << "\n";
  ::chmod(path.c_str(), 0600);
}

bool RealFtpServer::WaitForBanner(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline && process_.Running()) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    char banner[4] = {};
    bool answered = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                    ::recv(fd, banner, 3, MSG_WAITALL) == 3 && std::string(banner) == "220";
    ::close(fd);
    if (answered) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace varnel::testing
