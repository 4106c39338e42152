// The line layer's properties, its reading side (RecvRaw, RcvdCount), the
// hand-over of buffered bytes after a mode switch and at the end of a
// connection, and its notification.
#include "socket/line_wsocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varnel::socket {
namespace {

class Counter {
 public:
  explicit Counter(int& count) : count_(count) { ++count_; }
  ~Counter() { --count_; }
  Counter(const Counter&) = delete;
  Counter& operator=(const Counter&) = delete;

 private:
  int& count_;
};

}  // namespace

TCustomLineWSocket::FlagScope::FlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }

TCustomLineWSocket::FlagScope::~FlagScope() { flag_ = old_; }

void TCustomLineWSocket::SetLineMode(bool Value) {
  if (Value == line_mode_) return;
  line_mode_ = Value;
  const bool pending = Buffered() > 0;
  line_length_ = 0;
  search_from_ = 0;
  if (pending) PostNotification(NotifyLineModeChanged);
}

// Buffered bytes are searched again for the new terminator.
void TCustomLineWSocket::SetLineEnd(const std::string& Value) {
  if (Value == line_end_) return;
  line_end_ = Value;
  line_length_ = 0;
  search_from_ = 0;
  if (Buffered() > 0) PostNotification(NotifyLineModeChanged);
}

// The proxy's replies during a SOCKS negotiation are not lines.
bool TCustomLineWSocket::LineProcessing() const {
  return line_mode_ && !line_end_.empty() && SocksState() == socksIdle;
}

std::size_t TCustomLineWSocket::Bound() const {
  const std::size_t limit = line_limit_ > 0 ? static_cast<std::size_t>(line_limit_) + 1 : 0;
  return std::max(MaxLineBuffer, limit);
}

int TCustomLineWSocket::TakeFront(void* Buffer, std::size_t Size) {
  const std::size_t count = std::min(Size, Buffered());
  if (Buffer != nullptr && count > 0) std::memcpy(Buffer, buffer_.data() + head_, count);
  head_ += count;
  line_length_ -= std::min(line_length_, count);
  search_from_ -= std::min(search_from_, count);
  // Emptied: start again at the front; the allocation stays for the next read.
  if (head_ == buffer_.size()) {
    buffer_.clear();
    head_ = 0;
  }
  return static_cast<int>(count);
}

void TCustomLineWSocket::FreeBuffer() {
  std::string().swap(buffer_);
  head_ = 0;
  line_length_ = 0;
  search_from_ = 0;
}

// In line mode only the line being delivered can be read: reading past it
// from the network would hand out bytes ahead of the buffered ones.
int TCustomLineWSocket::RecvRaw(void* Buffer, int BufferSize, int Flags) {
  if (filling_) return TCustomSocksWSocket::RecvRaw(Buffer, BufferSize, Flags);
  const std::size_t size = BufferSize > 0 ? static_cast<std::size_t>(BufferSize) : 0;
  if (LineProcessing()) {
    if (line_length_ == 0) {
      errno = EWOULDBLOCK;
      return -1;
    }
    return TakeFront(Buffer, std::min(size, line_length_));
  }
  if (Buffered() > 0) return TakeFront(Buffer, size);
  return TCustomSocksWSocket::RecvRaw(Buffer, BufferSize, Flags);
}

bool TCustomLineWSocket::ReadsFromHandle() const {
  return !LineProcessing() && Buffered() == 0 && TCustomSocksWSocket::ReadsFromHandle();
}

// Bytes left from line mode are read before the network, so they count as
// readable too.
int TCustomLineWSocket::GetRcvdCount() {
  if (LineProcessing()) return static_cast<int>(line_length_);
  if (Buffered() > 0) return static_cast<int>(Buffered());
  return TCustomSocksWSocket::GetRcvdCount();
}

void TCustomLineWSocket::DispatchNotification(unsigned Msg, std::uint64_t WParam,
                                              std::uint64_t LParam) {
  if (Msg == NotifyRelease && line_dispatch_depth_ > 0) {
    // A hand-over still running (its handler pumped the loop) keeps the
    // socket alive until it returned.
    PostNotification(NotifyRelease);
    return;
  }
  if (Msg != NotifyLineModeChanged) {
    TCustomSocksWSocket::DispatchNotification(Msg, WParam, LParam);
    return;
  }
  const Counter depth(line_dispatch_depth_);
  try {
    HandleLineModeChanged();
  } catch (const std::exception& e) {
    ReportBgException(e);
  }
}

// With line mode now on, the buffered bytes are searched for lines (a
// delivery already running does that itself); with it off they are handed
// over as plain data.
void TCustomLineWSocket::HandleLineModeChanged() {
  if (Buffered() == 0) return;
  if (!LineProcessing()) {
    HandOverBuffered();
    return;
  }
  if (!delivering_) DeliverLines(session_);
}

void TCustomLineWSocket::HandOverBuffered() {
  const std::uint64_t session = session_;
  const FlagScope delivering(delivering_);
  const bool as_line = LineProcessing();
  if (as_line) line_length_ = Buffered();
  while (Buffered() > 0) {
    const std::size_t before = Buffered();
    if (!TCustomSocksWSocket::FireDataAvailable(0)) {
      TakeFront(nullptr, Buffered());
      return;
    }
    // A handler that switched line mode on leaves the rest to the line
    // search its switch scheduled.
    if (Buffered() >= before || SessionEnded(session)) return;
    if (!as_line && LineProcessing()) return;
  }
}

// The bytes still buffered reach the handler before OnSessionClosed, unless
// the connection was ended from inside a handler of this layer, which has
// chosen to stop reading.
void TCustomLineWSocket::FireSessionClosed(std::uint16_t Error) {
  if (Buffered() > 0 && !delivering_ && !limit_running_) HandOverBuffered();
  FreeBuffer();
  TCustomSocksWSocket::FireSessionClosed(Error);
}

void TCustomLineWSocket::FireLineLimitExceeded(int RcvdLength, bool& ClearData) {
  if (!OnLineLimitExceeded) return;
  const TLineLimitEvent handler = OnLineLimitExceeded;
  handler(this, RcvdLength, ClearData);
}

}  // namespace varnel::socket
