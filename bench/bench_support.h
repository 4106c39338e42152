// What the benchmarks share: a generated ls-style listing and timing.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace varnel::bench {

using Clock = std::chrono::steady_clock;

// Names, sizes, types and dates that vary the way a real folder does, so
// that no column is presorted and every column has ties.
inline std::string MakeListing(int entries) {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kExtensions[] = {"txt", "jpg", "tar.gz", "pdf", "c", "h", "bin"};
  std::string listing;
  char line[160];
  unsigned seed = 12345;
  for (int i = 0; i < entries; ++i) {
    seed = seed * 1103515245 + 12345;
    const bool folder = seed % 10 == 0;
    const unsigned day = 1 + seed / 7 % 28;
    const char* month = kMonths[seed / 3 % 12];
    char when[16];
    if (seed / 11 % 2 == 0) {
      std::snprintf(when, sizeof when, "%02u:%02u", seed / 13 % 24, seed / 17 % 60);
    } else {
      std::snprintf(when, sizeof when, " %u", 2000 + seed / 19 % 26);
    }
    std::snprintf(line, sizeof line, "%s   1 ftp      ftp      %10u %s %2u %5s %s%07u.%s\r\n",
                  folder ? "drwxr-xr-x" : "-rw-r--r--", seed % 5000000, month, day, when,
                  seed % 3 == 0 ? "Report " : "data_", seed % 9999991, kExtensions[seed / 5 % 7]);
    listing += line;
  }
  return listing;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <class Work>
inline double Milliseconds(Work&& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace varnel::bench
