#include "ui/main/log_file.h"

#include "runtime/atomic_file.h"

namespace varnel::ui {
namespace {

constexpr const char* kLogExtension = ".log";

}  // namespace

std::string LogFileName(const std::string& chosen) {
  const std::size_t slash = chosen.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = chosen.rfind('.');
  if (dot == std::string::npos || dot < name_start) return chosen + kLogExtension;
  if (dot + 1 == chosen.size()) return chosen.substr(0, dot) + kLogExtension;
  return chosen;
}

std::string LogFileBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

bool WriteLogFile(const std::string& path, const std::vector<std::string>& lines,
                  std::string& error) {
  return runtime::WriteFileAtomically(path, LogFileBytes(lines), 0644, false, &error);
}

std::string MessageLogLine(const std::string& date_time, const std::string& text) {
  return "[" + date_time + "] - " + text;
}

}  // namespace varnel::ui
