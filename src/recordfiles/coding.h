// coding: the 4-byte scalars of the binary files. An integer is 32-bit two's complement and a real
// IEEE single precision, both little-endian: byte 0 is the least significant. Bytes are read one
// at a time with shifts, and written so too except as one store on a little-endian host, so the
// host's byte order and alignment never matter, and a real takes the integer path through its bit
// pattern (a struct is never written as memory).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vevadar::recordfiles {

inline constexpr std::size_t kScalarBytes = 4;

// Writes `value` into dst[0..3]: on a little-endian host the four bytes are the value's own, and
// one store writes them.
constexpr void encode_fixed32(std::uint8_t* dst, std::uint32_t value) {
  if (!std::is_constant_evaluated() && std::endian::native == std::endian::little) {
    std::memcpy(dst, &value, sizeof value);
    return;
  }
  dst[0] = static_cast<std::uint8_t>(value);
  dst[1] = static_cast<std::uint8_t>(value >> 8);
  dst[2] = static_cast<std::uint8_t>(value >> 16);
  dst[3] = static_cast<std::uint8_t>(value >> 24);
}

// Reads the value in src[0..3].
[[nodiscard]] constexpr std::uint32_t decode_fixed32(const std::uint8_t* src) {
  return static_cast<std::uint32_t>(src[0]) | static_cast<std::uint32_t>(src[1]) << 8 |
         static_cast<std::uint32_t>(src[2]) << 16 | static_cast<std::uint32_t>(src[3]) << 24;
}

constexpr void encode_int32(std::uint8_t* dst, std::int32_t value) {
  encode_fixed32(dst, static_cast<std::uint32_t>(value));
}

[[nodiscard]] constexpr std::int32_t decode_int32(const std::uint8_t* src) {
  return static_cast<std::int32_t>(decode_fixed32(src));
}

// Every bit of the real is kept: -0.0, infinities and NaN payloads go through unchanged.
constexpr void encode_float(std::uint8_t* dst, float value) {
  static_assert(sizeof(float) == kScalarBytes);
  encode_fixed32(dst, std::bit_cast<std::uint32_t>(value));
}

[[nodiscard]] constexpr float decode_float(const std::uint8_t* src) {
  return std::bit_cast<float>(decode_fixed32(src));
}

}  // namespace vevadar::recordfiles
