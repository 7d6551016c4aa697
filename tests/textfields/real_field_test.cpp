#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "textfields/textfields.h"

namespace vevadar::textfields {
namespace {

using enum FieldError;

template <class T>
struct RealRow {
  std::string_view text;
  int d;
  int k;
  FieldError error;
  T value;  // compared bit for bit: the sign of a zero counts
};

template <class T>
FieldValue<T> parse(std::string_view text, int d, int k) {
  if constexpr (sizeof(T) == sizeof(float)) {
    return parse_real_float(text, d, k);
  } else {
    return parse_real_double(text, d, k);
  }
}

template <class T, std::size_t N>
void check_rows(const RealRow<T> (&rows)[N]) {
  for (const RealRow<T>& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << "field \"" << row.text << "\" d=" << row.d << " k=" << row.k);
    const FieldValue<T> result = parse<T>(row.text, row.d, row.k);
    EXPECT_EQ(result.error, row.error);
    if (row.error == kNone) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(result.value)),
                std::bit_cast<std::uint64_t>(static_cast<double>(row.value)))
          << std::hexfloat << result.value << " expected " << row.value;
    }
  }
}

TEST(ParseRealFloat, Table) {
  const RealRow<float> rows[] = {
      // Forms of a 13-column field with d = 5.
      {" -1.23456E+01", 5, 0, kNone, -0x1.8b0f28p+3f},
      {"      1234567", 5, 0, kNone, 0x1.8b0fbap+3f},
      {"  1.5-03     ", 5, 0, kNone, 0x1.89374cp-10f},
      {"             ", 5, 0, kNone, 0.0f},
      {"-12345E2", 5, 0, kNone, -0x1.8b0a3ep+3f},  // d applies with an exponent too
      {"1.5", 5, 0, kNone, 0x1.8p+0f},             // a point overrides d
      // Exponent spellings; blanks and tabs anywhere.
      {"1.5+02", 0, 0, kNone, 0x1.2cp+7f},
      {"1.5d-2", 0, 0, kNone, 0x1.eb851ep-7f},
      {"1.5e+2", 0, 0, kNone, 0x1.2cp+7f},
      {" 1 . 5\tE 0 2 ", 0, 0, kNone, 0x1.2cp+7f},
      {"1.5,E", 0, 0, kNone, 0x1.8p+0f},
      // The scale factor divides only a value without exponent.
      {"2.5", 0, 1, kNone, 0x1p-2f},
      {"2.5E0", 0, 1, kNone, 0x1.4p+1f},
      // Rounded once, to single precision: via double this would give 1.0.
      {"1.0000000596046447755", 0, 0, kNone, 0x1.000002p+0f},
      // The largest value is judged on the decimal digits.
      {"3.4028235E38", 0, 0, kNone, 0x1.fffffep+127f},
      {"340282350000000000000000000000000000000", 0, 0, kNone, 0x1.fffffep+127f},
      {"3.40282351E38", 0, 0, kRealOverflow, 0},
      {"-3.4028235000001E38", 0, 0, kRealOverflow, 0},
      {"1E99999999999999999999", 0, 0, kRealOverflow, 0},
      // Below the normal range: the nearest subnormal, or a zero with the sign.
      {"1E-45", 0, 0, kNone, 0x1p-149f},
      {"7.1E-46", 0, 0, kNone, 0x1p-149f},
      {"7E-46", 0, 0, kNone, 0.0f},
      {"-7E-46", 0, 0, kNone, -0.0f},
      {"-0.000", 0, 0, kNone, -0.0f},
      // Characters outside the form.
      {"1.5X", 0, 0, kInvalidCharacter, 0},
      {"1.5E", 0, 0, kInvalidCharacter, 0},
      {"1.5+", 0, 0, kInvalidCharacter, 0},
      {"1.5E2X", 0, 0, kInvalidCharacter, 0},
      {"1.2.3", 0, 0, kInvalidCharacter, 0},
      {".", 0, 0, kInvalidCharacter, 0},
      {"-", 0, 0, kInvalidCharacter, 0},
      {"E5", 0, 0, kInvalidCharacter, 0},
      {"inf", 0, 0, kInvalidCharacter, 0},
      {"0x1p3", 0, 0, kInvalidCharacter, 0},
  };
  check_rows(rows);
}

