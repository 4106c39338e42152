// Loopback relays for the connection-type tests, each running in threads of
// its own: a server that accepts on 127.0.0.1 and serves every client in a
// thread, plus the blocking helpers the relays are made of.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace varnel::ftp::testing {

// A socket descriptor closed with its owner.
class OwnedFd {
 public:
  explicit OwnedFd(int fd = -1) : fd_(fd) {}
  ~OwnedFd() { Reset(); }
  OwnedFd(OwnedFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept;
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset();

 private:
  int fd_;
};

// A listener on 127.0.0.1 on a port that the system chose.
OwnedFd ListenLoopback();
std::uint16_t LocalPort(int fd);
// A blocking connect to a dotted IPv4 address; invalid when it fails.
OwnedFd ConnectTo(const std::string& address, std::uint16_t port);
// Writes everything; false when the peer went away.
bool WriteAll(int fd, const std::string& bytes);

class RelayServer {
 public:
  virtual ~RelayServer();
  RelayServer(const RelayServer&) = delete;
  RelayServer& operator=(const RelayServer&) = delete;

  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }

 protected:
  RelayServer();
  // Starts accepting: the last step of a derived constructor.
  void Start();
  // Stops accepting and waits for every session to end: the first step of
  // a derived destructor, since the sessions run its Serve.
  void Stop();
  virtual void Serve(OwnedFd client) = 0;
  // Runs `work` in a thread of its own, joined by Stop.
  void Spawn(std::function<void()> work);
  bool Stopping() const { return stopping_; }

  // Blocking helpers that give up once Stop was called or after a few
  // seconds without progress.
  bool WaitReadable(int fd) const;
  OwnedFd AcceptOne(int listener) const;
  bool ReadExactly(int fd, void* buffer, std::size_t count) const;
  // Bytes up to a zero byte (not included); false when longer than `limit`.
  bool ReadZeroEnded(int fd, std::string& text, std::size_t limit) const;
  // Copies bytes both ways until both directions ended, passing each end
  // of stream on as a half close.
  void Pump(int a, int b) const;

 private:
  void AcceptLoop();

  OwnedFd listener_;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex threads_mutex_;
  std::vector<std::thread> threads_;
  std::thread acceptor_;
};

}  // namespace varnel::ftp::testing
