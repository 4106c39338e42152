#include "listing/listing_parser.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// What `make` turns each entry of the listing into, in the order of
// SplitListingLines; the first line decides the format.
template <typename Out, typename Make>
std::vector<Out> ParseLines(std::string_view listing, std::chrono::sys_seconds now, Make make) {
  const std::vector<std::string_view> lines = SplitListingLines(listing);
  std::vector<Out> out;
  if (lines.empty()) {
    return out;
  }
  out.reserve(lines.size());
  const ListingFormat format = FormatOfLine(lines.front());
  for (const std::string_view line : lines) {
    if (std::optional<ListingEntry> entry = ParseListingLine(line, format, now)) {
      out.push_back(make(std::move(*entry)));
    }
  }
  return out;
}

}  // namespace

std::vector<std::string_view> SplitListingLines(std::string_view listing) {
  struct Line {
    std::string_view trimmed;
    std::string_view raw;
  };
  std::vector<Line> found;
  while (!listing.empty()) {
    const std::size_t end = FindLineEnd(listing);
    const std::string_view raw = listing.substr(0, end);
    const std::string_view trimmed = TrimControls(raw);
    if (!trimmed.empty()) {
      found.push_back({trimmed, raw});
    }
    listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
  }
  std::stable_sort(found.begin(), found.end(), [](const Line& a, const Line& b) {
    return LessIgnoringCase(a.trimmed, b.trimmed);
  });
  std::vector<std::string_view> lines;
  lines.reserve(found.size());
  for (const Line& line : found) {
    lines.push_back(line.raw);
  }
  return lines;
}

std::vector<ListingEntry> ParseRemoteListing(std::string_view listing,
                                             std::chrono::sys_seconds now) {
  return ParseLines<ListingEntry>(listing, now,
                                  [](ListingEntry&& entry) { return std::move(entry); });
}

namespace {

// The whole listing file; throws ListingFileError when it cannot be read.
std::string ReadListingFile(const std::string& path) {
  const auto fail = [&path] {
    throw ListingFileError("Unable to read the listing file \"" + path +
                           "\": " + std::strerror(errno));
  };
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                             &std::fclose);
  if (!file) {
    fail();
  }
  std::string bytes;
  std::array<char, 65536> block;
  std::size_t count = 0;
  while ((count = std::fread(block.data(), 1, block.size(), file.get())) > 0) {
    bytes.append(block.data(), count);
  }
  if (std::ferror(file.get())) {
    fail();
  }
  return bytes;
}

}  // namespace

std::vector<ListingEntry> ParseRemoteListingFile(const std::string& path,
                                                 std::chrono::sys_seconds now) {
  return ParseRemoteListing(ReadListingFile(path), now);
}

std::vector<ListingRow> ParseRemoteRowsFile(const std::string& path, std::chrono::sys_seconds now,
                                            const ListingLookups& lookups) {
  return ParseLines<ListingRow>(ReadListingFile(path), now, [&lookups](ListingEntry&& entry) {
    return MakeRemoteRow(entry, lookups);
  });
}

}  // namespace varnel::listing
