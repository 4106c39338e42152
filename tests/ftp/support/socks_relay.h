// A small SOCKS server for the tests, speaking versions 4, 4A (which danted
// lacks) and 5 without authentication: CONNECT only, without user checks.
//
// It resolves host names from its own table only and never asks a name
// server, so a session to a name in that table works only if the client
// hands the name to the relay instead of resolving it. It remembers every
// granted request, so a test can count and check the connections that went
// through it.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/support/tcp_relay.h"

namespace varnel::ftp::testing {

class SocksRelay : public RelayServer {
 public:
  // `names`: host name -> dotted IPv4 address, the only names it resolves.
  explicit SocksRelay(std::map<std::string, std::string> names = {}) : names_(std::move(names)) {
    Start();
  }
  ~SocksRelay() override { Stop(); }

  // One entry per granted request: the version ("4", "4A" or "5"), a blank,
  // the target as the request named it ("127.0.0.1:2121", or the host name
  // for 4A and for version 5's domain-name form) and, for 4 and 4A,
  // " user " and the user id.
  std::vector<std::string> Requests() const;

 protected:
  void Serve(OwnedFd client) override;

 private:
  void ServeVersion4(const OwnedFd& client);
  void ServeVersion5(const OwnedFd& client);
  // The address of a dotted address or a name of the table; empty for any
  // other name.
  std::string Resolve(const std::string& host) const;
  // Connects to `host`:`port`; on success records `request` and relays.
  void Relay(const OwnedFd& client, const std::string& host, std::uint16_t port,
             const std::string& request, const std::string& granted, const std::string& refused);

  const std::map<std::string, std::string> names_;
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace varnel::ftp::testing
