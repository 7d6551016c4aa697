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
[[nodiscard]] FieldValue<float> exact_real_float(std::string_view field, int implied_digits,
                                                 int scale);
[[nodiscard]] FieldValue<double> exact_real_double(std::string_view field, int implied_digits,
                                                   int scale);

// Fast paths for the shapes the universal files are written in. Each returns true with the value
// for a field of its shape, and false, leaving `value` alone, for every other field, which the
// exact conversion then takes. Wherever a fast path returns true its value is the exact
// conversion's, bit for bit; the sweeps compare the two over millions of fields.

// A real field of at most 19 significant digits whose value rounds to a normal number of the
// target precision: blanks, an optional sign, digits with at most one point, an optional exponent
// of 1 to 4 digits (after E, e, D or d with an optional sign, or after a sign), then blanks only.
// An all-blank field, and a zero mantissa, are taken too.
bool fast_real(std::string_view field, int implied_digits, int scale, float& value);
bool fast_real(std::string_view field, int implied_digits, int scale, double& value);
// fast_real over `count` consecutive fields of `width` columns from `columns`, stopping at the
// first field it does not take. Returns how many it took: values[0..taken) hold them, the rest
// is left alone.
std::size_t fast_real_run(const char* columns, std::size_t width, std::size_t count,
                          int implied_digits, int scale, float* values);
std::size_t fast_real_run(const char* columns, std::size_t width, std::size_t count,
                          int implied_digits, int scale, double* values);

// The three 25-column fields of columns 1-75 where each is a D field exactly as the node
// datasets print it ("  -2.0987654132091000D+00"): true with their values, those fast_real_run
// gives the same columns; false, `values` left alone, when one field has another shape.
bool three_d_fields(const char* columns, double* values);

// Writes the first out.size() characters (out.size() <= width) of `value` as an integer output
// field of `width` columns with at least `min_digits` digits. write_line uses the clipped form to
// keep the part of a field that still fits the line.
void write_integer_columns(std::span<char> out, std::int64_t width, std::int32_t value,
                           int min_digits);

}  // namespace vevadar::textfields::internal
