// The progress bar of transfers on a terminal: bytes, percent and a bar
// when the size is known, rate and time left.
#pragma once

#include <cstdint>
#include <string>

namespace varnel::cli {

// "512 B", "1.5 KiB", "12.3 MiB", "1.0 GiB".
std::string FormatByteCount(std::int64_t bytes);

// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(std::int64_t seconds);

// One line of the bar. `total` is negative when the size is unknown;
// `resumed_from` bytes were there before the transfer began and count for
// the percentage, not for the rate.
std::string FormatProgressLine(std::int64_t done, std::int64_t total, std::int64_t resumed_from,
                               std::int64_t elapsed_ms);

// Draws the line on `fd` at most every kRedrawMs, in place ("\r", erase to
// the end of the line). Does nothing when not enabled.
class ProgressBar {
 public:
  static constexpr std::int64_t kRedrawMs = 150;

  ProgressBar(int fd, bool enabled) : fd_(fd), enabled_(enabled) {}

  bool Enabled() const { return enabled_; }
  void Start(std::int64_t total, std::int64_t resumed_from);
  void Update(std::int64_t done);
  // Erases the line (before a log line is written); the next Update draws
  // it again.
  void Erase();
  // The final state and a line end after a success; otherwise erased.
  void Finish(bool success);

 private:
  void Draw(std::int64_t now);

  int fd_;
  bool enabled_;
  bool running_ = false;
  bool drawn_ = false;
  std::int64_t total_ = -1;
  std::int64_t resumed_from_ = 0;
  std::int64_t done_ = 0;
  std::int64_t start_ms_ = 0;
  std::int64_t last_draw_ms_ = 0;
};

}  // namespace varnel::cli
