#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varnel::testing {
namespace {

constexpr int kGraceMs = 2000;
constexpr int kPollMs = 10;

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void ExecChild(char* const* argv, const char* log_path, int stdout_fd) {
  ::setpgid(0, 0);
  int log = ::open(log_path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  int null = ::open("/dev/null", O_RDONLY);
  if (log < 0 || null < 0) ::_exit(127);
  ::dup2(null, STDIN_FILENO);
  ::dup2(stdout_fd >= 0 ? stdout_fd : log, STDOUT_FILENO);
  ::dup2(log, STDERR_FILENO);
  ::execvp(argv[0], argv);
  const char message[] = "exec failed: ";
  [[maybe_unused]] ssize_t a = ::write(STDERR_FILENO, message, sizeof message - 1);
  [[maybe_unused]] ssize_t b = ::write(STDERR_FILENO, argv[0], std::strlen(argv[0]));
  [[maybe_unused]] ssize_t c = ::write(STDERR_FILENO, "\n", 1);
  ::_exit(127);
}

}  // namespace

void ChildProcess::Start(const std::vector<std::string>& argv, const std::string& log_path,
                         int stdout_fd) {
  Stop();
  std::vector<std::string> copies = argv;
  std::vector<char*> pointers;
  for (auto& text : copies) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed starting " + argv.front());
  if (pid == 0) ExecChild(pointers.data(), log_path.c_str(), stdout_fd);
  // Both sides set the group so that a Stop() right after Start() reaches it.
  ::setpgid(pid, pid);
  pid_ = pid;
}

bool ChildProcess::Running() {
  if (pid_ < 0) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == 0) return true;
  pid_ = -1;
  return false;
}

void ChildProcess::Stop() {
  if (pid_ < 0) return;
  const pid_t group = pid_;
  ::kill(-group, SIGTERM);
  for (int waited = 0; waited < kGraceMs && Running(); waited += kPollMs) {
    ::usleep(kPollMs * 1000);
  }
  // Whatever is left of the group (the leader, or session processes it
  // forked) does not outlive the test.
  ::kill(-group, SIGKILL);
  if (pid_ >= 0) ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string LogTail(const std::string& path, std::size_t max_bytes) {
  std::ifstream in(path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (text.size() > max_bytes) text.erase(0, text.size() - max_bytes);
  return text;
}

}  // namespace varnel::testing
