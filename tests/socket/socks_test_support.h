// Helpers for SOCKS tests: a scripted proxy (a loopback POSIX peer driven
// from the test's own loop), byte strings written as numbers, and an event
// log that also records the SOCKS events.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "socket_test_support.h"

namespace varnel::socket::testing {

// Bytes given as numbers, for protocol messages.
inline std::string Bytes(std::initializer_list<int> values) {
  std::string text;
  for (int value : values) text.push_back(static_cast<char>(value));
  return text;
}

inline const char* AuthStateName(TSocksAuthState state) {
  static const char* const names[] = {"starting", "succeeded", "failed", "skipped"};
  return names[state];
}

// EventLog plus the SOCKS events, in one ordered list.
class SocksLog : public EventLog {
 public:
  explicit SocksLog(TCustomSocksWSocket& socket, bool with_data_available = false)
      : EventLog(socket, with_data_available) {
    socket.OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) {
      Add("socks connected " + std::to_string(e));
    };
    socket.OnSocksError = [this](TCustomWSocket*, int e, const std::string& text) {
      Add("socks error " + std::to_string(e) + " " + text);
    };
    socket.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState state) {
      Add(std::string("auth ") + AuthStateName(state));
    };
  }
};

// The proxy side of one connection: accepts the socket's connection, checks
// what it sends byte for byte and answers as scripted.
class FakeProxy {
 public:
  std::string PortText() const { return listener_.PortText(); }

  // Points `socket` at this proxy with the given level and target.
  void Use(TCustomSocksWSocket& socket, const std::string& level, const std::string& addr,
           const std::string& port) const {
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(PortText());
    socket.SetSocksLevel(level);
    socket.SetAddr(addr);
    socket.SetPort(port);
  }

  bool Accept(int timeout_ms = 5000) {
    peer_ = listener_.Accept(timeout_ms);
    return peer_.Get() >= 0;
  }

  // The next `expected.size()` bytes the socket sent, read while the loop
  // runs; fewer when they did not come.
  std::string Next(std::size_t count) {
    RunUntil([&] {
      pending_ += ReadAvailable(peer_.Get());
      return pending_.size() >= count;
    });
    const std::string taken = pending_.substr(0, count);
    pending_.erase(0, taken.size());
    return taken;
  }

  // Whatever more the socket sent within a short while.
  std::string Rest() {
    RunFor(30);
    pending_ += ReadAvailable(peer_.Get());
    std::string taken;
    taken.swap(pending_);
    return taken;
  }

  bool Reply(const std::string& bytes) { return WriteAll(peer_.Get(), bytes); }
  void Close() { peer_.Reset(); }
  int Peer() const { return peer_.Get(); }

 private:
  PosixListener listener_;
  Fd peer_;
  std::string pending_;
};

// The version 5 success reply with an IPv4 bound address.
inline std::string V5Granted() { return Bytes({5, 0, 0, 1, 10, 1, 2, 3, 0x1F, 0x90}); }

}  // namespace varnel::socket::testing
