#include "fake_ftp_session.h"

#include <arpa/inet.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace varnel::ftp::testing {
namespace {

// The longest the server stalls, or records stray commands after the last
// step, before giving up on its own (Stop() normally ends both sooner).
constexpr int kDrainLimitMs = 120000;

std::string Describe(const FakeFtpScript::Step& step) {
  using Kind = FakeFtpScript::Kind;
  switch (step.kind) {
    case Kind::kReply: return "Reply";
    case Kind::kExpect: return "Expect \"" + step.texts.front() + "\"";
    case Kind::kExpectClose: return "ExpectClose";
    case Kind::kCloseControl: return "CloseControl";
    case Kind::kPause: return "Pause";
    case Kind::kStall: return "Stall";
    case Kind::kExpectPasv: return "ExpectPasv";
    case Kind::kExpectPort: return "ExpectPort";
    case Kind::kOpenData: return "OpenData";
    case Kind::kSendData: return "SendData";
    case Kind::kReceiveData: return "ReceiveData";
    case Kind::kCloseData: return "CloseData";
    case Kind::kResetData: return "ResetData";
  }
  return "?";
}

int LoopbackListener(unsigned& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

void SetNoDelay(int fd) {
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

}  // namespace

void OwnedFd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

FakeFtpSession::Clock::time_point FakeFtpSession::Deadline() const {
  return Clock::now() + std::chrono::milliseconds(timeout_ms_);
}

FakeFtpSession::Wait FakeFtpSession::WaitFor(int fd, short events, Clock::time_point deadline) {
  while (!stopped_) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() < 0) return Wait::kTimeout;
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {fd, events, 0}};
    int n = ::poll(fds, fd >= 0 ? 2 : 1, static_cast<int>(left.count()) + 1);
    if (n < 0 && errno != EINTR) return Wait::kTimeout;
    if (n <= 0) continue;
    if (fds[0].revents != 0) {
      stopped_ = true;
    } else if (fd >= 0 && fds[1].revents != 0) {
      return Wait::kReady;
    }
  }
  return Wait::kStopped;
}

bool FakeFtpSession::Sleep(int ms) {
  WaitFor(-1, 0, Clock::now() + std::chrono::milliseconds(ms));
  return !stopped_;
}

bool FakeFtpSession::Fail(const std::string& text) {
  if (!stopped_) {
    std::string where = current_ ? Describe(*current_) + ": " : std::string();
    server_.RecordFailure(where + text);
  }
  return false;
}

void FakeFtpSession::Run(int listen_fd) {
  if (!AcceptControl(listen_fd)) return;
  for (const Step& step : server_.script_.Steps()) {
    current_ = &step;
    if (!RunStep(step)) {
      server_.MarkFinished();
      return;
    }
  }
  current_ = nullptr;
  server_.MarkFinished();
  Drain();
}

bool FakeFtpSession::RunStep(const Step& step) {
  using Kind = FakeFtpScript::Kind;
  switch (step.kind) {
    case Kind::kReply: return ReplyPieces(step);
    case Kind::kExpect: return Expect(step);
    case Kind::kExpectClose: return ExpectClose();
    case Kind::kCloseControl: control_.Reset(); return true;
    case Kind::kPause: return Sleep(step.pause_ms);
    case Kind::kStall: Sleep(kDrainLimitMs); return false;
    case Kind::kExpectPasv: return ExpectPasv(step);
    case Kind::kExpectPort: return ExpectPort(step);
    case Kind::kOpenData: return OpenData();
    case Kind::kSendData: return SendData(step);
    case Kind::kReceiveData: return ReceiveData();
    case Kind::kCloseData: data_.Reset(); pasv_listener_.Reset(); return true;
    case Kind::kResetData: return ResetData();
  }
  return false;
}

