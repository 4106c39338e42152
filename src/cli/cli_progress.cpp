#include "cli/cli_progress.h"

#include <array>
#include <cstdio>

#include "cli/cli_output.h"
#include "runtime/event_loop.h"

namespace varnel::cli {
namespace {

constexpr int kBarWidth = 24;
constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kSecondsPerHour = 3600;
constexpr std::int64_t kSecondsPerMinute = 60;
constexpr double kUnitStep = 1024.0;
constexpr int kPercent = 100;
constexpr const char* kEraseLine = "\r\033[K";

std::string Bar(std::int64_t done, std::int64_t total) {
  const std::int64_t filled = total > 0 ? done * kBarWidth / total : 0;
  std::string bar = "[";
  for (int i = 0; i < kBarWidth; ++i) bar += i < filled ? '#' : '.';
  return bar + "]";
}

}  // namespace

std::string FormatByteCount(std::int64_t bytes) {
  static constexpr std::array<const char*, 5> kUnits{"KiB", "MiB", "GiB", "TiB", "PiB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes);
  std::size_t unit = 0;
  value /= kUnitStep;
  while (value >= kUnitStep && unit + 1 < kUnits.size()) {
    value /= kUnitStep;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string FormatDuration(std::int64_t seconds) {
  char text[32];
  if (seconds >= kSecondsPerHour) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld",
                  static_cast<long long>(seconds / kSecondsPerHour),
                  static_cast<long long>(seconds % kSecondsPerHour / kSecondsPerMinute),
                  static_cast<long long>(seconds % kSecondsPerMinute));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld",
                  static_cast<long long>(seconds / kSecondsPerMinute),
                  static_cast<long long>(seconds % kSecondsPerMinute));
  }
  return text;
}

std::string FormatProgressLine(std::int64_t done, std::int64_t total, std::int64_t resumed_from,
                               std::int64_t elapsed_ms) {
  std::string line = FormatByteCount(done);
  const bool known = total > 0 && done <= total;
  if (known) {
    line = Bar(done, total) + " " + std::to_string(done * kPercent / total) + "%  " + line +
           " / " + FormatByteCount(total);
  }
  const std::int64_t moved = done - resumed_from;
  if (elapsed_ms <= 0 || moved <= 0) return line + "  --/s";
  const std::int64_t rate = moved * kMsPerSecond / elapsed_ms;
  line += "  " + FormatByteCount(rate) + "/s";
  if (known && rate > 0 && done < total) line += "  ETA " + FormatDuration((total - done + rate - 1) / rate);
  return line;
}

void ProgressBar::Start(std::int64_t total, std::int64_t resumed_from) {
  if (!enabled_) return;
  running_ = true;
  total_ = total;
  resumed_from_ = resumed_from;
  done_ = resumed_from;
  start_ms_ = runtime::TickCount();
  last_draw_ms_ = 0;
}

void ProgressBar::Update(std::int64_t done) {
  if (!running_) return;
  done_ = done;
  const std::int64_t now = runtime::TickCount();
  if (drawn_ && now - last_draw_ms_ < kRedrawMs) return;
  Draw(now);
}

void ProgressBar::Draw(std::int64_t now) {
  last_draw_ms_ = now;
  drawn_ = true;
  // A terminal that stopped accepting output only loses the bar.
  WriteAll(fd_, kEraseLine + FormatProgressLine(done_, total_, resumed_from_, now - start_ms_));
}

void ProgressBar::Erase() {
  if (!drawn_) return;
  drawn_ = false;
  WriteAll(fd_, kEraseLine);
}

void ProgressBar::Finish(bool success) {
  if (!running_) return;
  running_ = false;
  if (success) {
    Draw(runtime::TickCount());
    WriteAll(fd_, "\n");
    drawn_ = false;
  } else {
    Erase();
  }
}

}  // namespace varnel::cli
