// Loopback throughput of a TWSocket pair against a plain blocking socket pair.
//
// TWSocket pair: a sender thread paces 64 KiB Sends on OnDataSent, a receiver
// thread reads with Receive into a 64 KiB buffer in OnDataAvailable; each
// thread runs its own event loop. Plain pair: the same two threads with
// blocking send/recv of 64 KiB. Prints the median MiB/s of each and the ratio.
//
// Usage: socket_throughput_bench [MiB per round] [rounds]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/event_loop.h"
#include "socket/twsocket.h"

namespace {

using varnel::runtime::EventLoop;
using varnel::socket::TCustomWSocket;
using varnel::socket::TWSocket;
using Clock = std::chrono::steady_clock;

constexpr int kChunk = 64 * 1024;

double MiBPerSecond(std::int64_t bytes, Clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// ---- TWSocket pair ----

// Listens, takes over one connection and receives `total` bytes.
void ReceiveWithSocket(std::int64_t total, std::promise<std::string>& port,
                       std::atomic<std::int64_t>& received, std::atomic<bool>& failed) {
  EventLoop& loop = EventLoop::Current();
  TWSocket server;
  std::unique_ptr<TWSocket> session;
  std::vector<char> buffer(kChunk);
  server.SetAddr("127.0.0.1");
  server.SetPort("0");
  server.OnSessionAvailable = [&](TCustomWSocket* listener, std::uint16_t) {
    session = std::make_unique<TWSocket>();
    session->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
      const int n = s->Receive(buffer.data(), kChunk);
      if (n > 0) received += n;
    };
    session->OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) {
      if (received < total) failed = true;
    };
    session->Dup(listener->Accept());
  };
  server.Listen();
  port.set_value(server.GetLocalPortText());
  while (received < total && !failed) loop.RunOnce(100);
}

// The default linger makes a close abortive, so the sender stays open until
// the receiver has everything.
void SendWithSocket(std::int64_t total, const std::string& port,
                    const std::atomic<std::int64_t>& received, std::atomic<bool>& failed) {
  EventLoop& loop = EventLoop::Current();
  TWSocket client;
  const std::vector<char> chunk(kChunk, 'x');
  std::int64_t queued = 0;
  client.OnDataSent = [&](TCustomWSocket* s, std::uint16_t error) {
    if (error != 0) failed = true;
    if (queued >= total) return;
    const int piece = static_cast<int>(std::min<std::int64_t>(kChunk, total - queued));
    queued += s->Send(chunk.data(), piece);
  };
  client.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t error) {
    if (error != 0) failed = true;
  };
  client.SetAddr("127.0.0.1");
  client.SetPort(port);
  client.Connect();
  while (received < total && !failed) loop.RunOnce(100);
}

double SocketRound(std::int64_t total) {
  std::atomic<bool> failed{false};
  std::atomic<std::int64_t> received{0};
  std::promise<std::string> port;
  std::future<std::string> port_ready = port.get_future();
  const auto start = Clock::now();
  std::thread receiver([&] { ReceiveWithSocket(total, port, received, failed); });
  std::thread sender([&, p = port_ready.get()] { SendWithSocket(total, p, received, failed); });
  sender.join();
  receiver.join();
  const auto elapsed = Clock::now() - start;
  if (failed) {
    std::fprintf(stderr, "TWSocket round failed\n");
    std::exit(1);
  }
  return MiBPerSecond(total, elapsed);
}

// ---- plain blocking pair ----

double PlainRound(std::int64_t total) {
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener, 1);
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

  const auto start = Clock::now();
  std::thread receiver([&] {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    std::vector<char> buffer(kChunk);
    std::int64_t received = 0;
    while (received < total) {
      const auto n = ::recv(fd, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      received += n;
    }
    ::close(fd);
  });
  std::thread sender([&] {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const std::vector<char> chunk(kChunk, 'x');
    std::int64_t sent = 0;
    while (sent < total) {
      const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(kChunk, total - sent));
      const auto n = ::send(fd, chunk.data(), piece, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += n;
    }
    ::close(fd);
  });
  sender.join();
  receiver.join();
  const auto elapsed = Clock::now() - start;
  ::close(listener);
  return MiBPerSecond(total, elapsed);
}

}  // namespace

int main(int argc, char** argv) {
  const std::int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::int64_t total = mib * 1024 * 1024;
  std::vector<double> socket_rates;
  std::vector<double> plain_rates;
  for (int round = 0; round < rounds; ++round) {
    plain_rates.push_back(PlainRound(total));
    socket_rates.push_back(SocketRound(total));
    std::printf("round %d: plain %.0f MiB/s, TWSocket %.0f MiB/s\n", round + 1,
                plain_rates.back(), socket_rates.back());
  }
  const double plain = Median(plain_rates);
  const double socket = Median(socket_rates);
  std::printf("plain blocking pair: %.0f MiB/s (median of %d x %lld MiB)\n", plain, rounds,
              static_cast<long long>(mib));
  std::printf("TWSocket pair:       %.0f MiB/s\n", socket);
  std::printf("ratio TWSocket/plain: %.2f\n", socket / plain);
  return 0;
}
