// The 4-byte scalars both ways: byte order, the sign bit, and reals kept bit for bit.
#include "recordfiles/coding.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>

namespace vevadar::recordfiles {
namespace {

TEST(Coding, IntegersAndRealsLittleEndian) {
  struct Row {
    std::uint32_t bits;
    std::uint8_t bytes[kScalarBytes];
  };
  const Row rows[] = {
      {0x04030201u, {0x01, 0x02, 0x03, 0x04}},
      {static_cast<std::uint32_t>(std::int32_t{-2}), {0xFE, 0xFF, 0xFF, 0xFF}},
      {0x80000000u, {0x00, 0x00, 0x00, 0x80}},  // INT32_MIN and -0.0
      {std::bit_cast<std::uint32_t>(-2.0f), {0x00, 0x00, 0x00, 0xC0}},
      {0x7FC00001u, {0x01, 0x00, 0xC0, 0x7F}},  // a NaN with a payload
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bits);
    std::uint8_t bytes[kScalarBytes] = {};
    encode_int32(bytes, static_cast<std::int32_t>(row.bits));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(bytes), std::bit_cast<std::uint32_t>(row.bytes));
    EXPECT_EQ(static_cast<std::uint32_t>(decode_int32(row.bytes)), row.bits);
    encode_float(bytes, std::bit_cast<float>(row.bits));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(bytes), std::bit_cast<std::uint32_t>(row.bytes));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(decode_float(row.bytes)), row.bits);
  }
  static_assert(decode_int32(Row{0, {0xFF, 0xFF, 0xFF, 0x7F}}.bytes) ==
                std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace vevadar::recordfiles
