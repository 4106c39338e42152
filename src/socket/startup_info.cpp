#include "socket/startup_info.h"

#include <sys/resource.h>

#include <algorithm>

namespace varnel::socket {
namespace {

constexpr std::uint16_t kVersion11 = 0x0101;
// The largest UDP payload of an IPv4 datagram with a full-size IP header.
constexpr std::uint16_t kMaxUdpDatagram = 65467;
constexpr rlim_t kMaxSockets16 = 0xFFFF;

std::uint16_t MaxSockets() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 ||
      limit.rlim_cur == RLIM_INFINITY) {
    return static_cast<std::uint16_t>(kMaxSockets16);
  }
  return static_cast<std::uint16_t>(std::min(limit.rlim_cur, kMaxSockets16));
}

}  // namespace

TWSAData WinsockStartupInfo() {
  return TWSAData{kVersion11,          kVersion11, "Linux sockets (epoll)",
                  "Running",           MaxSockets(), kMaxUdpDatagram};
}

}  // namespace varnel::socket
