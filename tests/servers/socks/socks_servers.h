// Real SOCKS servers for tests, header only so that any test executable can
// use them: danted (dante-server: versions 4 and 5 without authentication)
// and microsocks (version 5 with user name and password). Each is started on
// 127.0.0.1 with a free port, its configuration and log in a private
// temporary folder, and stopped by pid (its process group) when the object
// goes away. Both relay only to 127.0.0.0/8.
//
// A missing program or a server that does not come up throws
// std::runtime_error naming what is missing or what the server logged.
// scripts/deps installs both packages.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnel::testing::socks {

// The path of `name` in PATH or in the system program folders (danted lives
// in /usr/sbin, which a normal user's PATH may lack); empty when absent.
inline std::string FindProgram(const std::string& name) {
  std::string folders = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  folders += ":/usr/local/sbin:/usr/sbin:/sbin:/usr/local/bin:/usr/bin:/bin";
  std::istringstream list(folders);
  std::string folder;
  while (std::getline(list, folder, ':')) {
    if (folder.empty()) continue;
    const std::string path = folder + "/" + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return std::string();
}

// A loopback port that was free a moment ago (the OS chose it).
inline std::uint16_t FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(fd);
  if (!bound) throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}

inline bool AcceptsConnections(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

inline std::string FileTail(const std::string& path, std::size_t max_bytes = 2000) {
  std::ifstream in(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (text.size() > max_bytes) text.erase(0, text.size() - max_bytes);
  return text;
}

// A temporary folder removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" +
                          prefix + "XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot create a temporary folder " + pattern);
    }
    // The server may drop to an unprivileged user and still write its log.
    ::chmod(pattern.c_str(), 0777);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A server program in its own process group, stopped by its pid.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess() { Stop(); }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Standard input from /dev/null, output and errors appended to `log`.
  void Start(const std::vector<std::string>& argv, const std::string& log) {
    Stop();
    std::vector<std::string> copies = argv;
    std::vector<char*> pointers;
    for (auto& text : copies) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed starting " + argv.front());
    if (pid == 0) {
      // Only async-signal-safe calls until exec.
      ::setpgid(0, 0);
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      const int in = ::open("/dev/null", O_RDONLY);
      if (out < 0 || in < 0) ::_exit(127);
      ::dup2(in, STDIN_FILENO);
      ::dup2(out, STDOUT_FILENO);
      ::dup2(out, STDERR_FILENO);
      ::execv(pointers[0], pointers.data());
      ::_exit(127);
    }
    ::setpgid(pid, pid);  // both sides, so that a Stop right away reaches the group
    pid_ = pid;
  }

  // False once the process has exited (it is reaped then).
  bool Running() {
    if (pid_ < 0) return false;
    if (::waitpid(pid_, nullptr, WNOHANG) == 0) return true;
    pid_ = -1;
    return false;
  }

  // SIGTERM to the group, up to two seconds' grace, then SIGKILL to what is
  // left of it (the server's helper processes included).
  void Stop() {
    if (pid_ < 0) return;
    const pid_t group = pid_;
    ::kill(-group, SIGTERM);
    for (int waited = 0; waited < 2000 && Running(); waited += 10) ::usleep(10 * 1000);
    ::kill(-group, SIGKILL);
    if (pid_ >= 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// Shared part of both servers: a folder, a port, a process and its log.
class SocksServerBase {
 public:
  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  const std::string& LogPath() const { return log_; }

 protected:
  explicit SocksServerBase(const std::string& name)
      : name_(name), folder_("varnel-" + name + "-"), log_(folder_.File(name + ".log")),
        port_(FreeLoopbackPort()) {}

  std::string Program(const std::string& package) const {
    const std::string path = FindProgram(name_);
    if (path.empty()) {
      throw std::runtime_error(name_ + " not found: install the Debian package " + package +
                               " (scripts/deps installs it)");
    }
    return path;
  }

  // Starts `argv` and waits (bounded) until the port takes connections.
  void Launch(const std::vector<std::string>& argv) {
    process_.Start(argv, log_);
    for (int waited = 0; waited < 10000; waited += 20) {
      if (!process_.Running()) break;
      if (AcceptsConnections(port_)) return;
      ::usleep(20 * 1000);
    }
    process_.Stop();
    throw std::runtime_error(name_ + " did not start on 127.0.0.1:" + PortText() +
                             "; its log says:\n" + FileTail(log_));
  }

  std::string name_;
  TempFolder folder_;
  std::string log_;
  std::uint16_t port_;
  ServerProcess process_;
};

// danted: SOCKS 4 and 5, no authentication, relaying between loopback
// addresses only. (Dante has no 4A: a 4A request is refused with 91.)
class DanteServer : public SocksServerBase {
 public:
  DanteServer() : SocksServerBase("danted") {
    const std::string program = Program("dante-server");
    const std::string config = folder_.File("danted.conf");
    WriteConfig(config);
    Launch({program, "-f", config, "-N", "1", "-p", folder_.File("danted.pid")});
  }

 private:
  void WriteConfig(const std::string& path) const {
    std::ofstream out(path);
    out << "logoutput: " << log_ << "\n"
        << "internal: 127.0.0.1 port = " << port_ << "\n"
        << "external: 127.0.0.1\n"
        << "socksmethod: none\n"
        << "clientmethod: none\n";
    // Run as root, it must be told which user to become; otherwise it
    // stays the user it is.
    if (::geteuid() == 0) out << "user.privileged: root\nuser.unprivileged: nobody\n";
    out << "client pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  log: error\n}\n"
        << "socks pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  log: error\n}\n";
    if (!out) throw std::runtime_error("cannot write " + path);
  }
};

// microsocks: SOCKS 5 requiring the given user name and password.
class MicrosocksServer : public SocksServerBase {
 public:
  MicrosocksServer(const std::string& user, const std::string& password)
      : SocksServerBase("microsocks") {
    const std::string program = Program("microsocks");
    Launch({program, "-i", "127.0.0.1", "-p", PortText(), "-u", user, "-P", password});
  }
};

}  // namespace varnel::testing::socks
