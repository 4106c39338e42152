#include "fake_ftp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <utility>

#include "fake_ftp_session.h"

namespace varnel::ftp::testing {

// ---- script ----

FakeFtpScript& FakeFtpScript::Add(Kind kind, std::vector<std::string> texts, int pause_ms,
                                  std::size_t chunk, PasvReply pasv) {
  Step step;
  step.kind = kind;
  step.texts = std::move(texts);
  step.pause_ms = pause_ms;
  step.chunk = chunk;
  step.pasv = pasv;
  steps_.push_back(std::move(step));
  return *this;
}

FakeFtpScript& FakeFtpScript::Reply(std::string bytes) {
  return Add(Kind::kReply, {std::move(bytes)});
}

FakeFtpScript& FakeFtpScript::ReplySplit(std::vector<std::string> pieces, int pause_ms) {
  return Add(Kind::kReply, std::move(pieces), pause_ms);
}

FakeFtpScript& FakeFtpScript::Expect(std::string line) {
  return Add(Kind::kExpect, {std::move(line)});
}

FakeFtpScript& FakeFtpScript::ExpectClose() { return Add(Kind::kExpectClose); }

FakeFtpScript& FakeFtpScript::CloseControl() { return Add(Kind::kCloseControl); }

FakeFtpScript& FakeFtpScript::Pause(int ms) { return Add(Kind::kPause, {}, ms); }

FakeFtpScript& FakeFtpScript::Stall() { return Add(Kind::kStall); }

FakeFtpScript& FakeFtpScript::ExpectPasv(PasvReply reply, std::string trailer) {
  return Add(Kind::kExpectPasv, {std::move(trailer)}, 0, 0, reply);
}

FakeFtpScript& FakeFtpScript::ExpectPort() { return Add(Kind::kExpectPort); }

FakeFtpScript& FakeFtpScript::ExpectPortAndConnect() {
  Add(Kind::kExpectPort);
  steps_.back().connect_first = true;
  return *this;
}

FakeFtpScript& FakeFtpScript::OpenData() { return Add(Kind::kOpenData); }

FakeFtpScript& FakeFtpScript::SendData(std::string bytes, std::size_t chunk, int pause_ms) {
  return Add(Kind::kSendData, {std::move(bytes)}, pause_ms, chunk);
}

FakeFtpScript& FakeFtpScript::ReceiveData() { return Add(Kind::kReceiveData); }

FakeFtpScript& FakeFtpScript::CloseData() { return Add(Kind::kCloseData); }

FakeFtpScript& FakeFtpScript::ResetData() { return Add(Kind::kResetData); }

// ---- server ----

FakeFtpServer::FakeFtpServer(const FakeFtpScript& script, int step_timeout_ms)
    : script_(script), step_timeout_ms_(step_timeout_ms) {
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed");
  wake_read_fd_ = wake[0];
  wake_write_fd_ = wake[1];
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
      ::listen(listen_fd_, 4) ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length)) {
    ::close(wake_read_fd_);
    ::close(wake_write_fd_);
    if (listen_fd_ >= 0) ::close(listen_fd_);
    throw std::runtime_error("fake FTP server: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

FakeFtpServer::~FakeFtpServer() {
  Stop();
  ::close(listen_fd_);
  ::close(wake_read_fd_);
  ::close(wake_write_fd_);
}

void FakeFtpServer::Run() {
  FakeFtpSession session(*this, wake_read_fd_, step_timeout_ms_);
  session.Run(listen_fd_);
}

void FakeFtpServer::Stop() {
  if (!thread_.joinable()) return;
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = ::write(wake_write_fd_, &byte, 1);
  thread_.join();
  MarkFinished();
}

bool FakeFtpServer::WaitFinished(int timeout_ms) {
  std::unique_lock lock(mutex_);
  return finished_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                               [this] { return finished_; });
}

void FakeFtpServer::MarkFinished() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  finished_cv_.notify_all();
}

void FakeFtpServer::RecordCommand(std::string line) {
  std::lock_guard lock(mutex_);
  commands_.push_back(std::move(line));
}

void FakeFtpServer::RecordFailure(std::string text) {
  std::lock_guard lock(mutex_);
  failures_.push_back(std::move(text));
}

void FakeFtpServer::RecordNote(std::string text) {
  std::lock_guard lock(mutex_);
  notes_.push_back(std::move(text));
}

void FakeFtpServer::RecordUpload(std::string bytes) {
  std::lock_guard lock(mutex_);
  uploads_.push_back(std::move(bytes));
}

std::vector<std::string> FakeFtpServer::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

std::vector<std::string> FakeFtpServer::Failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

std::vector<std::string> FakeFtpServer::Notes() const {
  std::lock_guard lock(mutex_);
  return notes_;
}

std::vector<std::string> FakeFtpServer::Uploads() const {
  std::lock_guard lock(mutex_);
  return uploads_;
}

std::string FakeFtpServer::Report() const {
  std::lock_guard lock(mutex_);
  std::string text = "commands received:";
  for (const auto& line : commands_) text += "\n  " + line;
  text += "\nscript failures:";
  for (const auto& line : failures_) text += "\n  " + line;
  return text;
}

}  // namespace varnel::ftp::testing
