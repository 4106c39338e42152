// A blocking loopback client for checking peers without the engine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace varnel::ftp::testing {

// A blocking loopback client whose reads give up after two seconds; it
// connects from `local` when one is given (another loopback address).
class PlainClient {
 public:
  explicit PlainClient(unsigned port, const char* host = "127.0.0.1", const char* local = nullptr)
      : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    timeval limit{2, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    if (local != nullptr) {
      sockaddr_in from{};
      from.sin_family = AF_INET;
      ::inet_pton(AF_INET, local, &from.sin_addr);
      ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    ::inet_pton(AF_INET, host, &address.sin_addr);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~PlainClient() { Close(); }
  PlainClient(const PlainClient&) = delete;
  PlainClient& operator=(const PlainClient&) = delete;

  bool Connected() const { return connected_; }
  void Send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Reads until `count` bytes arrived, the peer closed or the read timed out.
  std::string Read(std::size_t count) {
    std::string text;
    char buffer[4096];
    while (text.size() < count) {
      ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, count - text.size()), 0);
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
  }
  std::string ReadLine() {
    std::string text;
    while (text.empty() || text.back() != '\n') {
      std::string next = Read(1);
      if (next.empty()) break;
      text += next;
    }
    return text;
  }
  // The last line of a reply, multi-line replies skipped to their end.
  std::string ReadReply() {
    for (;;) {
      std::string line = ReadLine();
      if (line.size() < 4 || line[3] == ' ') return line;
    }
  }
  std::string ReadAll() { return Read(static_cast<std::size_t>(-1) / 2); }

 private:
  int fd_;
  bool connected_ = false;
};

}  // namespace varnel::ftp::testing
