// Real SOCKS servers for tests: danted (dante-server: versions 4 and 5
// without authentication) and microsocks (version 5 with user name and
// password). Each is started on 127.0.0.1 with a free port, its
// configuration and log in a private temporary folder, and stopped by pid
// (its process group) when the object goes away. Both relay only to
// 127.0.0.0/8, and neither needs root.
//
// A missing program or a server that does not come up throws
// std::runtime_error naming what is missing or what the server logged.
// scripts/deps installs both packages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/test_temp_folder.h"
#include "servers/child_process.h"

namespace varnel::testing::socks {

// Shared part of both servers: a folder, a port, a process and its log.
class SocksServerBase {
 public:
  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }

 protected:
  explicit SocksServerBase(const std::string& name);
  // The path of the server's program; throws naming `package` when absent.
  std::string Program(const std::string& package) const;
  // Starts `argv` and waits (bounded) until the port takes connections.
  void Launch(const std::vector<std::string>& argv);

  std::string name_;
  TempFolder folder_;
  std::string log_;
  std::uint16_t port_;
  ChildProcess process_;
};

// danted: SOCKS 4 and 5, no authentication, relaying between loopback
// addresses only. (Dante has no 4A: a 4A request is refused with 91.)
class DanteServer : public SocksServerBase {
 public:
  DanteServer();

 private:
  void WriteConfig(const std::string& path) const;
};

// microsocks: SOCKS 5 requiring the given user name and password.
class MicrosocksServer : public SocksServerBase {
 public:
  MicrosocksServer(const std::string& user, const std::string& password);
};

}  // namespace varnel::testing::socks
