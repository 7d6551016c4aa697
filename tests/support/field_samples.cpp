#include "support/field_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textfields/field_internal.h"

namespace vevadar::testing {
namespace {

// Texts at the edges of the ranges: the 32-bit limits, the largest single-precision value a
// field may hold and the rounding limits of both precisions, the smallest normal and subnormal
// values, and values that are exact in binary.
constexpr std::array<std::string_view, 10> kIntegerEdges = {
    "2147483647", "2147483648", "-2147483648", "-2147483649", "999999999",
    "1000000000", "-999999999", "0000000001",  "-0",          "+7"};
constexpr std::array<std::string_view, 16> kRealEdges = {"3.4028235E38",
                                                         "3.40282350E+38",
                                                         "3.4028236E38",
                                                         "3.40282357E38",
                                                         "1.17549435E-38",
                                                         "1.1754942E-38",
                                                         "1.4E-45",
                                                         "7.0E-46",
                                                         "1.7976931348623157D+308",
                                                         "1.7976931348623158D+308",
                                                         "2.2250738585072014D-308",
                                                         "2.2250738585072011D-308",
                                                         "4.9406564584124654D-324",
                                                         "16777217",
                                                         "9007199254740993",
                                                         "0.5"};

}  // namespace

std::string FieldSampler::digits(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += static_cast<char>('0' + below(10));
  return text;
}

// A mantissa with a point somewhere, or none, and an exponent in any of its spellings, or none.
std::string FieldSampler::mantissa_text() {
  std::string text;
  if (below(4) == 0) text.push_back(below(2) == 0 ? '-' : '+');
  switch (below(6)) {
    case 0:
    case 1: {
      // As a program writes it: one digit, a point, the fraction digits (trailing zeros often).
      const int fraction = below(2) == 0 ? 16 : 1 + below(18);
      std::string written = digits(1) + "." + digits(fraction);
      for (std::size_t i = written.size() - static_cast<std::size_t>(below(fraction));
           i < written.size(); ++i) {
        if (below(2) == 0) written[i] = '0';
      }
      text += written;
      break;
    }
    case 2:
      text += digits(1 + below(21));  // no point: d places it
      break;
    case 3: {
      std::string written = digits(1 + below(20));
      written.insert(static_cast<std::size_t>(below(static_cast<int>(written.size()) + 1)), 1, '.');
      text += written;
      break;
    }
    case 4: {
      // Halfway between two neighbours of single or double precision, or one unit of the last
      // digit beside it: (2m + 1) * 2^k, written exactly in decimal.
      const bool single = below(2) == 0;
      const int bits = single ? 24 : 53;
      const std::uint64_t top = std::uint64_t{1} << (bits - 1);
      std::uint64_t odd = (top | (random_() & (top - 1))) << 1 | 1;
      int decimal_exponent = 0;
      if (below(2) == 0) {
        const int room = 63 - (bits + 2);
        if (room > 0) odd <<= below(room);
      } else {
        // (2m + 1) / 2^j = (2m + 1) * 5^j / 10^j, while the digits stay below 10^19.
        for (int j = below(single ? 17 : 3); j > 0; --j) {
          odd *= 5;
          --decimal_exponent;
        }
      }
      odd += static_cast<std::uint64_t>(below(3)) - 1;
      text += std::to_string(odd) + "E" + std::to_string(decimal_exponent);
      return text;
    }
    default:
      text += std::string(kRealEdges[static_cast<std::size_t>(below(kRealEdges.size()))]);
      if (below(2) == 0 && text.back() >= '0' && text.back() <= '9') {
        // One unit more or less in the last mantissa digit.
        const std::size_t at = text.find_first_of("EeDd");
        const std::size_t last = at == std::string::npos ? text.size() - 1 : at - 1;
        if (text[last] >= '1' && text[last] <= '8')
          text[last] = static_cast<char>(text[last] + (below(2) == 0 ? 1 : -1));
      }
      return text;
  }
  if (below(5) == 0) return text;  // no exponent: the scale factor applies
  const int exponent = below(4) == 0 ? below(701) - 350 : below(81) - 40;
  const std::string exponent_digits = std::to_string(exponent < 0 ? -exponent : exponent);
  const char letter = "EeDd+-"[below(6)];
  if (letter == '+' || letter == '-') {
    text += exponent < 0 ? '-' : '+';
  } else {
    text += letter;
    if (exponent < 0 || below(2) == 0) text += exponent < 0 ? '-' : '+';
  }
  if (below(3) == 0) text.append(static_cast<std::size_t>(below(3)), '0');
  text += exponent_digits;
  return text;
}

// One character inserted, replaced or appended, now and then: a blank or tab inside, a comma, a
// letter, a second point or sign.
std::string FieldSampler::spoilt(std::string text) {
  if (below(8) != 0) return text;
  constexpr std::string_view kSpoilers = " \t,.+-EeDdx#0";
  const char c = kSpoilers[static_cast<std::size_t>(below(kSpoilers.size()))];
  const auto at = static_cast<std::size_t>(below(static_cast<int>(text.size()) + 1));
  switch (below(3)) {
    case 0:
      text.insert(at, 1, c);
      break;
    case 1:
      if (at < text.size()) text[at] = c;
      break;
    default:
      text += c;
      break;
  }
  return text;
}

// Right-justified in `width` columns most often, left-justified or in between otherwise; a text
// longer than the field is cut at its last column.
std::string FieldSampler::placed(std::string text, int width) {
  const auto columns = static_cast<std::size_t>(width);
  if (text.size() >= columns) return text.substr(0, columns);
  const std::size_t room = columns - text.size();
  const std::size_t left =
      below(4) != 0 ? room : static_cast<std::size_t>(below(static_cast<int>(room) + 1));
  return std::string(left, ' ') + text + std::string(room - left, ' ');
}

std::string FieldSampler::integer_field() {
  const int width = below(10) < 7 ? 10 : 1 + below(12);
  std::string text;
  switch (below(8)) {
    case 0:
      text = std::string(kIntegerEdges[static_cast<std::size_t>(below(kIntegerEdges.size()))]);
      break;
    case 1: {
      constexpr std::string_view kNoise = "0123456789 \t,+-#AfG.E";
      for (int i = below(width + 1); i > 0; --i)
        text += kNoise[static_cast<std::size_t>(below(kNoise.size()))];
      break;
    }
    default:
      if (below(3) == 0) text.push_back(below(2) == 0 ? '-' : '+');
      text += digits(below(12));
      break;
  }
  return placed(spoilt(text), width);
}

RealSample FieldSampler::real_field() {
  RealSample sample;
  int width = 25;
  const int shape = below(20);
  if (shape < 12) {
    sample.implied_digits = 16;
    sample.scale = 1;
  } else if (shape < 19) {
    width = 13;
    sample.implied_digits = 5;
  } else {
    width = 1 + below(30);
    sample.implied_digits = below(21);
    sample.scale = below(7) - 3;
  }
  if (below(50) == 0) {
    constexpr std::string_view kNoise = "0123456789012345678901234567890123456789 .+-EeDd,\t#x";
    std::string text;
    for (int i = below(width + 1); i > 0; --i)
      text += kNoise[static_cast<std::size_t>(below(kNoise.size()))];
    sample.field = text;
    return sample;
  }
  sample.field = placed(spoilt(mantissa_text()), width);
  return sample;
}

namespace {

// True when the fast path took the field (its result then checked against the exact one).
template <class T>
bool compare_real(const RealSample& real) {
  namespace fields = textfields;
  T fast = 0;
  if (!fields::internal::fast_real(real.field, real.implied_digits, real.scale, fast)) return false;
  fields::FieldValue<T> exact;
  if constexpr (sizeof(T) == sizeof(float)) {
    exact = fields::internal::exact_real_float(real.field, real.implied_digits, real.scale);
  } else {
    exact = fields::internal::exact_real_double(real.field, real.implied_digits, real.scale);
  }
  using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
  EXPECT_TRUE(exact.ok() && std::bit_cast<Bits>(exact.value) == std::bit_cast<Bits>(fast))
      << "real field \"" << real.field << "\" d=" << real.implied_digits << " k=" << real.scale
      << (sizeof(T) == 4 ? " as float" : " as double") << ": fast " << std::hexfloat << fast
      << ", exact " << exact.value << " error " << static_cast<int>(exact.error);
  return true;
}

// A line of eight 10-column fields: labels as written, blanks, now and then a sampled field.
// The fields at once must be taken exactly when each of them is taken on its own, with the same
// values.

void compare_label_line(FieldSampler& sampler, std::mt19937_64& random, FastPathTally& tally) {
  namespace fields = textfields;
  std::string line;
  for (int k = 0; k < 8; ++k) {
    std::string field;
    switch (random() % 16) {
      case 0:
        field = sampler.integer_field();
        break;
      case 1:
        field = std::string(10, ' ');
        break;
      default:
        field = std::to_string(random() % 100000000);
        break;
    }
    field.resize(std::min<std::size_t>(field.size(), 10));
    line += std::string(10 - field.size(), ' ') + field;
  }
  std::int32_t each[8] = {};
  bool all = true;
  for (int k = 0; k < 8; ++k)
    all = fields::internal::ten_columns_unsigned(&line[10 * k], each[k]) && all;
  std::int32_t together[8] = {};
  const bool taken = fields::internal::ten_column_field_pairs<4>(line.data(), together);
  EXPECT_EQ(taken, all) << "label line \"" << line << "\"";
  if (taken && all) {
    ++tally.label_lines_taken;
    for (int k = 0; k < 8; ++k) EXPECT_EQ(together[k], each[k]) << "label line \"" << line << "\"";
  }
}

// A line of three 25-column fields: D fields as the node datasets print them, now and then a
// sampled field. Where the three are taken at once, each value must be the exact conversion's.
void compare_d_line(FieldSampler& sampler, std::mt19937_64& random, FastPathTally& tally) {
  namespace fields = textfields;
  std::string line;
  for (int k = 0; k < 3; ++k) {
    std::string field;
    if (random() % 8 == 0) {
      field = sampler.real_field().field;
    } else {
      const std::string digits =
          std::to_string(10'000'000'000'000'000 + random() % 90'000'000'000'000'000);
      const auto exponent = static_cast<int>(random() % 199) - 99;
      field = std::string(random() % 2 == 0 ? "-" : " ") + digits[0] + '.' + digits.substr(1) +
              "DdEe"[random() % 4] + (exponent < 0 ? '-' : '+') +
              static_cast<char>('0' + std::abs(exponent) / 10) +
              static_cast<char>('0' + std::abs(exponent) % 10);
    }
    field.resize(std::min<std::size_t>(field.size(), 25));
    line += std::string(25 - field.size(), ' ') + field;
  }
  double together[3] = {};
  if (!fields::internal::three_d_fields(line.data(), together)) return;
  ++tally.d_lines_taken;
  for (int k = 0; k < 3; ++k) {
    const auto exact = fields::internal::exact_real_double(line.substr(25 * k, 25), 16, 1);
    EXPECT_TRUE(exact.ok() && std::bit_cast<std::uint64_t>(exact.value) ==
                                  std::bit_cast<std::uint64_t>(together[k]))
        << "D line \"" << line << "\" field " << k << ": at once " << std::hexfloat << together[k]
        << ", exact " << exact.value;
  }
}

}  // namespace

FastPathTally compare_fast_paths(std::uint64_t seed, long count) {
  namespace fields = textfields;
  FieldSampler sampler(seed);
  std::mt19937_64 random(seed);
  FastPathTally tally;
  for (long n = 0; n < count; ++n) {
    if (n % 8 == 0) compare_label_line(sampler, random, tally);
    if (n % 8 == 4) compare_d_line(sampler, random, tally);
    const std::string integer = sampler.integer_field();
    std::int32_t value = 0;
    if (fields::internal::fast_integer(integer, value)) {
      ++tally.integers_taken;
      const auto exact = fields::internal::exact_integer(integer);
      EXPECT_TRUE(exact.ok() && exact.value == value)
          << "integer field \"" << integer << "\": fast " << value << ", exact " << exact.value
          << " error " << static_cast<int>(exact.error);
    }
    const RealSample real = sampler.real_field();
    if (compare_real<float>(real)) ++tally.floats_taken;
    if (compare_real<double>(real)) ++tally.doubles_taken;
    if (::testing::Test::HasFailure()) return tally;
  }
  return tally;
}

}  // namespace vevadar::testing
