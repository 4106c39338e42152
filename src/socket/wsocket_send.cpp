// The send chain: data is copied into BlockSize blocks and handed to the OS
// as it accepts it, several blocks per call for a stream. A stream's data
// sent while nothing is queued goes to the OS straight from the caller, and
// only what the OS does not take at once is copied.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "socket/winsock_errors.h"
#include "socket/wsocket.h"

namespace varnel::socket {
namespace {

// Blocks handed to one sendmsg of a stream (about 180 KiB).
constexpr int kMaxChunks = 128;
// Drained blocks kept for the next sends: allocating and freeing a block per
// 1460 bytes costs more than the copy into it.
constexpr std::size_t kMaxSpareBlocks = kMaxChunks;

bool ConnectionLost(int error) {
  switch (error) {
    case WSAEINVAL:
    case WSAENOTSOCK:
    case WSAECONNABORTED:
    case WSAECONNRESET:
    case WSAENOTCONN:
    case WSAESHUTDOWN:  // EPIPE: the peer is gone
      return true;
    default:
      return false;
  }
}

}  // namespace

int TCustomWSocket::Send(const void* Data, int Len) {
  if (state_ != wsConnected) {
    ReportSocketError("Send", WSAENOTCONN);
    return -1;
  }
  // Nothing queued and nothing to queue: nothing is outstanding either.
  if (Len <= 0 && send_chain_.empty()) return 0;
  all_sent_ = false;
  const std::uint64_t session = session_;
  if (Len > 0 && socket_type_ == SOCK_STREAM && ChainDrained()) {
    SendDirect(static_cast<const std::uint8_t*>(Data), Len);
  } else {
    if (Len > 0) QueueSendData(Data, Len);
    TryToSend();
  }
  // Completion always comes from the loop, never from inside Send.
  if (!SessionEnded(session) && all_sent_) PostSocketEvent(FdWrite);
  return std::max(Len, 0);
}

bool TCustomWSocket::ChainDrained() const {
  return std::all_of(send_chain_.begin(), send_chain_.end(),
                     [](const auto& block) { return block->Filled() == 0; });
}

// With nothing queued before them the bytes go to the OS straight from the
// caller; only what it does not take now is copied into the chain.
void TCustomWSocket::SendDirect(const std::uint8_t* Data, int Len) {
  const iovec chunk{const_cast<std::uint8_t*>(Data), static_cast<std::size_t>(Len)};
  const int sent = TransmitChunk(&chunk, 1);
  const int error = sent < 0 ? WinsockErrorFromErrno(errno) : 0;
  if (error != 0 && error != WSAEWOULDBLOCK) {
    QueueSendData(Data, Len);
    HandleSendFailure(error);
    return;
  }
  const int taken = std::max(sent, 0);
  if (taken < Len) {
    // The OS buffer is full: the rest waits in the chain for room.
    QueueSendData(Data + taken, Len - taken);
    ArmWrite();
  } else {
    all_sent_ = true;
  }
  // The rest is queued before OnSendData, so its handler may Send.
  if (taken > 0) FireSendData(taken);
}

void TCustomWSocket::HandleSendFailure(int Error) {
  if (Error == WSAEWOULDBLOCK) {
    ArmWrite();
  } else if (ConnectionLost(Error)) {
    close_notified_ = true;
    Close();
    FireSessionClosed(static_cast<std::uint16_t>(Error));
  } else {
    ReportSocketError("TryToSend failed", Error);
  }
}

int TCustomWSocket::SendStr(const std::string& Str) {
  if (Str.empty()) return 0;
  return Send(Str.data(), static_cast<int>(std::min<std::size_t>(Str.size(), INT_MAX)));
}

int TCustomWSocket::SendTo(const sockaddr_in& Dest, int DestLen, const void* Data, int Len) {
  const auto length =
      static_cast<socklen_t>(std::clamp(DestLen, 0, static_cast<int>(sizeof(sockaddr_in))));
  const auto result =
      ::sendto(socket_handle_, Data, static_cast<std::size_t>(std::max(Len, 0)),
               send_flags_ | MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&Dest), length);
  if (result < 0) last_error_ = WinsockErrorFromErrno(errno);
  if (result > 0) FireSendData(static_cast<int>(result));
  return static_cast<int>(result);
}

void TCustomWSocket::PostSocketEvent(std::uint16_t Bits) {
  const std::uint64_t session = session_;
  const auto handle = static_cast<std::uint64_t>(socket_handle_);
  window_->Post([this, session, handle, Bits] {
    if (!SessionEnded(session)) DispatchNotification(NotifySocketEvent, handle, Bits);
  });
}

