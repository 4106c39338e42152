#include "ftp/support/tcp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "servers/loopback_port.h"

namespace varnel::ftp::testing {
namespace {

using varnel::testing::LoopbackAddress;

// Every wait looks at the stop flag this often and gives up after
// kPatienceMs without anything to read.
constexpr int kSliceMs = 50;
constexpr int kPatienceMs = 10000;
constexpr std::size_t kPumpBlock = 16384;

}  // namespace

OwnedFd& OwnedFd::operator=(OwnedFd&& other) noexcept {
  if (this != &other) {
    Reset();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void OwnedFd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

OwnedFd ListenLoopback() {
  OwnedFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address = LoopbackAddress(0);
  if (!fd.Valid() || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd.Get(), 16) != 0) {
    throw std::runtime_error("no loopback listener for a relay");
  }
  return fd;
}

std::uint16_t LocalPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  return ntohs(address.sin_port);
}

OwnedFd ConnectTo(const std::string& address, std::uint16_t port) {
  OwnedFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in target = LoopbackAddress(port);
  if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1 ||
      ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
    return OwnedFd();
  }
  return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// ---- the server ----

RelayServer::RelayServer() : listener_(ListenLoopback()), port_(LocalPort(listener_.Get())) {}

RelayServer::~RelayServer() { Stop(); }

void RelayServer::Start() {
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

void RelayServer::Stop() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  // A session may still spawn helpers while the first ones are joined.
  for (;;) {
    std::vector<std::thread> running;
    {
      std::lock_guard<std::mutex> lock(threads_mutex_);
      running.swap(threads_);
    }
    if (running.empty()) break;
    for (auto& thread : running) thread.join();
  }
  listener_.Reset();
}

void RelayServer::Spawn(std::function<void()> work) {
  std::lock_guard<std::mutex> lock(threads_mutex_);
  threads_.emplace_back(std::move(work));
}

void RelayServer::AcceptLoop() {
  while (!stopping_) {
    pollfd waiting{listener_.Get(), POLLIN, 0};
    if (::poll(&waiting, 1, kSliceMs) <= 0) continue;
    OwnedFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client.Valid()) continue;
    auto shared = std::make_shared<OwnedFd>(std::move(client));
    Spawn([this, shared] { Serve(std::move(*shared)); });
  }
}

bool RelayServer::WaitReadable(int fd) const {
  for (int waited = 0; waited < kPatienceMs && !stopping_; waited += kSliceMs) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, kSliceMs) > 0) return true;
  }
  return false;
}

OwnedFd RelayServer::AcceptOne(int listener) const {
  if (!WaitReadable(listener)) return OwnedFd();
  return OwnedFd(::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC));
}

bool RelayServer::ReadExactly(int fd, void* buffer, std::size_t count) const {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < count) {
    if (!WaitReadable(fd)) return false;
    const ssize_t n = ::recv(fd, bytes + got, count - got, 0);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool RelayServer::ReadZeroEnded(int fd, std::string& text, std::size_t limit) const {
  text.clear();
  char c = 0;
  while (ReadExactly(fd, &c, 1)) {
    if (c == '\0') return true;
    if (text.size() == limit) return false;
    text.push_back(c);
  }
  return false;
}

void RelayServer::Pump(int a, int b) const {
  bool open[2] = {true, true};  // reading from a, reading from b
  const int from[2] = {a, b};
  const int to[2] = {b, a};
  std::string block(kPumpBlock, '\0');
  while ((open[0] || open[1]) && !stopping_) {
    pollfd waiting[2];
    int count = 0;
    int side_of[2];
    for (int side = 0; side < 2; ++side) {
      if (!open[side]) continue;
      waiting[count] = {from[side], POLLIN, 0};
      side_of[count++] = side;
    }
    if (::poll(waiting, static_cast<nfds_t>(count), kSliceMs) <= 0) continue;
    for (int i = 0; i < count; ++i) {
      if (waiting[i].revents == 0) continue;
      const int side = side_of[i];
      const ssize_t n = ::recv(from[side], block.data(), block.size(), 0);
      if (n > 0 && WriteAll(to[side], block.substr(0, static_cast<std::size_t>(n)))) continue;
      // End of stream (or a broken peer): pass the end on.
      open[side] = false;
      ::shutdown(to[side], SHUT_WR);
    }
  }
}

}  // namespace varnel::ftp::testing
