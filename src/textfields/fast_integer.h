// The integer fast path of the field conversions, inline in every caller: nearly every field of
// a universal file is an integer right-justified in its columns. Not part of the interface of
// textfields; textfields.h builds parse_integer on it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vevadar::textfields::internal {

// The fast paths run for nearly every field of a file: the layout loop must not call them.
#if defined(__GNUC__)
#define VEVADAR_INLINE [[gnu::always_inline]] inline
#else
#define VEVADAR_INLINE inline
#endif

// Eight columns as one little-endian word, the first column in the lowest byte.
VEVADAR_INLINE std::uint64_t eight_columns(const char* columns) {
  std::uint64_t word = 0;
  std::memcpy(&word, columns, sizeof word);
  return word;
}

// The value of eight decimal digits, the first in the lowest byte: pairs, fours, then the eight
// are summed in the lanes of one word.
VEVADAR_INLINE std::uint32_t eight_digits(std::uint64_t word) {
  std::uint64_t lanes = word - 0x3030303030303030;
  lanes = lanes * 10 + (lanes >> 8);
  lanes = (((lanes & 0x000000FF000000FF) * (100 + (std::uint64_t{1000000} << 32))) +
           (((lanes >> 16) & 0x000000FF000000FF) * (1 + (std::uint64_t{10000} << 32)))) >>
          32;
  return static_cast<std::uint32_t>(lanes);
}

// The high bit of each byte of `word` that is a decimal digit, for a word of bytes below 0x80 (no
// carry then crosses a byte): (byte | 0x80) - '0' keeps it when byte >= '0', and byte + 0x46 sets
// it when byte > '9'.
VEVADAR_INLINE std::uint64_t digit_bytes(std::uint64_t word) {
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  constexpr std::uint64_t kZeros = 0x3030303030303030;  // '0' in every byte
  return ((word | kHigh) - kZeros) & ~(word + 0x4646464646464646) & kHigh;
}

// Whether all eight columns of `word` are decimal digits.
VEVADAR_INLINE bool eight_digit_columns(std::uint64_t word) {
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  return (word & kHigh) == 0 && digit_bytes(word) == kHigh;
}

// The last eight columns of an integer field of the common shape, taken a word at a time: blanks,
// an optional sign, then digits up to the last column. False for any other eight columns. Every
// byte is classified at once; no carry crosses a byte, since every byte is below 0x80.
VEVADAR_INLINE bool eight_columns_integer(std::uint64_t word, std::int32_t& value) {
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  constexpr std::uint64_t kZeros = 0x3030303030303030;   // '0' in every byte
  constexpr std::uint64_t kBlanks = 0x2020202020202020;  // ' ' in every byte
  if ((word & kHigh) != 0) return false;
  const std::uint64_t digits = digit_bytes(word);
  // The digits at the top of the word (the last columns), then what lies below them.
  const int count = std::countl_zero(~digits & kHigh) / 8;
  const std::uint64_t below = count == 8 ? 0 : ~std::uint64_t{0} >> (8 * count);
  bool negative = false;
  if ((word & below) != (kBlanks & below)) {
    // Only the column just before the digits may hold something other than a blank: a sign.
    if (count == 0) return false;
    const int sign_at = 8 * (7 - count);
    const auto sign = static_cast<char>(word >> sign_at);
    if (sign != '-' && sign != '+') return false;
    const std::uint64_t sign_mask = std::uint64_t{0xFF} << sign_at;
    if ((word & below & ~sign_mask) != (kBlanks & below & ~sign_mask)) return false;
    negative = sign == '-';
  } else if (count == 0) {
    value = 0;  // eight blanks
    return true;
  }
  // Everything below the digits reads as '0'.
  const auto magnitude =
      static_cast<std::int32_t>(eight_digits((word & ~below) | (kZeros & below)));
  value = negative ? -magnitude : magnitude;
  return true;
}

