#include "listing/listing_stream.h"

#include "listing/listing_text.h"

namespace varnel::listing {
namespace {

// "total 24" (or "total 24K"), the block count that ls-style listings put
// in front of the entries.
bool IsSummaryLine(std::string_view line) {
  constexpr std::string_view kTotal = "TOTAL ";
  if (line.size() <= kTotal.size() ||
      UpperAscii(std::string(line.substr(0, kTotal.size()))) != kTotal) {
    return false;
  }
  const std::string_view count = line.substr(kTotal.size());
  return count.front() >= '0' && count.front() <= '9' && count.find(' ') == std::string_view::npos;
}

}  // namespace

void ListingLineSplitter::Feed(std::string_view bytes, const LineSink& sink) {
  while (!bytes.empty()) {
    const std::size_t end = FindLineEnd(bytes);
    const std::string_view piece = bytes.substr(0, end);
    if (end != std::string_view::npos && pending_.empty() && !overlong_ &&
        piece.size() <= max_line_) {
      // The common case: a whole line inside the block, passed on in place.
      if (!piece.empty()) sink(piece);
    } else {
      if (!overlong_ && pending_.size() + piece.size() > max_line_) {
        overlong_ = true;
        pending_.clear();
      }
      if (!overlong_) pending_.append(piece);
      if (end != std::string_view::npos) EndLine(sink);
    }
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
}

void ListingLineSplitter::Finish(const LineSink& sink) { EndLine(sink); }

void ListingLineSplitter::EndLine(const LineSink& sink) {
  if (overlong_) {
    ++dropped_;
  } else if (!pending_.empty()) {
    sink(pending_);
  }
  pending_.clear();
  overlong_ = false;
}

std::optional<ListingEntry> ListingStreamParser::Parse(std::string_view raw) {
  if (!format_) {
    const std::string_view line = TrimControls(raw);
    if (line.empty() || IsSummaryLine(line)) return std::nullopt;
    format_ = FormatOfLine(line);
  }
  return ParseListingLine(raw, *format_, now_);
}

}  // namespace varnel::listing
