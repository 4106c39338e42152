#include "real_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
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

// A password no one else can guess: the servers listen on a port that
// every local user can reach. It goes to them in files only its owner can
// read, never on a command line, which every user can see.
std::string SecretPassword() {
  std::random_device random;
  std::string password;
  for (int i = 0; i < 16; ++i) password += "0123456789abcdef"[random() % 16];
  return password;
}

// Written readable by its owner only.
void WritePrivateFile(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const bool written =
      fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (fd >= 0) ::close(fd);
  if (!written) throw std::runtime_error("cannot write " + path);
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
  return root_ + "/" + kWorkFolder + "/" + name;
}

std::string RealFtpServer::Failure(const std::string& what) const {
  return std::string(FtpServerName(kind_)) + ": " + what + "\n--- server log ---\n" + LogTail(log_);
}

void RealFtpServer::PrepareFolders() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnel-ftpd-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  // vsftpd names folders by their real path, links resolved.
  base_ = std::filesystem::canonical(pattern).string();
  root_ = base_ + "/root";
  log_ = base_ + "/server.log";
  std::filesystem::create_directories(root_ + "/" + kWorkFolder);
}

void RealFtpServer::StartPyftpdlib() {
  if (::access(kPyftpdScript, R_OK) != 0) {
    throw std::runtime_error(std::string("pyftpdlib: script missing: ") + kPyftpdScript);
  }
  user_ = "varnel";
  password_ = SecretPassword();
  work_dir_ = std::string("/") + kWorkFolder;
  const std::string password_file = base_ + "/password";
  WritePrivateFile(password_file, password_ + "\n");
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  process_.Start({PythonWithPyftpdlib(), kPyftpdScript, "--root", root_, "--user", user_,
                  "--password-file", password_file, "--passive-ports",
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

// vsftpd runs as whoever runs the tests (root in CI, an ordinary user at
// a desk): its sessions then stay that user and are not shut in a chroot,
// so paths are the real ones below root_ and only the anonymous login
// works. The anonymous password is a secret of this server, so no other
// local user can log in to it while it runs.
void RealFtpServer::StartVsftpd() {
  if (::access(kVsftpd, X_OK) != 0) {
    throw std::runtime_error(std::string("vsftpd: ") + kVsftpd +
                             " is missing (scripts/deps installs vsftpd)");
  }
  user_ = "anonymous";
  password_ = SecretPassword();
  work_dir_ = root_ + "/" + kWorkFolder;
  const std::string passwords = base_ + "/anonymous-passwords";
  WritePrivateFile(passwords, password_ + "\n");
  const std::string config = base_ + "/vsftpd.conf";
  // The port is chosen before vsftpd binds it; another process may take it
  // in between, so a server that does not come up is tried on a new port.
  for (int attempt = 0; attempt < kVsftpdTries; ++attempt) {
    port_ = TryBindLoopback(0);
    WritePrivateFile(config, VsftpdConfig(port_, passwords));
    process_.Start({kVsftpd, config}, log_);
    if (WaitForBanner(kStartLimitMs / kVsftpdTries)) return;
    process_.Stop();
  }
  throw std::runtime_error(Failure("did not answer on 127.0.0.1"));
}

std::string RealFtpServer::VsftpdConfig(std::uint16_t port, const std::string& passwords) const {
  std::ostringstream out;
  out << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\n"
      << "listen_port=" << port << "\n"
      << "background=NO\nrun_as_launching_user=YES\n"
      << "anonymous_enable=YES\nlocal_enable=NO\n"
      << "secure_email_list_enable=YES\nemail_password_file=" << passwords << "\n"
      << "anon_root=" << root_ << "\n"
      << "write_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
      << "anon_other_write_enable=YES\nanon_umask=022\n"
      << "pasv_enable=YES\npasv_address=127.0.0.1\n"
      << "pasv_min_port=" << pasv_first_ << "\npasv_max_port=" << pasv_last_ << "\n"
      << "port_enable=YES\nconnect_from_port_20=NO\n"
      << "seccomp_sandbox=NO\nisolate=NO\nisolate_network=NO\n"
      << "xferlog_enable=NO\nvsftpd_log_file=" << log_ << "\n";
  return out.str();
}

bool RealFtpServer::WaitForBanner(int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (std::chrono::steady_clock::now() < deadline && process_.Running()) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    const sockaddr_in address = LoopbackAddress(port_);
    char banner[4] = {};
    bool answered =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::recv(fd, banner, 3, MSG_WAITALL) == 3 && std::string(banner) == "220";
    ::close(fd);
    if (answered) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace varnel::testing