// A 10-column field of two blank columns and then eight columns of blanks followed by digits up
// to the last column, the way labels are written; or ten blanks. Each of the eight columns is
// classified at once, as in eight_columns_integer, and the digits are summed from their values.
// False for any other ten columns (a sign among them too), with `value` left alone.
VEVADAR_INLINE bool ten_columns_unsigned(const char* columns, std::int32_t& value) {
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  std::uint16_t first_two = 0;
  std::memcpy(&first_two, columns, sizeof first_two);
  const std::uint64_t word = eight_columns(columns + 2);
  if (first_two != 0x2020 || (word & kHigh) != 0) return false;
  // Digits become 0..9 and blanks 0x10; every other byte is above 9 as well.
  const std::uint64_t values = word ^ (kOnes * '0');
  // The high bit of each byte that is not a digit (no carry crosses a byte: each is below 0x80).
  const std::uint64_t not_digits = (values + kOnes * (0x80 - 10)) & kHigh;
  // Those bytes must be the lowest ones (the first columns), each a blank.
  const std::uint64_t below = (not_digits >> 7) * 0xFF;
  if ((below & (below + 1)) != 0 || ((values ^ (kOnes * 0x10)) & below) != 0) return false;
  std::uint64_t lanes = values & ~below;
  lanes = lanes * 10 + (lanes >> 8);
  lanes = (((lanes & 0x000000FF000000FF) * (100 + (std::uint64_t{1000000} << 32))) +
           (((lanes >> 16) & 0x000000FF000000FF) * (1 + (std::uint64_t{10000} << 32)))) >>
          32;
  value = static_cast<std::int32_t>(lanes);
  return true;
}

#if defined(__SSE2__)
// Columns 3-10 of the 10-column fields at `first` and at first + 10, in the two halves of one
// vector, with their digit values (blanks as 0) in `digits`: true when every one of the 16
// columns is a digit or a blank and no blank follows a digit within its field, and columns 1-2
// of both fields are blanks, as ten_columns_unsigned asks of each field.
VEVADAR_INLINE bool field_pair_digits(const char* first, __m128i& digits) {
  std::uint16_t first_two[2];
  std::memcpy(&first_two[0], first, sizeof first_two[0]);
  std::memcpy(&first_two[1], first + 10, sizeof first_two[1]);
  const __m128i columns =
      _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + 2)),
                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first + 12)));
  const __m128i values = _mm_sub_epi8(columns, _mm_set1_epi8('0'));
  const __m128i is_digit =
      _mm_cmpeq_epi8(_mm_subs_epu8(values, _mm_set1_epi8(9)), _mm_setzero_si128());
  const __m128i is_blank = _mm_cmpeq_epi8(columns, _mm_set1_epi8(' '));
  // The digit flags one column on, with nothing carried into the first column of either field.
  const __m128i not_first =
      _mm_set_epi8(-1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1, -1, 0);
  const __m128i after_digit = _mm_and_si128(_mm_slli_si128(is_digit, 1), not_first);
  const __m128i good =
      _mm_andnot_si128(_mm_and_si128(is_blank, after_digit), _mm_or_si128(is_digit, is_blank));
  digits = _mm_and_si128(values, is_digit);
  return ((first_two[0] ^ 0x2020U) | (first_two[1] ^ 0x2020U)) == 0 &&
         _mm_movemask_epi8(good) == 0xFFFF;
}

// Sixteen digit values (bytes 0-9) summed four at a time, the first byte most significant: for a
// pair of fields, columns 3-6 and 7-10 of the first field, then of the second.
VEVADAR_INLINE __m128i field_pair_fours(__m128i digits) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_set1_epi32(0x0001000A);      // 10, 1 in the 16-bit lanes
  const __m128i hundreds = _mm_set1_epi32(0x00010064);  // 100, 1
  const __m128i twos = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), tens),
                                       _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), tens));
  return _mm_madd_epi16(twos, hundreds);
}
#endif

