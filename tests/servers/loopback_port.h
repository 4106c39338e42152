// Loopback ports for the peers the tests start.
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace varnel::testing {

// 127.0.0.1:`port` as a socket address.
sockaddr_in LoopbackAddress(std::uint16_t port);

// Binds 127.0.0.1:`port` (0: any) for a moment and returns the port that was
// bound, or 0 when it is taken. A free port may be taken by someone else
// before the caller's server binds it; callers retry.
std::uint16_t TryBindLoopback(std::uint16_t port);

// True when something accepts a connection on 127.0.0.1:`port` now.
bool AcceptsConnections(std::uint16_t port);

}  // namespace varnel::testing
