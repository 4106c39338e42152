#include "listing/display_bytes.h"

#include <cmath>
#include <cstdio>

namespace varnel::listing {
namespace {

constexpr std::uint64_t kKilobyte = 1024;
constexpr std::uint64_t kMegabyte = 1024 * 1024;

// value / divisor rounded to the nearest integer, halves to the even one.
std::uint64_t DivideRoundingHalfEven(std::uint64_t value, std::uint64_t divisor) {
  std::uint64_t quotient = value / divisor;
  const std::uint64_t twice_rest = (value % divisor) * 2;
  if (twice_rest > divisor || (twice_rest == divisor && quotient % 2 == 1)) {
    ++quotient;
  }
  return quotient;
}

// value * 100 / unit, truncated, without overflowing for any 64-bit value.
std::uint64_t Hundredths(std::uint64_t value, std::uint64_t unit) {
  return value / unit * 100 + value % unit * 100 / unit;
}

std::string WithTwoDecimals(std::uint64_t hundredths, const char* unit) {
  const std::uint64_t fraction = hundredths % 100;
  return std::to_string(hundredths / 100) + (fraction < 10 ? ".0" : ".") +
         std::to_string(fraction) + unit;
}

std::uint64_t Magnitude(std::int64_t value) {
  const auto bits = static_cast<std::uint64_t>(value);
  return value < 0 ? 0 - bits : bits;
}

}  // namespace

std::string FileSizeText(std::int64_t bytes) {
  if (bytes < 0) {
    return "?? KB";
  }
  std::uint64_t kilobytes = DivideRoundingHalfEven(static_cast<std::uint64_t>(bytes), kKilobyte);
  if (bytes > 0 && kilobytes == 0) {
    kilobytes = 1;
  }
  return std::to_string(kilobytes) + " KB";
}

std::string FormatByteCount(std::int64_t value, bool with_decimals) {
  const std::uint64_t magnitude = Magnitude(value);
  if (magnitude > kMegabyte) {
    return WithTwoDecimals(Hundredths(magnitude, kMegabyte), "Mb");
  }
  if (magnitude > kKilobyte) {
    if (with_decimals) {
      return WithTwoDecimals(Hundredths(magnitude, kKilobyte), "Kb");
    }
    return std::to_string(magnitude / kKilobyte) + "Kb";
  }
  return std::to_string(magnitude) + "bytes";
}

std::string TransferProgressLabel(std::int64_t count, std::int64_t total) {
  std::string label = FormatByteCount(count, false) + " of " + FormatByteCount(total, false);
  if (total == 0) {
    return label + " (??%)";
  }
  // nearbyint rounds halves to even in the default rounding mode; long double
  // holds every 64-bit count exactly enough and cannot overflow here.
  const long double percent =
      std::nearbyint(100.0L * static_cast<long double>(count) / static_cast<long double>(total));
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.0Lf", percent);
  return label + " (" + digits + "%)";
}

std::string TransferProgressHint(const std::string& label, std::int64_t count,
                                 std::int64_t elapsed_ms) {
  // A clock that stepped back counts as no time passed.
  const std::uint64_t seconds =
      elapsed_ms <= 0 ? 0 : DivideRoundingHalfEven(static_cast<std::uint64_t>(elapsed_ms), 1000);
  if (seconds == 0) {
    return "[" + label + "]";
  }
  const auto rate = static_cast<std::int64_t>(Magnitude(count) / seconds);
  return label + " at " + FormatByteCount(rate, true) + "/Sec";
}

}  // namespace varnel::listing
