// Asynchronous name and address lookups. The blocking resolver call runs on
// a worker thread; its result is posted back to the requester's loop and
// target, so the callback always runs on the loop's thread, after the call
// that started it has returned, and never when the target was destroyed.
//
// The loop must outlive its pending requests: cancel them (or let them
// finish) before destroying a loop. Requests made on a thread are dropped
// when that thread ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/event_loop.h"

namespace varnel::socket {

class DnsResolver {
 public:
  // error: 0 or a Winsock error (11001 host not found, ...).
  using NameDone =
      std::function<void(int error, std::vector<std::string> dotted_addresses)>;
  using AddrDone = std::function<void(int error, std::string host_name)>;

  // IPv4 addresses of `host`, in the resolver's order, without duplicates.
  // Returns the request id (never 0).
  static std::uint64_t LookupName(runtime::EventLoop& loop,
                                  runtime::TargetId target, std::string host,
                                  NameDone done);

  // The host name of a dotted address (a name is required).
  static std::uint64_t LookupAddr(runtime::EventLoop& loop,
                                  runtime::TargetId target, std::string dotted,
                                  AddrDone done);

  // Drops a pending request so its callback never runs. Call on the loop's
  // thread. False when the request is unknown or already delivered.
  static bool Cancel(std::uint64_t request);
};

}  // namespace varnel::socket
