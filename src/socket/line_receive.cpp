// Line mode on arrival: reading into the line buffer, terminal-style editing
// and echo, the search for complete lines, their delivery and the limits.
#include <algorithm>
#include <climits>

#include "socket/line_wsocket.h"

namespace varnel::socket {
namespace {

// Read size when the OS reports nothing readable (end of stream or a
// notification without data).
constexpr int kDefaultRead = 255;
constexpr char kBackspace = 8;
constexpr char kTab = 9;
constexpr std::size_t kTabWidth = 8;
constexpr char kEraseEcho[] = {kBackspace, ' ', kBackspace};

}  // namespace

// Nested arrivals (a handler pumped the loop) only fill the buffer: the
// delivery that is running takes their lines in order.
bool TCustomLineWSocket::FireDataAvailable(std::uint16_t Error) {
  if (!LineProcessing()) return TCustomSocksWSocket::FireDataAvailable(Error);
  const std::uint64_t session = session_;
  const int got = FillBuffer();
  if (SessionEnded(session) || delivering_) return true;
  if (!DeliverLines(session) || !LineProcessing()) return true;
  if (got > 0) {
    CheckLineLimit();
    if (SessionEnded(session) || !LineProcessing()) return true;
  }
  if (line_length_ == 0 && Buffered() >= Bound()) {
    // Full without a line end: the bytes go to the handler as they are
    // rather than grow the buffer further.
    line_length_ = Buffered();
    DeliverFront();
  }
  return true;
}

int TCustomLineWSocket::FillBuffer() {
  const std::size_t held = Buffered();
  const std::size_t room = Bound() - std::min(Bound(), held);
  if (room == 0) return 0;  // the OS keeps the data until lines are taken
  const int readable = TCustomSocksWSocket::GetRcvdCount();
  if (readable < 0) return readable;
  // A tab grows by up to kTabWidth when edited.
  const std::size_t limit = line_edit_ ? std::max<std::size_t>(room / kTabWidth, 1) : room;
  const std::size_t size = std::min<std::size_t>(readable == 0 ? kDefaultRead : readable, limit);
  if (head_ > 0) {
    buffer_.erase(0, head_);
    head_ = 0;
  }
  buffer_.resize(held + size);
  int got = 0;
  {
    const FlagScope filling(filling_);
    got = Receive(buffer_.data() + held, static_cast<int>(size));
  }
  buffer_.resize(held + static_cast<std::size_t>(std::max(got, 0)));
  if (got <= 0) return got;
  // ReadCount counts what the application takes from the buffer.
  UncountRead(got);
  std::size_t kept = held;
  std::size_t added = static_cast<std::size_t>(got);
  if (line_edit_) {
    ApplyLineEditing(kept, added);
  } else if (line_echo_) {
    EchoBack(buffer_.substr(head_ + kept));
  }
  // A terminator may span the kept and the added bytes.
  const std::size_t length = line_end_.size();
  search_from_ = std::min(search_from_, kept + 1 > length ? kept + 1 - length : 0);
  return got;
}

void TCustomLineWSocket::ApplyLineEditing(std::size_t& Kept, std::size_t& Added) {
  std::size_t start = head_ + LineStart(Kept);
  const std::string added = buffer_.substr(head_ + Kept, Added);
  buffer_.resize(head_ + Kept);
  std::size_t lowest = buffer_.size();
  std::string echo;
  // A completed line end starts a new line, out of reach of backspaces.
  const auto put = [&](char byte) {
    buffer_ += byte;
    echo += byte;
    if (buffer_.size() - start >= line_end_.size() && !line_end_.empty() &&
        buffer_.compare(buffer_.size() - line_end_.size(), line_end_.size(), line_end_) == 0) {
      start = buffer_.size();
    }
  };
  for (const char byte : added) {
    if (byte == kBackspace) {
      if (buffer_.size() > start) {
        buffer_.pop_back();
        echo.append(kEraseEcho, sizeof kEraseEcho);
        lowest = std::min(lowest, buffer_.size());
      }
    } else if (byte == kTab) {
      do {
        put(' ');
      } while ((buffer_.size() - start) % kTabWidth != 0);
    } else {
      put(byte);
    }
  }
  Kept = lowest - head_;
  Added = buffer_.size() - lowest;
  if (line_echo_) EchoBack(echo);
}

// A backspace never reaches into a line that is complete (or being
// delivered).
std::size_t TCustomLineWSocket::LineStart(std::size_t Kept) const {
  std::size_t start = std::min(line_length_, Kept);
  const std::size_t length = line_end_.size();
  if (length == 0 || Kept < length) return start;
  const std::size_t at = buffer_.rfind(line_end_, head_ + Kept - length);
  if (at != std::string::npos && at >= head_) start = std::max(start, at - head_ + length);
  return start;
}

void TCustomLineWSocket::EchoBack(const std::string& Bytes) {
  if (Bytes.empty() || State() != wsConnected) return;
  Send(Bytes.data(), static_cast<int>(std::min<std::size_t>(Bytes.size(), INT_MAX)));
}

bool TCustomLineWSocket::DeliverLines(std::uint64_t Session) {
  while (LineProcessing()) {
    if (line_length_ == 0 && !FindLine()) return true;
    const bool progressed = DeliverFront();
    if (SessionEnded(Session)) return false;
    if (!progressed) return true;
  }
  return true;
}

bool TCustomLineWSocket::FindLine() {
  const std::size_t length = line_end_.size();
  const std::size_t count = Buffered();
  if (length == 0 || count < length) return false;
  const std::size_t at = buffer_.find(line_end_, head_ + search_from_);
  if (at == std::string::npos) {
    search_from_ = count - length + 1;
    return false;
  }
  line_length_ = at - head_ + length;
  return true;
}

// A switch of line mode (or of LineEnd) inside the handler zeroes the line
// length, which ends this line's delivery.
bool TCustomLineWSocket::DeliverFront() {
  const FlagScope delivering(delivering_);
  while (line_length_ > 0) {
    const std::size_t before = line_length_;
    if (!TCustomSocksWSocket::FireDataAvailable(0)) {
      TakeFront(nullptr, line_length_);  // no handler: the line is dropped
      return true;
    }
    if (line_length_ >= before) return false;
  }
  return true;
}

void TCustomLineWSocket::CheckLineLimit() {
  if (line_limit_ <= 0 || line_length_ > 0) return;
  if (Buffered() <= static_cast<std::size_t>(line_limit_)) return;
  bool clear_data = true;
  {
    const FlagScope running(limit_running_);
    FireLineLimitExceeded(static_cast<int>(Buffered()), clear_data);
  }
  if (clear_data) TakeFront(nullptr, Buffered());
}

}  // namespace varnel::socket
