#include "socket/wsock_buf.h"

#include <gtest/gtest.h>

#include <string>

namespace varnel::socket {
namespace {

std::string PendingText(const TBuffer& buffer) {
  int length = -1;
  const std::uint8_t* data = buffer.Peek(length);
  if (data == nullptr) return length == 0 ? "<none>" : "<bad>";
  return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
}

struct CapacityCase {
  int requested;
  int expected;
};

class BufferCapacity : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(BufferCapacity, ZeroOrLessMeans1514) {
  TBuffer buffer(GetParam().requested);
  EXPECT_EQ(buffer.Capacity(), GetParam().expected);
  const std::string big(3000, 'x');
  EXPECT_EQ(buffer.Write(big.data(), static_cast<int>(big.size())), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Capacities, BufferCapacity,
                         ::testing::Values(CapacityCase{1460, 1460}, CapacityCase{1, 1},
                                           CapacityCase{0, 1514}, CapacityCase{-5, 1514}));

TEST(Buffer, WriteTakesWhatFitsAndReturnsZeroWhenFull) {
  TBuffer buffer(10);
  EXPECT_EQ(buffer.Write("abcdef", 6), 6);
  EXPECT_EQ(buffer.Write("ghijkl", 6), 4);
  EXPECT_EQ(buffer.Write("m", 1), 0);
  EXPECT_EQ(buffer.Filled(), 10);
  EXPECT_EQ(PendingText(buffer), "abcdefghij");
}

TEST(Buffer, NegativeOrZeroWriteCopiesNothing) {
  TBuffer buffer(10);
  EXPECT_EQ(buffer.Write("abc", 0), 0);
  EXPECT_EQ(buffer.Write("abc", -3), 0);
  EXPECT_EQ(PendingText(buffer), "<none>");
}

TEST(Buffer, RemoveAdvancesConsumedAndClipsToPending) {
  TBuffer buffer(10);
  buffer.Write("abcdef", 6);
  EXPECT_EQ(buffer.Remove(2), 2);
  EXPECT_EQ(buffer.Consumed(), 2);
  EXPECT_EQ(PendingText(buffer), "cdef");
  EXPECT_EQ(buffer.Remove(100), 4);
}

TEST(Buffer, DrainedBlockIsReusedFromTheStart) {
  TBuffer buffer(6);
  buffer.Write("abcdef", 6);
  buffer.Remove(6);
  EXPECT_EQ(buffer.Filled(), 0);
  EXPECT_EQ(buffer.Consumed(), 0);
  EXPECT_EQ(PendingText(buffer), "<none>");
  EXPECT_EQ(buffer.Remove(1), 0);
  EXPECT_EQ(buffer.Write("xyz", 3), 3);
  EXPECT_EQ(PendingText(buffer), "xyz");
}

TEST(Buffer, PartlyConsumedBlockStillAppendsAfterFilled) {
  TBuffer buffer(8);
  buffer.Write("abcd", 4);
  buffer.Remove(3);
  EXPECT_EQ(buffer.Write("efghij", 6), 4);
  EXPECT_EQ(PendingText(buffer), "defgh");
}

}  // namespace
}  // namespace varnel::socket
