// Helpers shared by the sources of textfields; not part of its interface.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "textfields/textfields.h"

namespace vevadar::textfields::internal {

// The fast paths run for nearly every field of a file: the layout loop must not call them.
#if defined(__GNUC__)
#define VEVADAR_INLINE [[gnu::always_inline]] inline
#else
#define VEVADAR_INLINE inline
#endif

// The characters of a numeric input field that count: blanks and tabs are dropped wherever they
// stand, and a comma ends the text. An all-blank field is at_end() from the start.
class FieldText {
 public:
  explicit FieldText(std::string_view field) : field_(field) { skip_blanks(); }
  [[nodiscard]] bool at_end() const { return position_ == field_.size(); }
  // Precondition: !at_end().
  [[nodiscard]] char peek() const { return field_[position_]; }
  void advance() {
    ++position_;
    skip_blanks();
  }

 private:
  void skip_blanks() {
    while (position_ < field_.size() && (field_[position_] == ' ' || field_[position_] == '\t')) {
      ++position_;
    }
    if (position_ < field_.size() && field_[position_] == ',') position_ = field_.size();
  }

  std::string_view field_;
  std::size_t position_ = 0;
};

// The exact conversions, the reference of the fast paths below: every field in every form.
[[nodiscard]] FieldValue<std::int32_t> exact_integer(std::string_view field);
[[nodiscard]] FieldValue<float> exact_real_float(std::string_view field, int implied_digits,
                                                 int scale);
[[nodiscard]] FieldValue<double> exact_real_double(std::string_view field, int implied_digits,
                                                   int scale);

// Fast paths for the shapes the universal files are written in. Each returns true with the value
// for a field of its shape, and false, leaving `value` alone, for every other field, which the
// exact conversion then takes. Wherever a fast path returns true its value is the exact
// conversion's, bit for bit; the sweeps compare the two over millions of fields.

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

// The last eight columns of an integer field of the common shape, taken a word at a time: blanks,
// an optional sign, then digits up to the last column. False for any other eight columns. Every
// byte is classified at once; no carry crosses a byte, since every byte is below 0x80.
VEVADAR_INLINE bool eight_columns_integer(std::uint64_t word, std::int32_t& value) {
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  constexpr std::uint64_t kZeros = 0x3030303030303030;   // '0' in every byte
  constexpr std::uint64_t kBlanks = 0x2020202020202020;  // ' ' in every byte
  if ((word & kHigh) != 0) return false;
  // A byte's high bit: set in (byte | 0x80) - '0' when byte >= '0', in byte + 0x46 when byte > '9'.
  const std::uint64_t digits = ((word | kHigh) - kZeros) & ~(word + 0x4646464646464646) & kHigh;
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

// An integer field right-justified as written: blanks, an optional sign, then 1 to 9 digits
// filling the field to its last column (9 digits never overflow), or blanks only.
VEVADAR_INLINE bool fast_integer(std::string_view field, std::int32_t& value) {
  const char* next = field.data();
  const char* const end = next + field.size();
  if constexpr (std::endian::native == std::endian::little) {
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

// A real field of at most 19 significant digits whose value rounds to a normal number of the
// target precision: blanks, an optional sign, digits with at most one point, an optional exponent
// of 1 to 4 digits (after E, e, D or d with an optional sign, or after a sign), then blanks only.
// An all-blank field, and a zero mantissa, are taken too.
bool fast_real(std::string_view field, int implied_digits, int scale, float& value);
bool fast_real(std::string_view field, int implied_digits, int scale, double& value);

// Writes the first out.size() characters (out.size() <= width) of `value` as an integer output
// field of `width` columns with at least `min_digits` digits. write_line uses the clipped form to
// keep the part of a field that still fits the line.
void write_integer_columns(std::span<char> out, std::int64_t width, std::int32_t value,
                           int min_digits);

}  // namespace vevadar::textfields::internal
