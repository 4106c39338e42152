// A listing read as it arrives, in bounded memory: bytes cut into lines,
// lines parsed into entries in the order received.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "listing/listing_entry.h"

namespace varnel::listing {

// Cuts a byte stream into lines at LF, CR LF or a lone CR and hands on each
// non-empty line without its line end. A line longer than the limit is
// dropped whole (and counted), so no input makes the splitter hold more
// than the limit.
class ListingLineSplitter {
 public:
  using LineSink = std::function<void(std::string_view line)>;

  // Far beyond any file name or path a server lists.
  static constexpr std::size_t kDefaultMaxLine = 64 * 1024;

  explicit ListingLineSplitter(std::size_t max_line = kDefaultMaxLine) : max_line_(max_line) {}

  void Feed(std::string_view bytes, const LineSink& sink);
  // The last line when the stream ends without a line end.
  void Finish(const LineSink& sink);
  // Lines dropped for their length so far.
  std::size_t DroppedLines() const { return dropped_; }

 private:
  void EndLine(const LineSink& sink);

  std::size_t max_line_;
  std::string pending_;
  bool overlong_ = false;
  std::size_t dropped_ = 0;
};

// Parses the lines of a listing in the order they arrive, where the whole
// listing is never at hand (ParseRemoteListing sorts it first). The format is
// decided by the first line that is not a "total N" summary: a long listing
// skips month-less lines, a listing of bare names makes them entries.
class ListingStreamParser {
 public:
  explicit ListingStreamParser(std::chrono::sys_seconds now) : now_(now) {}

  std::optional<ListingEntry> Parse(std::string_view raw);

 private:
  std::chrono::sys_seconds now_;
  std::optional<ListingFormat> format_;
};

}  // namespace varnel::listing
