// A small FTP proxy for the tests. It greets the client itself, takes
// "USER user@host[:port]" (a dotted IPv4 host; port 21 when none is named),
// connects to that server, logs in there with "USER user" and relays the
// control connection both ways. Every 227 reply of the server is rewritten
// to a port of the proxy, which relays the passive data connection that
// arrives there to the port that the server named.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "ftp/support/tcp_relay.h"

namespace varnel::ftp::testing {

class FtpRelayProxy : public RelayServer {
 public:
  FtpRelayProxy() { Start(); }
  ~FtpRelayProxy() override { Stop(); }

  // The USER lines that clients sent, as sent.
  std::vector<std::string> UserLines() const;
  // Passive data connections relayed so far.
  int DataConnections() const { return data_connections_; }

 protected:
  void Serve(OwnedFd client) override;

 private:
  // One line without its line end; bytes behind it stay in `pending`.
  bool ReadLine(int fd, std::string& pending, std::string& line) const;
  // Reads the server's banner and sends the client's USER on; false (the
  // client told why) when the session cannot go on.
  bool LogInAtServer(int client, int server, const std::string& user, std::string& from_server);
  void RelayControl(int client, int server, std::string from_server);
  // The 227 reply pointing at a new listener of the proxy, whose data
  // connection is relayed to the server's port; the line unchanged when it
  // names no address.
  std::string RewritePasv(const std::string& line);

  std::atomic<int> data_connections_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> user_lines_;
};

}  // namespace varnel::ftp::testing
