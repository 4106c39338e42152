// ls and nlst output, streamed: the engine writes the listing into a pipe
// and a thread of its own prints it as it arrives, so memory stays flat
// however long the listing is (even one that never ends).
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <thread>

#include "listing/listing_stream.h"

namespace varnel::cli {

// The clock that listing dates without a year are read against: now, with a
// day's grace, since a server lists in its own zone, which may be up to 14
// hours ahead of UTC, and its newest entries must stay in the current year.
std::chrono::sys_seconds ListingNow();

// The listing as text for people: CR LF and a lone CR become LF, block by
// block (a CR at the end of a block waits for the next one).
class LfLineEnds {
 public:
  std::string Feed(std::string_view block);
  // A final line end when the listing lacks one.
  std::string Finish() const;

 private:
  bool pending_cr_ = false;
  char last_ = 0;
};

enum class ListingStyle { kText, kJsonEntries, kJsonNames };

// Turns the bytes of a listing into output on `out_fd`, written in blocks.
// kText: the server's text with LF line ends; kJsonEntries: one
// JsonListingEntry per entry (ListingStreamParser); kJsonNames: one
// JsonNameEntry per line.
class ListingPrinter {
 public:
  ListingPrinter(int out_fd, ListingStyle style, std::chrono::sys_seconds now);

  // False once writing has failed.
  bool Feed(std::string_view block);
  bool Finish();

  // Why writing failed, or empty.
  const std::string& WriteError() const { return write_error_; }
  // Lines too long to be listing entries, left out of the JSON.
  std::size_t DroppedLines() const { return splitter_.DroppedLines(); }

 private:
  void Line(std::string_view line);
  bool Flush(std::size_t above);

  int out_fd_;
  ListingStyle style_;
  LfLineEnds line_ends_;
  listing::ListingLineSplitter splitter_;
  listing::ListingStreamParser parser_;
  std::string pending_;
  std::string write_error_;
};

// A pipe whose write end the engine writes the listing to, read by a thread
// that feeds a ListingPrinter. When printing fails the thread closes the
// pipe, so the engine's next write fails and the listing request ends.
class ListingPipe {
 public:
  explicit ListingPipe(ListingPrinter& printer);  // throws LocalError
  ~ListingPipe();
  ListingPipe(const ListingPipe&) = delete;
  ListingPipe& operator=(const ListingPipe&) = delete;

  // The write end as a path for the engine.
  const std::string& EnginePath() const { return engine_path_; }
  // Closes the write end and waits until the thread has printed the rest.
  void Finish();

 private:
  void Read(int read_fd);

  ListingPrinter& printer_;
  int write_fd_ = -1;
  std::string engine_path_;
  std::thread thread_;
};

}  // namespace varnel::cli
