#include "socket/wsock_buf.h"

#include <algorithm>
#include <cstring>

namespace varnel::socket {
namespace {

constexpr int kDefaultCapacity = 1514;

}  // namespace

TBuffer::TBuffer(int capacity)
    : capacity_(capacity > 0 ? capacity : kDefaultCapacity) {
  storage_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(capacity_));
}

int TBuffer::Write(const void* data, int len) {
  const int count = std::clamp(len, 0, capacity_ - filled_);
  if (count > 0) {
    std::memcpy(storage_.get() + filled_, data, static_cast<std::size_t>(count));
    filled_ += count;
  }
  return count;
}

const std::uint8_t* TBuffer::Peek(int& len) const {
  len = filled_ - consumed_;
  return len > 0 ? storage_.get() + consumed_ : nullptr;
}

int TBuffer::Remove(int len) {
  const int count = std::clamp(len, 0, filled_ - consumed_);
  consumed_ += count;
  if (consumed_ == filled_) {
    consumed_ = 0;
    filled_ = 0;
  }
  return count;
}

}  // namespace varnel::socket
