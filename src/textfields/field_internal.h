// Helpers shared by the sources of textfields; not part of its interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "textfields/textfields.h"

namespace vevadar::textfields::internal {

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

// An integer field right-justified as written: blanks, an optional sign, then 1 to 9 digits
// filling the field to its last column (9 digits never overflow), or blanks only.
inline bool fast_integer(std::string_view field, std::int32_t& value) {
  const char* next = field.data();
  const char* const end = next + field.size();
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