TEST(ParseRealDouble, Table) {
  const RealRow<double> rows[] = {
      // 25-column fields with d = 16 under scale factor 1.
      {"1.0000000000000000D+00   ", 16, 1, kNone, 1.0},
      {"1.0                      ", 16, 1, kNone, 0x1.999999999999ap-4},
      {"1234567890123456", 16, 0, kNone, 0x1.f9add3746f659p-4},
      {"-1.2345678901234567D+02", 16, 1, kNone, -0x1.edd3c07fb4c98p+6},
      {"1.0000000596046447755", 0, 0, kNone, 0x1.000001p+0},
      // Exactly halfway between 1 and the next double, then just above it.
      {"1.00000000000000011102230246251565404236316680908203125", 0, 0, kNone, 1.0},
      {"1.000000000000000111022302462515654042363166809082031250000001", 0, 0, kNone,
       0x1.0000000000001p+0},
      {"3.40282351E38", 0, 0, kNone, 0x1.fffffe6e1958cp+127},
      {"1.7976931348623157D308", 0, 0, kNone, 0x1.fffffffffffffp+1023},
      {"1.8D308", 0, 0, kRealOverflow, 0},
      {"-1D99999", 0, 0, kRealOverflow, 0},
      {"-4.9406564584124654E-324", 0, 0, kNone, -0x0.0000000000001p-1022},
      {"2.4703282292062328E-324", 0, 0, kNone, 0x0.0000000000001p-1022},
      {"2.4703282292062327E-324", 0, 0, kNone, 0.0},
      {"-1D-400", 0, 0, kNone, -0.0},
      {"1.0D", 16, 1, kInvalidCharacter, 0},
      // Few digits and a small exponent, rounded once: a library that multiplies them in the x87
      // unit rounds twice and gives ...bca. The tab keeps the field off the fast path.
      {"9.61459210001\tD+24", 16, 1, kNone, 0x1.fcfe054172bc9p+82},
  };
  check_rows(rows);
}

// Random decimal texts in every form against the C library's correctly rounded strtof/strtod,
// given the same value written plainly (point where the text has it, d and k folded into an
// explicit exponent).
template <class T>
void compare_with_c_library(int min_exponent, int max_exponent) {
  std::mt19937 random(20240611);
  auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  for (int i = 0; i < 4000; ++i) {
    std::string field;
    std::string plain;
    const int sign = below(3);
    if (sign > 0) field += sign == 1 ? '+' : '-';
    if (sign == 2) plain += '-';
    const int digits = 1 + below(20);
    const int point = below(2) == 0 ? below(digits + 1) : -1;
    for (int j = 0; j < digits; ++j) {
      if (j == point) field += '.', plain += '.';
      const char digit = static_cast<char>('0' + below(10));
      field += digit;
      plain += digit;
    }
    if (point == digits) field += '.', plain += '.';
    const int d = below(17);
    const int k = below(7) - 3;
    const int form = below(6);  // 0: none, 1-4: E e D d, 5: bare sign
    const int exponent = min_exponent + below(max_exponent - min_exponent + 1);
    if (form != 0) {
      if (form != 5) field += "EeDd"[form - 1];
      if (exponent < 0 || form == 5 || below(2) == 0) field += exponent < 0 ? '-' : '+';
      field += std::to_string(std::abs(exponent));
    }
    const int folded = (form != 0 ? exponent : -k) - (point < 0 ? d : 0);
    plain += 'e' + std::to_string(folded);
    // Blanks and tabs anywhere change nothing.
    for (int blanks = below(3); blanks > 0; --blanks) {
      field.insert(static_cast<std::size_t>(below(static_cast<int>(field.size()) + 1)), 1,
                   below(2) == 0 ? ' ' : '\t');
    }

    SCOPED_TRACE(::testing::Message()
                 << "field \"" << field << "\" d=" << d << " k=" << k << " as \"" << plain << "\"");
    T expected;
    if constexpr (sizeof(T) == sizeof(float)) {
      expected = std::strtof(plain.c_str(), nullptr);
    } else {
      expected = std::strtod(plain.c_str(), nullptr);
    }
    const FieldValue<T> result = parse<T>(field, d, k);
    if (std::isinf(expected)) {
      EXPECT_EQ(result.error, kRealOverflow);
    } else if (result.error == kRealOverflow) {
      // Between 3.4028235E38 and the rounding limit of single precision.
      EXPECT_EQ(std::fabs(expected), std::numeric_limits<T>::max());
    } else {
      ASSERT_EQ(result.error, kNone);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(result.value)),
                std::bit_cast<std::uint64_t>(static_cast<double>(expected)))
          << std::hexfloat << result.value << " expected " << expected;
    }
  }
}

TEST(ParseRealFloat, AgreesWithStrtof) { compare_with_c_library<float>(-65, 45); }

TEST(ParseRealDouble, AgreesWithStrtod) { compare_with_c_library<double>(-345, 325); }

}  // namespace
}  // namespace vevadar::textfields
