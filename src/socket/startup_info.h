// The socket library's start-up record, shown by the main window.
#pragma once

#include <cstdint>
#include <string>

namespace varnel::socket {

struct TWSAData {
  std::uint16_t wVersion;
  std::uint16_t wHighVersion;
  std::string szDescription;
  std::string szSystemStatus;
  std::uint16_t iMaxSockets;
  std::uint16_t iMaxUdpDg;
};

TWSAData WinsockStartupInfo();

}  // namespace varnel::socket
