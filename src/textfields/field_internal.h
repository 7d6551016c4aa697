// Helpers shared by the sources of textfields; not part of its interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

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

// Writes the first out.size() characters (out.size() <= width) of `value` as an integer output
// field of `width` columns with at least `min_digits` digits. write_line uses the clipped form to
// keep the part of a field that still fits the line.
void write_integer_columns(std::span<char> out, std::int64_t width, std::int32_t value,
                           int min_digits);

}  // namespace vevadar::textfields::internal
