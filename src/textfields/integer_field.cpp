#include "textfields/textfields.h"

#include <algorithm>

#include "textfields/field_internal.h"

namespace vevadar::textfields {
namespace {

using internal::FieldText;

constexpr std::uint32_t kNotADigit = 99;

std::uint32_t digit_value(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c - '0');
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint32_t>(c - 'A') + 10;
  if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a') + 10;
  return kNotADigit;
}

// Digits in one base, accumulated as value * base + digit up to `limit`. Going past the limit
// is only noted: the rest of the text is still checked, so a bad character or a misplaced '#'
// later in the field is reported in preference to the overflow.
struct Digits {
  std::uint32_t value = 0;
  bool overflow = false;
  bool stopped_at_hash = false;
  bool invalid = false;
};

Digits read_digits(FieldText& text, std::uint32_t base, std::uint32_t limit) {
  Digits digits;
  for (; !text.at_end(); text.advance()) {
    const char c = text.peek();
    if (c == '#') {
      digits.stopped_at_hash = true;
      return digits;
    }
    const std::uint32_t digit = digit_value(c);
    if (digit >= base) {
      digits.invalid = true;
      return digits;
    }
    // Checked before multiplying, so the accumulator never wraps.
    if (digits.overflow || digits.value > (limit - digit) / base) {
      digits.overflow = true;
    } else {
      digits.value = digits.value * base + digit;
    }
  }
  return digits;
}

}  // namespace

namespace internal {

FieldValue<std::int32_t> exact_integer(std::string_view field) {
  FieldText text(field);
  bool negative = false;
  if (!text.at_end() && (text.peek() == '+' || text.peek() == '-')) {
    negative = text.peek() == '-';
    text.advance();
  }
  // A decimal value reaches 2147483647, or 2147483648 with a minus sign.
  const std::uint32_t decimal_limit = negative ? 2147483648U : 2147483647U;

  Digits digits = read_digits(text, 10, decimal_limit);
  if (digits.invalid) return {FieldError::kInvalidCharacter, 0};
  std::uint32_t base = 10;
  if (digits.stopped_at_hash) {
    // What stood before the '#' was the base.
    base = digits.overflow ? 0 : (digits.value == 0 ? 16 : digits.value);
    if (base < 2 || base > 36) return {FieldError::kBadBase, 0};
    text.advance();
    // Outside base 10 the digits may fill all 32 bits; the sign applies to that bit pattern.
    digits = read_digits(text, base, base == 10 ? decimal_limit : 0xFFFFFFFFU);
    if (digits.invalid) return {FieldError::kInvalidCharacter, 0};
    if (digits.stopped_at_hash) return {FieldError::kBadBase, 0};
  }
  if (digits.overflow) return {FieldError::kIntegerOverflow, 0};
  const std::uint32_t bits = negative ? 0U - digits.value : digits.value;
  // Modular conversion: -2147483648 and the 32-bit patterns of based integers come out exactly.
  return {FieldError::kNone, static_cast<std::int32_t>(bits)};
}

void write_integer_columns(std::span<char> out, std::int64_t width, std::int32_t value,
                           int min_digits) {
  const bool negative = value < 0;
  std::uint32_t magnitude = textfields::magnitude(value);
  char digits[10];
  std::int64_t count = 0;
  // A zero written with no minimum digits has no digits at all.
  if (magnitude != 0 || min_digits > 0) {
    do {
      digits[count++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
  }
  const std::int64_t body = std::max<std::int64_t>(count, min_digits);
  const std::int64_t total = body + (negative ? 1 : 0);
  if (total > width) {
    std::fill(out.begin(), out.end(), '*');
    return;
  }
  const std::int64_t body_start = width - body;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto column = static_cast<std::int64_t>(i);
    char c = ' ';
    if (column >= body_start) {
      const std::int64_t from_right = width - 1 - column;
      c = from_right < count ? digits[from_right] : '0';
    } else if (negative && column == body_start - 1) {
      c = '-';
    }
    out[i] = c;
  }
}

}  // namespace internal

void format_integer(std::span<char> out, std::int32_t value, int min_digits) {
  internal::write_integer_columns(out, static_cast<std::int64_t>(out.size()), value, min_digits);
}

}  // namespace vevadar::textfields
