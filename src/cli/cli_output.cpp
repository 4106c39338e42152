#include "cli/cli_output.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "cli/cli_text.h"

namespace varnel::cli {
namespace {

constexpr std::string_view kSentPrefix = "> ";
constexpr std::string_view kPassWord = "PASS";
constexpr std::string_view kMaskedPass = "PASS ****";

bool IsPassCommand(std::string_view command) {
  while (!command.empty() && command.front() == ' ') command.remove_prefix(1);
  if (command.size() < kPassWord.size()) return false;
  const bool word = std::equal(kPassWord.begin(), kPassWord.end(), command.begin(),
                               [](char a, char b) {
                                 return a == std::toupper(static_cast<unsigned char>(b));
                               });
  return word && (command.size() == kPassWord.size() || command[kPassWord.size()] == ' ');
}

}  // namespace

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::string MaskCommand(const std::string& command) {
  return IsPassCommand(command) ? std::string(kMaskedPass) : command;
}

std::string MaskLogLine(const std::string& line) {
  if (line.rfind(kSentPrefix, 0) != 0) return line;
  return std::string(kSentPrefix) + MaskCommand(line.substr(kSentPrefix.size()));
}

void CliOutput::Out(std::string_view text) {
  if (out_failed_) return;
  if (WriteAll(out_fd_, text)) return;
  out_failed_ = true;
  out_error_ = std::strerror(errno);
}

void CliOutput::ErrLine(std::string_view line) {
  progress_.Erase();
  std::string text = VisibleText(line);
  text += '\n';
  // Standard error is the last place to report to; nothing is left to tell
  // when it fails.
  WriteAll(err_fd_, text);
}

}  // namespace varnel::cli
