// The fake server's step runner: one control connection, at most one data
// connection, blocking-style code on non-blocking descriptors so that every
// wait can be bounded and woken by FakeFtpServer::Stop().
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "fake_ftp_server.h"

namespace varnel::ftp::testing {

// An owned descriptor.
class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  ~OwnedFd() { Reset(); }
  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset(int fd = -1);

 private:
  int fd_ = -1;
};

class FakeFtpSession {
 public:
  using Step = FakeFtpScript::Step;
  using Clock = std::chrono::steady_clock;

  FakeFtpSession(FakeFtpServer& server, int wake_fd, int timeout_ms)
      : server_(server), wake_fd_(wake_fd), timeout_ms_(timeout_ms) {}

  // Accepts the control connection, runs every step, then records further
  // command lines until the client closes or the server stops.
  void Run(int listen_fd);

 private:
  enum class Wait { kReady, kTimeout, kStopped };
  enum class Line { kLine, kClosed, kTimeout, kStopped };
  enum class Write { kDone, kPeerClosed, kTimeout, kStopped };

  Clock::time_point Deadline() const;
  Wait WaitFor(int fd, short events, Clock::time_point deadline);
  bool Sleep(int ms);
  bool Fail(const std::string& text);

  bool RunStep(const Step& step);
  bool AcceptControl(int listen_fd);
  bool ReplyPieces(const Step& step);
  bool Expect(const Step& step);
  bool ExpectClose();
  bool ExpectPasv(const Step& step);
  bool ExpectPort(const Step& step);
  bool OpenData();
  bool AcceptData();
  bool ConnectData();
  bool SendData(const Step& step);
  bool ReceiveData();
  bool ResetData();
  void Drain();

  Line ReadLine(std::string& line, Clock::time_point deadline);
  bool ReadExpectedLine(std::string& line);
  Write WriteAll(int fd, std::string_view bytes, Clock::time_point deadline);
  bool SendControl(std::string_view bytes);
  std::string PasvText(const Step& step, unsigned port) const;

  FakeFtpServer& server_;
  int wake_fd_;
  int timeout_ms_;
  bool stopped_ = false;
  const Step* current_ = nullptr;
  OwnedFd control_;
  OwnedFd data_;
  OwnedFd pasv_listener_;
  bool have_port_address_ = false;
  sockaddr_in port_address_{};
  std::string pending_;
};

}  // namespace varnel::ftp::testing
