// Running varnel-ftp in-process for the tests: in-memory standard streams
// and the exit status.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "runtime/test_temp_folder.h"

namespace varnel::cli::testing {

// An in-memory file standing in for a standard stream.
class MemoryStream {
 public:
  explicit MemoryStream(const std::string& contents = "")
      : fd_(::memfd_create("varnel-cli-test", MFD_CLOEXEC)) {
    if (!contents.empty()) {
      EXPECT_EQ(::write(fd_, contents.data(), contents.size()),
                static_cast<ssize_t>(contents.size()));
    }
    ::lseek(fd_, 0, SEEK_SET);
  }
  ~MemoryStream() { ::close(fd_); }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  int Fd() const { return fd_; }
  std::string Contents() const {
    return varnel::testing::ReadBytes("/proc/self/fd/" + std::to_string(fd_));
  }

 private:
  int fd_;
};

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

inline CliRun RunVarnel(const std::vector<std::string>& args, const std::string& input = "",
                        const char* env_password = nullptr) {
  MemoryStream in(input);
  MemoryStream out;
  MemoryStream err;
  CliEnvironment environment{in.Fd(), out.Fd(), err.Fd(), false, env_password};
  const int status = RunCli(args, environment);
  return {status, out.Contents(), err.Contents()};
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace varnel::cli::testing
