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

#include "bench_support.h"
#include "listing/listing_parser.h"
#include "listing/listing_sort.h"

namespace {

using namespace varnel::listing;
using varnel::bench::MakeListing;
using varnel::bench::Median;
using varnel::bench::Milliseconds;

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
