#include "cli/cli_listing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "cli/cli_json.h"
#include "cli/cli_local.h"
#include "cli/cli_output.h"

namespace varnel::cli {
namespace {

constexpr std::size_t kReadBlock = 64 * 1024;
constexpr std::size_t kWriteBlock = 64 * 1024;

}  // namespace

std::chrono::sys_seconds ListingNow() {
  return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) +
         std::chrono::days(1);
}

std::string LfLineEnds::Feed(std::string_view block) {
  std::string out;
  out.reserve(block.size() + 1);
  for (const char c : block) {
    if (pending_cr_ && c != '\n') out += '\n';
    pending_cr_ = c == '\r';
    if (!pending_cr_) out += c;
    last_ = c;
  }
  return out;
}

std::string LfLineEnds::Finish() const {
  if (pending_cr_) return "\n";
  return last_ == 0 || last_ == '\n' ? "" : "\n";
}

ListingPrinter::ListingPrinter(int out_fd, ListingStyle style, std::chrono::sys_seconds now)
    : out_fd_(out_fd), style_(style), parser_(now) {}

bool ListingPrinter::Feed(std::string_view block) {
  if (style_ == ListingStyle::kText) {
    pending_ += line_ends_.Feed(block);
  } else {
    splitter_.Feed(block, [this](std::string_view line) { Line(line); });
  }
  return Flush(kWriteBlock);
}

bool ListingPrinter::Finish() {
  if (style_ == ListingStyle::kText) {
    pending_ += line_ends_.Finish();
  } else {
    splitter_.Finish([this](std::string_view line) { Line(line); });
  }
  return Flush(0);
}

void ListingPrinter::Line(std::string_view line) {
  if (style_ == ListingStyle::kJsonNames) {
    pending_ += JsonNameEntry(line);
  } else if (std::optional<listing::ListingEntry> entry = parser_.Parse(line)) {
    pending_ += JsonListingEntry(*entry);
  }
}

// Writes what is pending once it is more than `above` bytes.
bool ListingPrinter::Flush(std::size_t above) {
  if (!write_error_.empty()) return false;
  if (pending_.empty() || pending_.size() <= above) return true;
  if (!WriteAll(out_fd_, pending_)) write_error_ = std::strerror(errno);
  pending_.clear();
  return write_error_.empty();
}

ListingPipe::ListingPipe(ListingPrinter& printer) : printer_(printer) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    throw LocalError(std::string("cannot make a pipe for the listing: ") + std::strerror(errno));
  }
  write_fd_ = fds[1];
  engine_path_ = "/proc/self/fd/" + std::to_string(write_fd_);
  thread_ = std::thread(&ListingPipe::Read, this, fds[0]);
}

ListingPipe::~ListingPipe() { Finish(); }

void ListingPipe::Finish() {
  if (write_fd_ >= 0) ::close(write_fd_);
  write_fd_ = -1;
  if (thread_.joinable()) thread_.join();
}

void ListingPipe::Read(int read_fd) {
  std::vector<char> block(kReadBlock);
  bool printing = true;
  for (;;) {
    const ssize_t got = ::read(read_fd, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    printing = printer_.Feed(std::string_view(block.data(), static_cast<std::size_t>(got)));
    if (!printing) break;
  }
  ::close(read_fd);
  if (printing) printer_.Finish();
}

}  // namespace varnel::cli