// The 10-column fields of kPairs pairs of them (1 to 4) from `line` at once, each of the shape
// ten_columns_unsigned takes: true with the 2 * kPairs values in values[], false (values left
// alone) when any field is of another shape. Two fields in the lanes of one vector with SSE2; one
// field at a time elsewhere.
template <std::size_t kPairs>
VEVADAR_INLINE bool ten_column_field_pairs(const char* line, std::int32_t* values) {
  static_assert(kPairs >= 1 && kPairs <= 4);
#if defined(__SSE2__)
  __m128i digits[kPairs];
  for (std::size_t pair = 0; pair < kPairs; ++pair) {
    if (!field_pair_digits(line + 20 * pair, digits[pair])) return false;
  }
  const __m128i thousands = _mm_set1_epi32(0x00012710);  // 10000, 1
  for (std::size_t pair = 0; pair + 1 < kPairs; pair += 2) {
    const __m128i sums = _mm_madd_epi16(
        _mm_packs_epi32(field_pair_fours(digits[pair]), field_pair_fours(digits[pair + 1])),
        thousands);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values + 2 * pair), sums);
  }
  if constexpr (kPairs % 2 == 1) {
    const __m128i fours = field_pair_fours(digits[kPairs - 1]);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(values + 2 * (kPairs - 1)),
                     _mm_madd_epi16(_mm_packs_epi32(fours, fours), thousands));
  }
  return true;
#else
  if constexpr (std::endian::native != std::endian::little) return false;
  std::int32_t taken[2 * kPairs];
  for (std::size_t k = 0; k < 2 * kPairs; ++k) {
    if (!ten_columns_unsigned(line + 10 * k, taken[k])) return false;
  }
  std::memcpy(values, taken, sizeof taken);
  return true;
#endif
}

// An integer field right-justified as written: blanks, an optional sign, then 1 to 9 digits
// filling the field to its last column (9 digits never overflow), or blanks only. True with the
// value for a field of this shape, which is the exact conversion's; false, with `value` left
// alone, for every other field, which the exact conversion then takes. The sweeps compare the two
// over millions of fields.
VEVADAR_INLINE bool fast_integer(std::string_view field, std::int32_t& value) {
  const char* next = field.data();
  const char* const end = next + field.size();
  if constexpr (std::endian::native == std::endian::little) {
    if (field.size() == 10 && ten_columns_unsigned(next, value)) return true;
    // At most eight digits after blank columns: the common label of a node or element line.
    // The columns before the last eight, at most eight of them, must be blank.
    if (field.size() >= 8 && field.size() <= 16) {
      // Width 10, the labels' width, gives the mask without a shift.
      const std::uint64_t before = field.size() == 10 ? 0xFFFF
                                   : field.size() == 8
                                       ? 0
                                       : ~std::uint64_t{0} >> (8 * (16 - field.size()));
      const bool blank_before = ((eight_columns(next) ^ 0x2020202020202020) & before) == 0;
      if (blank_before && eight_columns_integer(eight_columns(end - 8), value)) return true;
    }
  }
  while (next != end && *next == ' ') ++next;
  if (next == end) {
    value = 0;
    return true;
  }
  const bool negative = *next == '-';
  if (negative || *next == '+') ++next;
  const std::ptrdiff_t digits = end - next;
  if (digits < 1 || digits > 9) return false;
  std::uint32_t magnitude = 0;
  for (; next != end; ++next) {
    const std::uint32_t digit = static_cast<std::uint32_t>(static_cast<unsigned char>(*next)) - '0';
    if (digit > 9) return false;
    magnitude = magnitude * 10 + digit;
  }
  const auto magnitude_value = static_cast<std::int32_t>(magnitude);
  value = negative ? -magnitude_value : magnitude_value;
  return true;
}

}  // namespace vevadar::textfields::internal