bool FakeFtpSession::AcceptControl(int listen_fd) {
  if (WaitFor(listen_fd, POLLIN, Deadline()) != Wait::kReady) {
    Fail("no client connected");
    server_.MarkFinished();
    return false;
  }
  control_.Reset(::accept4(listen_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  if (!control_.Valid()) {
    Fail("accept failed");
    server_.MarkFinished();
    return false;
  }
  SetNoDelay(control_.Get());
  return true;
}

// ---- control connection ----

FakeFtpSession::Line FakeFtpSession::ReadLine(std::string& line, Clock::time_point deadline) {
  for (;;) {
    std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (line.empty() || line.back() != '\r') {
        Fail("command line \"" + line + "\" not ended by CR LF");
      } else {
        line.pop_back();
      }
      server_.RecordCommand(line);
      return Line::kLine;
    }
    if (!control_.Valid()) return Line::kClosed;
    Wait wait = WaitFor(control_.Get(), POLLIN, deadline);
    if (wait == Wait::kStopped) return Line::kStopped;
    if (wait == Wait::kTimeout) return Line::kTimeout;
    char buffer[4096];
    ssize_t n = ::recv(control_.Get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) {
      control_.Reset();
      return Line::kClosed;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

// Reads the line a step expects; a close, a timeout or a stop fails the step.
bool FakeFtpSession::ReadExpectedLine(std::string& line) {
  switch (ReadLine(line, Deadline())) {
    case Line::kLine: return true;
    case Line::kClosed: return Fail("client closed the control connection");
    case Line::kTimeout: return Fail("no command within " + std::to_string(timeout_ms_) + " ms");
    case Line::kStopped: return false;
  }
  return false;
}

FakeFtpSession::Write FakeFtpSession::WriteAll(int fd, std::string_view bytes,
                                               Clock::time_point deadline) {
  while (!bytes.empty()) {
    ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return Write::kPeerClosed;
    Wait wait = WaitFor(fd, POLLOUT, deadline);
    if (wait == Wait::kStopped) return Write::kStopped;
    if (wait == Wait::kTimeout) return Write::kTimeout;
  }
  return Write::kDone;
}

bool FakeFtpSession::SendControl(std::string_view bytes) {
  if (!control_.Valid()) return Fail("control connection already closed");
  switch (WriteAll(control_.Get(), bytes, Deadline())) {
    case Write::kDone: return true;
    case Write::kPeerClosed: return Fail("client closed the control connection");
    case Write::kTimeout: return Fail("control connection blocked");
    case Write::kStopped: return false;
  }
  return false;
}

bool FakeFtpSession::ReplyPieces(const Step& step) {
  for (std::size_t i = 0; i < step.texts.size(); ++i) {
    if (i > 0 && !Sleep(step.pause_ms)) return false;
    if (!SendControl(step.texts[i])) return false;
  }
  return true;
}

bool FakeFtpSession::Expect(const Step& step) {
  std::string line;
  if (!ReadExpectedLine(line)) return false;
  if (line != step.texts.front()) return Fail("got \"" + line + "\"");
  return true;
}

bool FakeFtpSession::ExpectClose() {
  auto deadline = Deadline();
  for (;;) {
    std::string line;
    switch (ReadLine(line, deadline)) {
      case Line::kLine: continue;
      case Line::kClosed: return true;
      case Line::kTimeout: return Fail("client kept the control connection open");
      case Line::kStopped: return false;
    }
  }
}

void FakeFtpSession::Drain() {
  auto deadline = Clock::now() + std::chrono::milliseconds(kDrainLimitMs);
  std::string line;
  while (ReadLine(line, deadline) == Line::kLine) {
  }
}

// ---- data connection ----

std::string FakeFtpSession::PasvText(const Step& step, unsigned port) const {
  char numbers[64];
  const char* host = step.pasv == PasvReply::kOtherHost ? "127,0,0,2" : "127,0,0,1";
  std::snprintf(numbers, sizeof numbers, "%s,%u,%u", host, port / 256, port % 256);
  switch (step.pasv) {
    case PasvReply::kNoParentheses:
      return std::string("227 Entering Passive Mode ") + numbers + "\r\n";
    case PasvReply::kJunk:
      return "227 Entering Passive Mode (a,b,c,d,e,f).\r\n";
    default:
      return std::string("227 Entering Passive Mode (") + numbers + ").\r\n";
  }
}

bool FakeFtpSession::ExpectPasv(const Step& step) {
  unsigned port = 0;
  data_.Reset();
  pasv_listener_.Reset(LoopbackListener(port));
  if (!pasv_listener_.Valid()) return Fail("cannot open the passive listener");
  if (step.pasv == PasvReply::kClosedPort) pasv_listener_.Reset();
  have_port_address_ = false;
  std::string line;
  if (!ReadExpectedLine(line)) return false;
  if (line != "PASV") return Fail("got \"" + line + "\"");
  return SendControl(PasvText(step, port) + step.texts.front());
}

bool FakeFtpSession::ExpectPort(const Step& step) {
  std::string line;
  if (!ReadExpectedLine(line)) return false;
  unsigned n[6] = {};
  char tail = 0;
  if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u%c", &n[0], &n[1], &n[2], &n[3], &n[4],
                  &n[5], &tail) != 6) {
    return Fail("got \"" + line + "\"");
  }
  for (unsigned value : n) {
    if (value > 255) return Fail("number out of range in \"" + line + "\"");
  }
  // Never connect anywhere but loopback, whatever the client says.
  if (n[0] != 127) return Fail("not a loopback address in \"" + line + "\"");
  data_.Reset();
  pasv_listener_.Reset();
  port_address_ = sockaddr_in{};
  port_address_.sin_family = AF_INET;
  port_address_.sin_addr.s_addr = htonl((n[0] << 24) | (n[1] << 16) | (n[2] << 8) | n[3]);
  port_address_.sin_port = htons(static_cast<std::uint16_t>(n[4] * 256 + n[5]));
  have_port_address_ = true;
  if (step.connect_first && !ConnectData()) return false;
  return SendControl("200 PORT command successful.\r\n");
}

bool FakeFtpSession::OpenData() {
  if (pasv_listener_.Valid()) return AcceptData();
  if (have_port_address_) return ConnectData();
  return Fail("neither PASV nor PORT came before");
}

bool FakeFtpSession::AcceptData() {
  Wait wait = WaitFor(pasv_listener_.Get(), POLLIN, Deadline());
  if (wait == Wait::kStopped) return false;
  if (wait == Wait::kTimeout) return Fail("the client opened no data connection");
  data_.Reset(::accept4(pasv_listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
  pasv_listener_.Reset();
  if (!data_.Valid()) return Fail("accept failed");
  return true;
}

bool FakeFtpSession::ConnectData() {
  data_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  int rc = ::connect(data_.Get(), reinterpret_cast<const sockaddr*>(&port_address_),
                     sizeof port_address_);
  if (rc != 0 && errno != EINPROGRESS) return Fail("connect to the PORT address failed");
  Wait wait = WaitFor(data_.Get(), POLLOUT, Deadline());
  if (wait == Wait::kStopped) return false;
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(data_.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
  if (wait == Wait::kTimeout || error != 0) return Fail("connect to the PORT address failed");
  return true;
}

bool FakeFtpSession::SendData(const Step& step) {
  if (!data_.Valid()) return Fail("no data connection");
  const std::string& bytes = step.texts.front();
  std::size_t chunk = step.chunk == 0 ? bytes.size() : step.chunk;
  for (std::size_t sent = 0; sent < bytes.size(); sent += chunk) {
    if (sent > 0 && !Sleep(step.pause_ms)) return false;
    std::string_view piece = std::string_view(bytes).substr(sent, chunk);
    switch (WriteAll(data_.Get(), piece, Deadline())) {
      case Write::kDone: break;
      case Write::kPeerClosed:
        server_.RecordNote("client closed the data connection after " + std::to_string(sent) +
                           " of " + std::to_string(bytes.size()) + " bytes");
        return true;
      case Write::kTimeout: return Fail("the client stopped reading the data connection");
      case Write::kStopped: return false;
    }
  }
  return true;
}

bool FakeFtpSession::ResetData() {
  if (!data_.Valid()) return Fail("no data connection");
  linger abortive{1, 0};
  ::setsockopt(data_.Get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  data_.Reset();
  return true;
}

bool FakeFtpSession::ReceiveData() {
  if (!data_.Valid()) return Fail("no data connection");
  std::string received;
  auto deadline = Deadline();
  for (;;) {
    Wait wait = WaitFor(data_.Get(), POLLIN, deadline);
    if (wait == Wait::kStopped) return false;
    if (wait == Wait::kTimeout) return Fail("the client did not close the data connection");
    char buffer[16384];
    ssize_t n = ::recv(data_.Get(), buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0) {
      return Fail("data connection reset after " + std::to_string(received.size()) + " bytes");
    }
    if (n == 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    deadline = Deadline();
  }
  data_.Reset();
  server_.RecordUpload(std::move(received));
  return true;
}

}  // namespace varnel::ftp::testing
