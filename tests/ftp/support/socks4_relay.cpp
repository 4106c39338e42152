#include "ftp/support/socks4_relay.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstdint>

namespace varnel::ftp::testing {
namespace {

constexpr std::size_t kMaxField = 255;
constexpr char kGranted = 90;
constexpr char kRejected = 91;

// The dotted IPv4 address of a name; empty when it has none.
std::string Resolve(const std::string& name) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return "";
  char text[INET_ADDRSTRLEN] = {};
  const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text);
  ::freeaddrinfo(found);
  return text;
}

std::string Reply(char code) { return std::string{'\0', code, 0, 0, 0, 0, 0, 0}; }

}  // namespace

std::vector<std::string> Socks4Relay::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

// Request: 4, 1, port (2 bytes), address (4 bytes), user id, 0; for 4A the
// address is 0.0.0.x (x not 0) and the host name follows, ended by 0.
void Socks4Relay::Serve(OwnedFd client) {
  std::uint8_t head[8];
  std::string user;
  if (!ReadExactly(client.Get(), head, sizeof head) ||
      !ReadZeroEnded(client.Get(), user, kMaxField)) {
    return;
  }
  const auto port = static_cast<std::uint16_t>(head[2] << 8 | head[3]);
  const bool socks4a = head[4] == 0 && head[5] == 0 && head[6] == 0 && head[7] != 0;
  std::string host;
  if (socks4a && !ReadZeroEnded(client.Get(), host, kMaxField)) return;
  if (!socks4a) {
    host = std::to_string(head[4]) + "." + std::to_string(head[5]) + "." +
           std::to_string(head[6]) + "." + std::to_string(head[7]);
  }
  OwnedFd target;
  if (head[0] == 4 && head[1] == 1) target = ConnectTo(socks4a ? Resolve(host) : host, port);
  if (!target.Valid()) {
    WriteAll(client.Get(), Reply(kRejected));
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(std::string(socks4a ? "4A " : "4 ") + host + ":" + std::to_string(port) +
                        " user " + user);
  }
  if (WriteAll(client.Get(), Reply(kGranted))) Pump(client.Get(), target.Get());
}

}  // namespace varnel::ftp::testing
