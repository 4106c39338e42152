// A small SOCKS 4 and 4A server for the tests (danted has no 4A): CONNECT
// only, to any IPv4 target that the name or address resolves to, without
// user checks. It remembers every request so that a test can count the
// connections that went through it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "ftp/support/tcp_relay.h"

namespace varnel::ftp::testing {

class Socks4Relay : public RelayServer {
 public:
  Socks4Relay() { Start(); }
  ~Socks4Relay() override { Stop(); }

  // One entry per granted request: "4 " or "4A " + the target as named in
  // the request ("127.0.0.1:2121", or the name for 4A) + " user " + id.
  std::vector<std::string> Requests() const;

 protected:
  void Serve(OwnedFd client) override;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace varnel::ftp::testing
