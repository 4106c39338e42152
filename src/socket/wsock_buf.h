// One block of a socket's send chain: a fixed-size byte area with a write
// position (Filled) and a transmit position (Consumed).
#pragma once

#include <cstdint>
#include <memory>

namespace varnel::socket {

class TBuffer {
 public:
  // A capacity of 0 or less means 1514 bytes.
  explicit TBuffer(int capacity);
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;

  // Copies as much of `data` as fits after the filled part; returns the count
  // (0 when the block is full).
  int Write(const void* data, int len);

  // The bytes written but not yet transmitted; nullptr and 0 when none.
  const std::uint8_t* Peek(int& len) const;

  // Marks up to `len` pending bytes as transmitted and returns the count.
  // When nothing is left pending the block becomes empty and reusable.
  int Remove(int len);

  int Capacity() const { return capacity_; }
  int Filled() const { return filled_; }
  int Consumed() const { return consumed_; }

 private:
  std::unique_ptr<std::uint8_t[]> storage_;
  int capacity_;
  int filled_ = 0;
  int consumed_ = 0;
};

}  // namespace varnel::socket
