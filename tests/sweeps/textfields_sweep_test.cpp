// Long conversion sweeps against slow references written straight from the field rules: every
// short integer field over a small alphabet, and many random 13-column real fields.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>

#include "textfields/textfields.h"

namespace vevadar::textfields {
namespace {

using enum FieldError;

// The field's text that counts: blanks and tabs dropped, cut at the first comma.
std::string significant(std::string_view field) {
  std::string text;
  for (const char c : field) {
    if (c == ',') break;
    if (c != ' ' && c != '\t') text += c;
  }
  return text;
}

int digit_in_any_base(char c) {
  const std::string_view all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const auto at = all.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return at == std::string_view::npos ? 99 : static_cast<int>(at);
}

FieldValue<std::int32_t> reference_integer(std::string_view field) {
  std::string text = significant(field);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.erase(0, 1);
  }
  int base = 10;
  std::string digits = text;
  if (const auto hash = text.find('#'); hash != std::string::npos) {
    const std::string base_text = text.substr(0, hash);
    if (base_text.find_first_not_of("0123456789") != std::string::npos) return {kInvalidCharacter};
    const auto first = base_text.find_first_not_of('0');
    const std::string significant_base = first == std::string::npos ? "" : base_text.substr(first);
    base = significant_base.empty()      ? 16
           : significant_base.size() > 2 ? 99
                                         : std::stoi(significant_base);
    if (base < 2 || base > 36) return {kBadBase};
    digits = text.substr(hash + 1);
  }
  for (const char c : digits) {
    if (c == '#') return {kBadBase};
    if (digit_in_any_base(c) >= base) return {kInvalidCharacter};
  }
  const std::uint64_t limit = base != 10 ? 0xFFFFFFFFULL : negative ? 0x80000000ULL : 0x7FFFFFFFULL;
  std::uint64_t value = 0;
  for (const char c : digits) {
    value =
        value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit_in_any_base(c));
    if (value > limit) return {kIntegerOverflow};
  }
  if (negative) value = (~value + 1) & 0xFFFFFFFFULL;
  return {kNone, static_cast<std::int32_t>(static_cast<std::uint32_t>(value))};
}

void expect_integer_as_reference(const std::string& field) {
  const FieldValue<std::int32_t> expected = reference_integer(field);
  const FieldValue<std::int32_t> result = parse_integer(field);
  ASSERT_EQ(result.error, expected.error) << "field \"" << field << "\"";
  if (expected.ok()) {
    ASSERT_EQ(result.value, expected.value) << "field \"" << field << "\"";
  }
}

TEST(IntegerSweep, EveryShortFieldOverASmallAlphabet) {
  const std::string_view alphabet = " \t,+-0179#AfG.E";
  for (std::size_t width = 1; width <= 4; ++width) {
    std::size_t total = 1;
    for (std::size_t i = 0; i < width; ++i) total *= alphabet.size();
    for (std::size_t n = 0; n < total; ++n) {
      std::string field;
      for (std::size_t rest = n, i = 0; i < width; ++i, rest /= alphabet.size()) {
        field += alphabet[rest % alphabet.size()];
      }
      expect_integer_as_reference(field);
    }
  }
}

TEST(IntegerSweep, RandomLongFieldsNearTheLimits) {
  const std::string_view alphabet = "0123456789999921478F#- ";
  std::mt19937 random(7);
  for (int n = 0; n < 300000; ++n) {
    std::string field(1 + random() % 14, ' ');
    for (char& c : field) c = alphabet[random() % alphabet.size()];
    expect_integer_as_reference(field);
  }
}

// True when digits * 10^exponent (digits a decimal integer) is above 3.4028235E38, by exact
// big-integer comparison of digit strings.
bool above_largest_single(const std::string& digits, std::int64_t exponent) {
  const std::int64_t shift = exponent - 31;  // the limit is 34028235 * 10^31
  if (shift > 100) return true;
  if (shift < -100) return false;
  std::string value = digits;
  std::string limit = "34028235";
  (shift >= 0 ? value : limit).append(static_cast<std::size_t>(std::llabs(shift)), '0');
  value.erase(0, std::min(value.find_first_not_of('0'), value.size()));
  if (value.size() != limit.size()) return value.size() > limit.size();
  return value > limit;
}