void TCustomWSocket::AppendBlock() {
  if (spare_blocks_.empty()) {
    send_chain_.push_back(std::make_unique<TBuffer>(BlockSize));
    return;
  }
  send_chain_.push_back(std::move(spare_blocks_.back()));
  spare_blocks_.pop_back();
}

// The drained first block leaves the chain (a later block exists).
void TCustomWSocket::DropFirstBlock() {
  if (spare_blocks_.size() < kMaxSpareBlocks) spare_blocks_.push_back(std::move(send_chain_.front()));
  send_chain_.pop_front();
}

void TCustomWSocket::QueueSendData(const void* Data, int Len) {
  const auto* bytes = static_cast<const std::uint8_t*>(Data);
  if (send_chain_.empty()) AppendBlock();
  for (;;) {
    const int written = send_chain_.back()->Write(bytes, Len);
    bytes += written;
    Len -= written;
    if (Len == 0) return;
    AppendBlock();
  }
}

// The pending parts of the leading blocks: all of them (up to kMaxChunks)
// for a stream, one block (one datagram) otherwise.
int TCustomWSocket::GatherChunks(iovec* Chunks, int MaxChunks) const {
  const int limit = socket_type_ == SOCK_STREAM ? MaxChunks : 1;
  int count = 0;
  for (const auto& block : send_chain_) {
    int length = 0;
    const std::uint8_t* data = block->Peek(length);
    if (length == 0) continue;
    Chunks[count].iov_base = const_cast<std::uint8_t*>(data);
    Chunks[count].iov_len = static_cast<std::size_t>(length);
    if (++count == limit) break;
  }
  return count;
}

// Marks `Count` bytes as sent; emptied blocks go while a later block exists.
void TCustomWSocket::ConsumeSent(int Count) {
  while (Count > 0 && !send_chain_.empty()) {
    TBuffer& block = *send_chain_.front();
    Count -= block.Remove(Count);
    if (block.Filled() != 0 || send_chain_.size() == 1) return;
    DropFirstBlock();
  }
}

void TCustomWSocket::TryToSend() {
  if (socket_handle_ < 0 || send_chain_.empty()) return;
  const std::uint64_t session = session_;
  for (;;) {
    while (send_chain_.size() > 1 && send_chain_.front()->Filled() == 0) DropFirstBlock();
    if (send_chain_.front()->Filled() == 0) {
      all_sent_ = true;
      return;
    }
    iovec chunks[kMaxChunks];
    const int count = GatherChunks(chunks, kMaxChunks);
    std::size_t pending = 0;
    for (int i = 0; i < count; ++i) pending += chunks[i].iov_len;
    const int sent = TransmitChunk(chunks, count);
    if (sent == 0) return;
    if (sent < 0) {
      HandleSendFailure(WinsockErrorFromErrno(errno));
      return;
    }
    // The bytes leave the chain before OnSendData, so its handler may Send.
    ConsumeSent(sent);
    FireSendData(sent);
    if (SessionEnded(session) || send_chain_.empty()) return;
    if (static_cast<std::size_t>(sent) < pending) {
      ArmWrite();  // the OS buffer is full
      return;
    }
  }
}

int TCustomWSocket::TransmitChunk(const iovec* Chunks, int Count) {
  msghdr message{};
  message.msg_iov = const_cast<iovec*>(Chunks);
  message.msg_iovlen = static_cast<std::size_t>(Count);
  if (socket_type_ != SOCK_STREAM) {
    message.msg_name = &remote_sockaddr_;
    message.msg_namelen = sizeof remote_sockaddr_;
  }
  return static_cast<int>(::sendmsg(socket_handle_, &message, send_flags_ | MSG_NOSIGNAL));
}

void TCustomWSocket::DiscardSendBuffer() {
  send_chain_.clear();
  spare_blocks_.clear();
}

void TCustomWSocket::Flush() {
  const std::shared_ptr<bool> alive = alive_;
  const bool limited = flush_timeout_ > 0;
  const std::int64_t end = runtime::TickCount() + std::int64_t{flush_timeout_} * 1000;
  while (socket_handle_ >= 0 && !all_sent_) {
    TryToSend();
    if (all_sent_ || socket_handle_ < 0) return;
    const std::int64_t left = end - runtime::TickCount();
    if (limited && left <= 0) return;
    WaitSlice(limited ? static_cast<int>(std::min<std::int64_t>(left, INT_MAX)) : -1);
    if (!*alive) return;
  }
}

}  // namespace varnel::socket
