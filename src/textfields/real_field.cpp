#include "textfields/textfields.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "textfields/field_internal.h"

namespace vevadar::textfields {
namespace {

using internal::FieldText;

// Significant digits kept for the conversion. A decimal that lies exactly halfway between two
// doubles has at most 767 significant digits, so keeping more than that and standing in a single
// nonzero digit for any nonzero digits dropped beyond them rounds exactly as the full text would.
constexpr std::int64_t kKeptDigits = 780;
constexpr std::int64_t kMinTextDigits = 20;
// Exponent digits saturate here; any decimal exponent beyond kExponentBound is out of range for
// both precisions, so the saturation cannot change a result.
constexpr std::int64_t kExponentSaturation = 100000;
constexpr std::int64_t kExponentBound = 400;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A real field's text taken apart: the value is 0.digits * 10^exponent with a nonzero first
// digit and no trailing zeros (no digits at all for a zero mantissa).
struct Decimal {
  bool negative = false;
  char digits[kKeptDigits + 1];
  std::int64_t count = 0;
  std::int64_t exponent = 0;
};

FieldError split(std::string_view field, int implied_digits, int scale, Decimal& decimal) {
  FieldText text(field);
  if (text.at_end()) return FieldError::kNone;  // a blank field reads as zero
  if (text.peek() == '+' || text.peek() == '-') {
    decimal.negative = text.peek() == '-';
    text.advance();
  }

  // Mantissa: digits with at most one point and at least one digit.
  std::int64_t mantissa_digits = 0;
  std::int64_t digits_before_point = -1;  // -1 while no point has been met
  std::int64_t leading_zeros = 0;
  bool dropped_nonzero = false;
  for (; !text.at_end(); text.advance()) {
    const char c = text.peek();
    if (c == '.' && digits_before_point < 0) {
      digits_before_point = mantissa_digits;
      continue;
    }
    if (!is_digit(c)) break;
    ++mantissa_digits;
    if (decimal.count == 0 && c == '0') {
      ++leading_zeros;
    } else if (decimal.count < kKeptDigits) {
      decimal.digits[decimal.count++] = c;
    } else if (c != '0') {
      dropped_nonzero = true;
    }
  }
  if (mantissa_digits == 0) return FieldError::kInvalidCharacter;
  if (dropped_nonzero) decimal.digits[decimal.count++] = '1';
  while (decimal.count > 0 && decimal.digits[decimal.count - 1] == '0') --decimal.count;

  // Exponent: a letter E, e, D or d with an optionally signed integer, or a sign with an integer
  // directly (1.5+02). Both forms end in the same digits.
  bool has_exponent = false;
  std::int64_t exponent = 0;
  if (!text.at_end()) {
    char c = text.peek();
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      text.advance();
      if (text.at_end()) return FieldError::kInvalidCharacter;
      c = text.peek();
    }
    bool exponent_negative = false;
    if (c == '+' || c == '-') {
      exponent_negative = c == '-';
      text.advance();
    }
    if (text.at_end() || !is_digit(text.peek())) return FieldError::kInvalidCharacter;
    for (; !text.at_end(); text.advance()) {
      if (!is_digit(text.peek())) return FieldError::kInvalidCharacter;
      if (exponent < kExponentSaturation) exponent = exponent * 10 + (text.peek() - '0');
    }
    has_exponent = true;
    if (exponent_negative) exponent = -exponent;
  }

  // Without a point the point stands d digits from the right; without an exponent the value is
  // divided by 10^k. Both fold into the decimal exponent.
  if (digits_before_point < 0) digits_before_point = mantissa_digits - implied_digits;
  decimal.exponent = digits_before_point - leading_zeros + exponent - (has_exponent ? 0 : scale);
  return FieldError::kNone;
}

// True when the decimal exceeds 3.4028235E38, the largest single-precision value a field may
// hold. The comparison is on the decimal digits, not on a rounded value: 3.40282351E38 rounds to
// the largest float but is still above the limit.
bool above_single_limit(const Decimal& decimal) {
  constexpr std::string_view kLimitDigits = "34028235";  // 0.34028235 * 10^39
  constexpr std::int64_t kLimitExponent = 39;
  if (decimal.exponent != kLimitExponent) return decimal.exponent > kLimitExponent;
  return std::string_view(decimal.digits, static_cast<std::size_t>(decimal.count)) > kLimitDigits;
}

template <class T>
FieldValue<T> exact_real(std::string_view field, int implied_digits, int scale) {
  Decimal decimal;
  const FieldError error = split(field, implied_digits, scale, decimal);
  if (error != FieldError::kNone) return {error, T{}};
  const T zero = decimal.negative ? -T{0} : T{0};
  if (decimal.count == 0 || decimal.exponent < -kExponentBound) return {FieldError::kNone, zero};
  if (decimal.exponent > kExponentBound) return {FieldError::kRealOverflow, T{}};
  if constexpr (sizeof(T) == sizeof(float)) {
    if (above_single_limit(decimal)) return {FieldError::kRealOverflow, T{}};
  }

  // "-0.<digits>e<exponent>", converted once into the target type: a float is never rounded via
  // a double.
  char text[kKeptDigits + 16];
  char* end = text;
  if (decimal.negative) *end++ = '-';
  *end++ = '0';
  *end++ = '.';
  for (std::int64_t i = 0; i < decimal.count; ++i) *end++ = decimal.digits[i];
  // Padded with zeros to more than 19 digits: for fewer, the C++ library may take a shortcut
  // through floating-point arithmetic, which the x87 unit rounds twice where the library itself
  // was built for it (the 32-bit Windows build's). More digits keep every conversion on its
  // integer path; the value is the same.
  for (std::int64_t i = decimal.count; i < kMinTextDigits; ++i) *end++ = '0';
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text, decimal.exponent).ptr;

  T value{};
  const auto [ptr, ec] = std::from_chars(text, end, value);
  if (ec == std::errc::result_out_of_range) {
    // libstdc++ leaves the value untouched when the result is out of range. A small magnitude
    // underflowed to zero, which keeps the sign; a large one is beyond the target's range.
    if (decimal.exponent < 0) return {FieldError::kNone, zero};
    return {FieldError::kRealOverflow, T{}};
  }
  // The text built above is always well formed; only the range can fail.
  if (ec != std::errc{} || ptr != end) return {FieldError::kInvalidCharacter, T{}};
  if (std::isinf(value)) return {FieldError::kRealOverflow, T{}};
  return {FieldError::kNone, value};
}

}  // namespace

FieldValue<float> parse_real_float(std::string_view field, int implied_digits, int scale) {
  float value = 0;
  if (internal::fast_real(field, implied_digits, scale, value)) return {FieldError::kNone, value};
  return exact_real<float>(field, implied_digits, scale);
}

FieldValue<double> parse_real_double(std::string_view field, int implied_digits, int scale) {
  double value = 0;
  if (internal::fast_real(field, implied_digits, scale, value)) return {FieldError::kNone, value};
  return exact_real<double>(field, implied_digits, scale);
}

namespace internal {

FieldValue<float> exact_real_float(std::string_view field, int implied_digits, int scale) {
  return exact_real<float>(field, implied_digits, scale);
}

FieldValue<double> exact_real_double(std::string_view field, int implied_digits, int scale) {
  return exact_real<double>(field, implied_digits, scale);
}

}  // namespace internal
}  // namespace vevadar::textfields
