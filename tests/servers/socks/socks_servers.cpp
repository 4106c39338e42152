#include "servers/socks/socks_servers.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "servers/loopback_port.h"

namespace varnel::testing::socks {
namespace {

constexpr int kStartLimitMs = 10000;
constexpr int kPollMs = 20;

// The path of `name` in PATH or in the system program folders (danted lives
// in /usr/sbin, which an ordinary user's PATH may lack); empty when absent.
std::string FindProgram(const std::string& name) {
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

std::uint16_t FreeLoopbackPort() {
  const std::uint16_t port = TryBindLoopback(0);
  if (port == 0) throw std::runtime_error("no free loopback port");
  return port;
}

}  // namespace

SocksServerBase::SocksServerBase(const std::string& name)
    : name_(name), log_(folder_.File(name + ".log")), port_(FreeLoopbackPort()) {}

std::string SocksServerBase::Program(const std::string& package) const {
  const std::string path = FindProgram(name_);
  if (path.empty()) {
    throw std::runtime_error(name_ + " not found: install the Debian package " + package +
                             " (scripts/deps installs it)");
  }
  return path;
}

void SocksServerBase::Launch(const std::vector<std::string>& argv) {
  process_.Start(argv, log_);
  for (int waited = 0; waited < kStartLimitMs && process_.Running(); waited += kPollMs) {
    if (AcceptsConnections(port_)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  process_.Stop();
  throw std::runtime_error(name_ + " did not start on 127.0.0.1:" + PortText() +
                           "; its log says:\n" + LogTail(log_));
}

DanteServer::DanteServer() : SocksServerBase("danted") {
  const std::string program = Program("dante-server");
  const std::string config = folder_.File("danted.conf");
  WriteConfig(config);
  Launch({program, "-f", config, "-N", "1", "-p", folder_.File("danted.pid")});
}

// Run as root, danted must be told which user to become for its
// unprivileged work; run by anyone else it stays that user.
void DanteServer::WriteConfig(const std::string& path) const {
  std::ofstream out(path);
  out << "logoutput: " << log_ << "\n"
      << "internal: 127.0.0.1 port = " << port_ << "\n"
      << "external: 127.0.0.1\n"
      << "socksmethod: none\n"
      << "clientmethod: none\n";
  if (::geteuid() == 0) out << "user.privileged: root\nuser.unprivileged: nobody\n";
  out << "client pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  log: error\n}\n"
      << "socks pass {\n  from: 127.0.0.0/8 to: 127.0.0.0/8\n  log: error\n}\n";
  if (!out) throw std::runtime_error("cannot write " + path);
}

MicrosocksServer::MicrosocksServer(const std::string& user, const std::string& password)
    : SocksServerBase("microsocks") {
  const std::string program = Program("microsocks");
  Launch({program, "-i", "127.0.0.1", "-p", PortText(), "-u", user, "-P", password});
}

}  // namespace varnel::testing::socks
