// The remote pane's work for a large folder: parse a LIST of N entries,
// build the rows, and sort them by every column in both directions (what a
// column click costs). Prints the median of each step over the rounds.
//
// Usage: listing_sort_bench [entries] [rounds]     (default 100000, 5)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "listing/listing_parser.h"
#include "listing/listing_sort.h"

namespace {

using namespace varnel::listing;
using Clock = std::chrono::steady_clock;

// Names, sizes, types and dates that vary the way a real folder does, so
// that no column is presorted and every column has ties.
std::string MakeListing(int entries) {
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
                  seed % 3 == 0 ? "Report " : "data_", seed % 9999991,
                  kExtensions[seed / 5 % 7]);
    listing += line;
  }
  return listing;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <class Work>
double Milliseconds(Work&& work) {
  const Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string listing = MakeListing(entries);
  const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
  ListingLookups lookups;
  lookups.TypeName = [](const std::string& name) { return UpperExtension(name) + " File"; };
  lookups.IconIndex = [](const std::string& extension) { return extension == "TXT" ? 1 : 2; };

  std::vector<double> parse;
  std::vector<double> build;
  std::vector<std::vector<double>> sort(8);
  std::vector<ListingRow> rows;
  for (int round = 0; round < rounds; ++round) {
    std::vector<ListingEntry> parsed;
    parse.push_back(Milliseconds([&] { parsed = ParseRemoteListing(listing, now); }));
    build.push_back(Milliseconds([&] { rows = MakeRemoteRows(parsed, lookups); }));
    for (int column = 0; column < 4; ++column) {
      for (const bool descending : {false, true}) {
        sort[column * 2 + descending].push_back(
            Milliseconds([&] { SortRows(rows, SortState{column, descending}); }));
      }
    }
  }
  std::printf("%d entries (%zu bytes of listing), median of %d rounds, milliseconds\n", entries,
              listing.size(), rounds);
  std::printf("parse %.1f, build rows %.1f\n", Median(parse), Median(build));
  static const char* const kColumns[] = {"name", "size", "type", "date"};
  for (int column = 0; column < 4; ++column) {
    std::printf("sort by %s: ascending %.1f, descending %.1f\n", kColumns[column],
                Median(sort[column * 2]), Median(sort[column * 2 + 1]));
  }
  return 0;
}
