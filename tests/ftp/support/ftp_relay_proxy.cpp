#include "ftp/support/ftp_relay_proxy.h"

#include <poll.h>
#include <sys/socket.h>

#include <cctype>
#include <cstdio>
#include <memory>

namespace varnel::ftp::testing {
namespace {

constexpr std::uint16_t kDefaultFtpPort = 21;
constexpr int kSliceMs = 50;
constexpr std::size_t kBlock = 4096;

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The last line of a reply: three digits and a blank.
bool IsFinalReplyLine(const std::string& line) {
  return line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ';
}

}  // namespace

std::vector<std::string> FtpRelayProxy::UserLines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return user_lines_;
}

bool FtpRelayProxy::ReadLine(int fd, std::string& pending, std::string& line) const {
  std::size_t end = pending.find('\n');
  while (end == std::string::npos) {
    char block[kBlock];
    if (!WaitReadable(fd)) return false;
    const ssize_t n = ::recv(fd, block, sizeof block, 0);
    if (n <= 0) return false;
    pending.append(block, static_cast<std::size_t>(n));
    end = pending.find('\n');
  }
  line = pending.substr(0, end);
  pending.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void FtpRelayProxy::Serve(OwnedFd client) {
  if (!WriteAll(client.Get(), "220 Test FTP proxy ready.\r\n")) return;
  std::string from_client;
  std::string line;
  for (;;) {
    if (!ReadLine(client.Get(), from_client, line)) return;
    if (StartsWithNoCase(line, "USER ")) break;
    if (StartsWithNoCase(line, "QUIT")) {
      WriteAll(client.Get(), "221 Goodbye.\r\n");
      return;
    }
    WriteAll(client.Get(), "530 Log in with USER user@host first.\r\n");
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    user_lines_.push_back(line);
  }
  const std::string argument = line.substr(5);
  const std::size_t at = argument.rfind('@');
  if (at == std::string::npos) {
    WriteAll(client.Get(), "501 USER user@host[:port] expected.\r\n");
    return;
  }
  const std::string destination = argument.substr(at + 1);
  const std::size_t colon = destination.rfind(':');
  unsigned port = kDefaultFtpPort;
  if (colon != std::string::npos &&
      (std::sscanf(destination.c_str() + colon + 1, "%u", &port) != 1 || port > 0xFFFF)) {
    port = 0;
  }
  OwnedFd server = ConnectTo(destination.substr(0, colon), static_cast<std::uint16_t>(port));
  if (!server.Valid()) {
    WriteAll(client.Get(), "421 Cannot reach " + destination + ".\r\n");
    return;
  }
  std::string from_server;
  if (!LogInAtServer(client.Get(), server.Get(), argument.substr(0, at), from_server)) return;
  // Commands the client sent right behind USER go on as they came.
  if (!from_client.empty() && !WriteAll(server.Get(), from_client)) return;
  RelayControl(client.Get(), server.Get(), std::move(from_server));
}

// The server's banner stays with the proxy; the client saw the proxy's own.
bool FtpRelayProxy::LogInAtServer(int client, int server, const std::string& user,
                                  std::string& from_server) {
  std::string line;
  do {
    if (!ReadLine(server, from_server, line)) {
      WriteAll(client, "421 No banner from the server.\r\n");
      return false;
    }
  } while (!IsFinalReplyLine(line));
  if (line.compare(0, 4, "220 ") != 0) {
    WriteAll(client, line + "\r\n");
    return false;
  }
  return WriteAll(server, "USER " + user + "\r\n");
}

void FtpRelayProxy::RelayControl(int client, int server, std::string from_server) {
  while (!Stopping()) {
    pollfd waiting[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    if (::poll(waiting, 2, kSliceMs) <= 0) continue;
    char block[kBlock];
    if (waiting[0].revents != 0) {
      const ssize_t n = ::recv(client, block, sizeof block, 0);
      if (n <= 0 || !WriteAll(server, std::string(block, static_cast<std::size_t>(n)))) return;
    }
    if (waiting[1].revents != 0) {
      const ssize_t n = ::recv(server, block, sizeof block, 0);
      if (n <= 0) return;
      from_server.append(block, static_cast<std::size_t>(n));
      for (std::size_t end = from_server.find('\n'); end != std::string::npos;
           end = from_server.find('\n')) {
        std::string line = from_server.substr(0, end + 1);
        from_server.erase(0, end + 1);
        if (line.compare(0, 4, "227 ") == 0) line = RewritePasv(line);
        if (!WriteAll(client, line)) return;
      }
    }
  }
}

std::string FtpRelayProxy::RewritePasv(const std::string& line) {
  const std::size_t open = line.find('(');
  unsigned n[6];
  if (open == std::string::npos ||
      std::sscanf(line.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &n[0], &n[1], &n[2], &n[3], &n[4],
                  &n[5]) != 6) {
    return line;
  }
  const std::string host = std::to_string(n[0]) + "." + std::to_string(n[1]) + "." +
                           std::to_string(n[2]) + "." + std::to_string(n[3]);
  const auto port = static_cast<std::uint16_t>(n[4] * 256 + n[5]);
  auto listener = std::make_shared<OwnedFd>(ListenLoopback());
  const std::uint16_t own_port = LocalPort(listener->Get());
  Spawn([this, listener, host, port] {
    OwnedFd client = AcceptOne(listener->Get());
    listener->Reset();
    if (!client.Valid()) return;
    OwnedFd server = ConnectTo(host, port);
    if (!server.Valid()) return;
    ++data_connections_;
    Pump(client.Get(), server.Get());
  });
  return "227 Entering Passive Mode (127,0,0,1," + std::to_string(own_port / 256) + "," +
         std::to_string(own_port % 256) + ").\r\n";
}

}  // namespace varnel::ftp::testing
