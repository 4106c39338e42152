#include "ui/main/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

namespace varnel::ui {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes the
// number to a socket the loop reads.
int pipe_ends[2] = {-1, -1};

void OnSignal(int signal_number) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal_number);
  [[maybe_unused]] const ssize_t written = ::write(pipe_ends[1], &number, 1);
  errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipe_ends) != 0) {
    return;  // the signals keep their default: they end the program
  }
  notifier_ = new QSocketNotifier(pipe_ends[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TTerminationSignals::ReadPending);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal_number : kSignals) ::sigaction(signal_number, &action, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
  if (notifier_ == nullptr) return;
  for (int signal_number : kSignals) std::signal(signal_number, SIG_DFL);
  delete notifier_;
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
  pipe_ends[0] = pipe_ends[1] = -1;
}

void TTerminationSignals::ReadPending() {
  unsigned char number = 0;
  while (::read(pipe_ends[0], &number, 1) == 1) emit received(number);
}

}  // namespace varnel::ui
