#include "ftp/support/socks_relay.h"

#include <arpa/inet.h>

#include <cstdint>

namespace varnel::ftp::testing {
namespace {

constexpr std::size_t kMaxField = 255;
constexpr char kV4Granted = 90;
constexpr char kV4Rejected = 91;
constexpr std::uint8_t kV5NoAuthentication = 0;
constexpr std::uint8_t kV5AddressIPv4 = 1;
constexpr std::uint8_t kV5AddressName = 3;

std::string V4Reply(char code) { return std::string{'\0', code, 0, 0, 0, 0, 0, 0}; }

// Version, reply code, reserved, an IPv4 bound address and port (zeros).
std::string V5Reply(char code) { return std::string{5, code, 0, 1, 0, 0, 0, 0, 0, 0}; }

std::string Dotted(const std::uint8_t (&bytes)[4]) {
  return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
         std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

}  // namespace

std::vector<std::string> SocksRelay::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void SocksRelay::Serve(OwnedFd client) {
  std::uint8_t version = 0;
  if (!ReadExactly(client.Get(), &version, 1)) return;
  if (version == 4) ServeVersion4(client);
  if (version == 5) ServeVersion5(client);
}

std::string SocksRelay::Resolve(const std::string& host) const {
  in_addr address{};
  if (::inet_pton(AF_INET, host.c_str(), &address) == 1) return host;
  const auto known = names_.find(host);
  return known == names_.end() ? std::string() : known->second;
}

void SocksRelay::Relay(const OwnedFd& client, const std::string& host, std::uint16_t port,
                       const std::string& request, const std::string& granted,
                       const std::string& refused) {
  const std::string address = Resolve(host);
  OwnedFd target = address.empty() ? OwnedFd() : ConnectTo(address, port);
  if (!target.Valid()) {
    WriteAll(client.Get(), refused);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }
  if (WriteAll(client.Get(), granted)) Pump(client.Get(), target.Get());
}

// After the version: 1 (CONNECT), port (2 bytes), address (4 bytes), user
// id, 0; for 4A the address is 0.0.0.x (x not 0) and the host name follows,
// ended by 0.
void SocksRelay::ServeVersion4(const OwnedFd& client) {
  std::uint8_t head[7];
  std::string user;
  if (!ReadExactly(client.Get(), head, sizeof head) ||
      !ReadZeroEnded(client.Get(), user, kMaxField) || head[0] != 1) {
    return;
  }
  const auto port = static_cast<std::uint16_t>(head[1] << 8 | head[2]);
  const std::uint8_t address[4] = {head[3], head[4], head[5], head[6]};
  const bool socks4a = address[0] == 0 && address[1] == 0 && address[2] == 0 && address[3] != 0;
  std::string host = Dotted(address);
  if (socks4a && !ReadZeroEnded(client.Get(), host, kMaxField)) return;
  Relay(client, host, port,
        std::string(socks4a ? "4A " : "4 ") + host + ":" + std::to_string(port) + " user " + user,
        V4Reply(kV4Granted), V4Reply(kV4Rejected));
}

// After the version: the methods offered (only "no authentication" is
// taken), then 5, 1 (CONNECT), 0, the address type with the address, and
// the port.
void SocksRelay::ServeVersion5(const OwnedFd& client) {
  std::uint8_t count = 0;
  std::uint8_t methods[255];
  if (!ReadExactly(client.Get(), &count, 1) || !ReadExactly(client.Get(), methods, count)) return;
  bool offered = false;
  for (int i = 0; i < count; ++i) offered = offered || methods[i] == kV5NoAuthentication;
  if (!offered) {
    WriteAll(client.Get(), std::string{5, '\xFF'});
    return;
  }
  std::uint8_t head[4];
  if (!WriteAll(client.Get(), std::string{5, 0}) ||
      !ReadExactly(client.Get(), head, sizeof head) || head[0] != 5 || head[1] != 1) {
    return;
  }
  std::string host;
  if (head[3] == kV5AddressIPv4) {
    std::uint8_t address[4];
    if (!ReadExactly(client.Get(), address, sizeof address)) return;
    host = Dotted(address);
  } else if (head[3] == kV5AddressName) {
    std::uint8_t length = 0;
    if (!ReadExactly(client.Get(), &length, 1)) return;
    host.resize(length);
    if (!ReadExactly(client.Get(), host.data(), length)) return;
  } else {
    WriteAll(client.Get(), V5Reply(8));  // address type not supported
    return;
  }
  std::uint8_t port_bytes[2];
  if (!ReadExactly(client.Get(), port_bytes, sizeof port_bytes)) return;
  const auto port = static_cast<std::uint16_t>(port_bytes[0] << 8 | port_bytes[1]);
  Relay(client, host, port, "5 " + host + ":" + std::to_string(port), V5Reply(0),
        V5Reply(4));  // host unreachable
}

}  // namespace varnel::ftp::testing
