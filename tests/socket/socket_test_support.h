// Helpers for socket tests: driving the thread's event loop until a
// condition holds, plain POSIX loopback peers, and an event recorder.
#pragma once

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/test_event_loop.h"
#include "socket/twsocket.h"

namespace varnel::socket::testing {

using varnel::testing::RunFor;
using varnel::testing::RunUntil;

inline std::uint16_t BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

// An owned descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    Reset();
    fd_ = other.fd_;
    other.fd_ = -1;
    return *this;
  }
  ~Fd() { Reset(); }
  int Get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// A non-blocking TCP listener on 127.0.0.1 with an OS-chosen port.
class PosixListener {
 public:
  PosixListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_.Get(), 16);
  }
  std::string PortText() const { return std::to_string(BoundPort(fd_.Get())); }
  // Accepts one connection while running the loop; an invalid Fd on timeout.
  Fd Accept(int timeout_ms = 5000) {
    int accepted = -1;
    RunUntil(
        [&] {
          accepted = ::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
          return accepted >= 0;
        },
        timeout_ms);
    return Fd(accepted);
  }

 private:
  Fd fd_;
};

// A loopback port on which nothing listens: connects to it are refused.
inline std::string RefusingPortText() {
  Fd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(probe.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  return std::to_string(BoundPort(probe.Get()));
}

// Writes all of `data` to a non-blocking descriptor, running the loop while
// it would block; false when the connection failed or the time ran out.
inline bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  bool failed = false;
  const bool finished = RunUntil([&] {
    const auto n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n > 0) done += static_cast<std::size_t>(n);
    failed = n < 0 && errno != EAGAIN && errno != EWOULDBLOCK;
    return failed || done == data.size();
  });
  return finished && !failed;
}

// Reads what a non-blocking descriptor has right now; sets `eof` at end of
// stream or when the connection was reset.
inline std::string ReadAvailable(int fd, bool* eof = nullptr) {
  std::string text;
  char buffer[65536];
  for (;;) {
    const auto n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    const bool ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    if (ended && eof != nullptr) *eof = true;
    return text;
  }
}

// Fills the send buffer of `fd` (and the peer's receive buffer) until the
// kernel takes nothing more; returns the byte count written.
inline std::size_t FillUntilBlocked(int fd) {
  const std::string block(65536, 'f');
  std::size_t total = 0;
  for (;;) {
    const auto n = ::send(fd, block.data(), block.size(), MSG_NOSIGNAL);
    if (n <= 0) return total;
    total += static_cast<std::size_t>(n);
  }
}

// A pipe that received bytes are moved into (ReceiveToPipe) and read back.
class TestPipe {
 public:
  TestPipe() {
    int fds[2] = {-1, -1};
    ::pipe2(fds, O_CLOEXEC | O_NONBLOCK);
    read_ = Fd(fds[0]);
    write_ = Fd(fds[1]);
  }
  int WriteEnd() const { return write_.Get(); }
  int Capacity() const { return ::fcntl(write_.Get(), F_GETPIPE_SZ); }
  // Moves up to a pipe's worth of what `socket` holds through the pipe onto
  // `received`; the result of ReceiveToPipe.
  int Receive(TCustomWSocket& socket, std::string& received) {
    const int count = socket.ReceiveToPipe(WriteEnd(), Capacity());
    char buffer[65536];
    for (int left = count; left > 0;) {
      const auto n = ::read(read_.Get(), buffer, std::min<std::size_t>(left, sizeof buffer));
      if (n <= 0) break;
      received.append(buffer, static_cast<std::size_t>(n));
      left -= static_cast<int>(n);
    }
    return count;
  }

 private:
  Fd read_;
  Fd write_;
};

inline void ShrinkBuffers(int fd) {
  const int size = 4096;
  ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

inline int OpenDescriptorCount() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  ::closedir(dir);
  return count;
}

inline const char* StateName(TSocketState state) {
  static const char* const names[] = {"invalid", "opened",    "bound",     "connecting",
                                      "connected", "accepting", "listening", "closed"};
  return names[state];
}

// Records the events of a socket as short texts, in order.
class EventLog {
 public:
  explicit EventLog(TCustomWSocket& socket, bool with_data_available = false) {
    socket.OnChangeState = [this](TCustomWSocket*, TSocketState from, TSocketState to) {
      Add(std::string("state ") + StateName(from) + ">" + StateName(to));
    };
    socket.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) {
      Add("connected " + std::to_string(e));
    };
    socket.OnSessionClosed = [this](TCustomWSocket* s, std::uint16_t e) {
      Add("closed " + std::to_string(e) + " in " + StateName(s->State()));
    };
    socket.OnDataSent = [this](TCustomWSocket*, std::uint16_t e) {
      Add("sent " + std::to_string(e));
    };
    if (with_data_available) {
      socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t e) {
        received += s->ReceiveStr();
        Add("data " + std::to_string(e));
      };
    }
  }
  void Add(const std::string& entry) { entries.push_back(entry); }
  bool Has(const std::string& entry) const {
    for (const auto& e : entries) {
      if (e == entry) return true;
    }
    return false;
  }
  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : entries) n += e == entry ? 1 : 0;
    return n;
  }

  std::vector<std::string> entries;
  std::string received;
};

// Connects `socket` to a new peer of `listener`; the accepted peer descriptor.
inline Fd ConnectTo(TCustomWSocket& socket, PosixListener& listener) {
  socket.SetAddr("127.0.0.1");
  socket.SetPort(listener.PortText());
  socket.Connect();
  Fd peer = listener.Accept();
  RunUntil([&] { return socket.State() == wsConnected; });
  return peer;
}

}  // namespace varnel::socket::testing