template <class T>
FieldValue<T> reference_real(std::string_view field, int d, int k) {
  const std::string text = significant(field);
  if (text.empty()) return {kNone, T{0}};
  static const std::regex form(R"(([+-]?)([0-9]*)(\.?)([0-9]*)(?:([EeDd][+-]?|[+-])([0-9]+))?)");
  std::smatch parts;
  if (!std::regex_match(text, parts, form) || parts[2].length() + parts[4].length() == 0) {
    return {kInvalidCharacter};
  }
  const std::string digits = parts[2].str() + parts[4].str();
  const bool has_point = parts[3].length() > 0;
  const bool has_exponent = parts[6].matched;
  std::int64_t exponent = 0;
  if (has_exponent) {
    const std::string exponent_digits = parts[6].str();
    const auto first = exponent_digits.find_first_not_of('0');
    exponent = first == std::string::npos           ? 0
               : exponent_digits.size() - first > 6 ? 9999999
                                                    : std::stoll(exponent_digits.substr(first));
    if (parts[5].str().back() == '-') exponent = -exponent;
  }
  // The value is digits * 10^power: the point d digits from the right unless written, and the
  // value divided by 10^k unless an exponent is written.
  const std::int64_t power =
      (has_point ? -parts[4].length() : -d) + exponent - (has_exponent ? 0 : k);
  const bool nonzero = digits.find_first_not_of('0') != std::string::npos;
  if constexpr (sizeof(T) == sizeof(float)) {
    if (nonzero && above_largest_single(digits, power)) return {kRealOverflow};
  }
  const std::string plain = parts[1].str() + digits + "e" +
                            std::to_string(std::clamp<std::int64_t>(power, -99999, 99999));
  T value;
  if constexpr (sizeof(T) == sizeof(float)) {
    value = std::strtof(plain.c_str(), nullptr);
  } else {
    value = std::strtod(plain.c_str(), nullptr);
  }
  if (std::isinf(value)) return {kRealOverflow};
  return {kNone, value};
}

std::string random_real_field(std::mt19937& random) {
  auto below = [&](unsigned n) { return static_cast<int>(random() % n); };
  std::string text;
  if (below(2) == 0) {
    // Noise over the characters of the form.
    const std::string_view alphabet = "0123456789012345678901234567890123456789 .+-EeDd,\t#x";
    for (int i = below(14); i > 0; --i)
      text += alphabet[static_cast<std::size_t>(below(alphabet.size()))];
  } else {
    // A number of the form, sometimes spoilt by one character.
    if (below(3) == 0) text += below(2) == 0 ? '-' : '+';
    for (int i = 1 + below(9); i > 0; --i) text += static_cast<char>('0' + below(10));
    if (below(2) == 0)
      text.insert(static_cast<std::size_t>(below(static_cast<unsigned>(text.size()) + 1)), 1, '.');
    if (below(2) == 0) {
      text += "EeDd+-"[below(6)];
      if (below(2) == 0 && std::isalpha(static_cast<unsigned char>(text.back())))
        text += below(2) == 0 ? '-' : '+';
      for (int i = below(3); i >= 0; --i) text += static_cast<char>('0' + below(10));
    }
    if (below(10) == 0)
      text[static_cast<std::size_t>(below(static_cast<unsigned>(text.size())))] = "Ex. ,"[below(5)];
  }
  if (text.size() > 13) text.resize(13);
  const auto left = static_cast<std::size_t>(below(static_cast<unsigned>(14 - text.size())));
  return std::string(left, ' ') + text + std::string(13 - left - text.size(), ' ');
}

template <class T>
void expect_real_as_reference(const std::string& field, int d, int k) {
  const FieldValue<T> expected = reference_real<T>(field, d, k);
  FieldValue<T> result;
  if constexpr (sizeof(T) == sizeof(float)) {
    result = parse_real_float(field, d, k);
  } else {
    result = parse_real_double(field, d, k);
  }
  ASSERT_EQ(result.error, expected.error) << "field \"" << field << "\" d=" << d << " k=" << k;
  if (expected.ok()) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(static_cast<double>(result.value)),
              std::bit_cast<std::uint64_t>(static_cast<double>(expected.value)))
        << "field \"" << field << "\" d=" << d << " k=" << k << ": " << std::hexfloat
        << result.value << " expected " << expected.value;
  }
}

TEST(RealSweep, RandomThirteenColumnFields) {
  std::mt19937 random(11);
  for (int n = 0; n < 300000; ++n) {
    const std::string field = random_real_field(random);
    const int d = static_cast<int>(random() % 8);
    const int k = static_cast<int>(random() % 5) - 2;
    expect_real_as_reference<float>(field, d, k);
    expect_real_as_reference<double>(field, d, k);
  }
}

}  // namespace
}  // namespace vevadar::textfields
