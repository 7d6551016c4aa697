// The fast path of the real field conversion. A field of the common shape with at most 19
// significant digits is w * 10^q with w < 2^64. The product of w and a 128-bit approximation of
// 10^q from below bounds the value from below, and adding w to it bounds the value from above.
// Rounding to nearest never decreases, so when both bounds round to the same number of the target
// precision, that number is the correctly rounded value (ties to even included: an exact power
// gives no interval at all). When they may not, the value lies within reach of a rounding
// boundary and the exact conversion decides, as it does for subnormals, overflows and every other
// shape.
#include "textfields/field_internal.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vevadar::textfields::internal {
namespace {

// With w below 10^19, every normal double is w * 10^q for a q of this range.
constexpr int kMinPower = -327;
constexpr int kMaxPower = 308;
constexpr int kMaxSignificantDigits = 19;  // 10^19 - 1 < 2^64
constexpr int kMaxExponentDigits = 4;

// 10^q = (high * 2^64 + low + delta) * 2^exponent with 0 <= delta < 1 and the top bit of high set.
struct PowerOfTen {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  std::int32_t exponent = 0;
  bool exact = false;  // delta == 0
};

// A non-negative integer of 32-bit words, least significant first, for building the table of
// powers at compile time: 10^kMaxPower and 2^kReciprocalBits both fit.
constexpr int kBigWords = 42;
constexpr int kReciprocalBits = 1280;  // 2^1280 / 10^327 still has more than 128 bits
struct Big {
  std::array<std::uint32_t, kBigWords> words{};
};

constexpr int bit_length(const Big& big) {
  for (int i = kBigWords - 1; i >= 0; --i) {
    if (big.words[i] != 0) return i * 32 + std::bit_width(big.words[i]);
  }
  return 0;
}

constexpr std::uint64_t bit(const Big& big, int i) {
  return i < 0 ? 0 : (big.words[i / 32] >> (i % 32)) & 1U;
}

constexpr void multiply_by_ten(Big& big) {
  std::uint64_t carry = 0;
  for (std::uint32_t& word : big.words) {
    const std::uint64_t product = std::uint64_t{word} * 10 + carry;
    word = static_cast<std::uint32_t>(product);
    carry = product >> 32;
  }
}

constexpr void divide_by_ten(Big& big) {
  std::uint64_t remainder = 0;
  for (int i = kBigWords - 1; i >= 0; --i) {
    const std::uint64_t part = remainder << 32 | big.words[i];
    big.words[i] = static_cast<std::uint32_t>(part / 10);
    remainder = part % 10;
  }
}

// The top 128 bits of big * 2^shift. Exact when no bit below them is set and `can_be_exact`
// (big * 2^shift being the power itself, not a truncated quotient).
constexpr PowerOfTen top_bits(const Big& big, int shift, bool can_be_exact) {
  const int length = bit_length(big);
  PowerOfTen power{0, 0, length - 128 + shift, can_be_exact};
  for (int i = 0; i < 128; ++i) {
    const std::uint64_t one = bit(big, length - 1 - i);
    if (i < 64) {
      power.high |= one << (63 - i);
    } else {
      power.low |= one << (127 - i);
    }
  }
  for (int i = 0; can_be_exact && i < length - 128; ++i) {
    if (i % 32 == 0 && i + 32 <= length - 128 && big.words[i / 32] == 0) {
      i += 31;
      continue;
    }
    if (bit(big, i) != 0) power.exact = false;
  }
  return power;
}

constexpr std::array<PowerOfTen, kMaxPower - kMinPower + 1> make_powers() {
  std::array<PowerOfTen, kMaxPower - kMinPower + 1> table{};
  Big power;
  power.words[0] = 1;
  for (int q = 0; q <= kMaxPower; ++q) {
    table[q - kMinPower] = top_bits(power, 0, true);
    multiply_by_ten(power);
  }
  // floor(floor(2^N / 10^p) / 10) = floor(2^N / 10^(p + 1)): each quotient is the exact floor,
  // and its top 128 bits are those of 10^-p * 2^N truncated.
  Big reciprocal;
  reciprocal.words[kReciprocalBits / 32] = 1U << (kReciprocalBits % 32);
  for (int p = 1; p <= -kMinPower; ++p) {
    divide_by_ten(reciprocal);
    table[-p - kMinPower] = top_bits(reciprocal, -kReciprocalBits, false);
  }
  return table;
}

constexpr std::array<PowerOfTen, kMaxPower - kMinPower + 1> kPowers = make_powers();

constexpr const PowerOfTen& power_of_ten(int q) { return kPowers[q - kMinPower]; }
static_assert(power_of_ten(0).high == std::uint64_t{1} << 63 && power_of_ten(0).low == 0 &&
              power_of_ten(0).exponent == -127 && power_of_ten(0).exact);
static_assert(power_of_ten(1).high == 0xA000000000000000 && power_of_ten(1).exponent == -124);
static_assert(power_of_ten(55).exact && !power_of_ten(56).exact);  // 5^55 < 2^128 < 5^56
static_assert(power_of_ten(-1).high == 0xCCCCCCCCCCCCCCCC &&
              power_of_ten(-1).low == 0xCCCCCCCCCCCCCCCC && power_of_ten(-1).exponent == -131 &&
              !power_of_ten(-1).exact);

struct Wide {
  std::uint64_t high;
  std::uint64_t low;
};

// 64 x 64 -> 128 bits from 32-bit halves: not every target has a 128-bit type.
constexpr Wide multiply_halves(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t kLow = 0xFFFFFFFF;
  const std::uint64_t low_low = (a & kLow) * (b & kLow);
  const std::uint64_t low_high = (a & kLow) * (b >> 32);
  const std::uint64_t high_low = (a >> 32) * (b & kLow);
  const std::uint64_t high_high = (a >> 32) * (b >> 32);
  const std::uint64_t middle = (low_low >> 32) + (low_high & kLow) + (high_low & kLow);
  return {high_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32),
          middle << 32 | (low_low & kLow)};
}
static_assert(multiply_halves(~std::uint64_t{0}, ~std::uint64_t{0}).high == ~std::uint64_t{1} &&
              multiply_halves(~std::uint64_t{0}, ~std::uint64_t{0}).low == 1);
static_assert(multiply_halves(0x123456789ABCDEF0, 0xFEDCBA9876543210).high == 0x121FA00AD77D7422 &&
              multiply_halves(0x123456789ABCDEF0, 0xFEDCBA9876543210).low == 0x236D88FE5618CF00);

// The same product in one instruction where the compiler offers a 128-bit type; both are exact.
inline Wide multiply(std::uint64_t a, std::uint64_t b) {
#if defined(__SIZEOF_INT128__)
  __extension__ using Unsigned128 = unsigned __int128;
  const Unsigned128 product = static_cast<Unsigned128>(a) * b;
  return {static_cast<std::uint64_t>(product >> 64), static_cast<std::uint64_t>(product)};
#else
  return multiply_halves(a, b);
#endif
}

template <class T>
using BitsOf = std::conditional_t<sizeof(T) == sizeof(std::uint32_t), std::uint32_t, std::uint64_t>;

// w * 10^q rounded to T, when that is a normal number and the bounds decide it.
template <class T>
VEVADAR_INLINE bool round_to(std::uint64_t w, int q, bool negative, T& value) {
  constexpr int kPrecision = std::numeric_limits<T>::digits;
  const PowerOfTen& power = power_of_ten(q);
  const int shift = std::countl_zero(w);
  const std::uint64_t m = w << shift;
  // The product (high, middle, low) = m * (power.high, power.low) lies in [2^190, 2^192); the
  // mantissa and the rounding bit both lie in its top word, which m * power.high mostly decides.
  const Wide by_high = multiply(m, power.high);
  int top = static_cast<int>(by_high.high >> 63);  // 1 when the product has 192 bits
  int dropped = 63 + top - kPrecision;             // bits of the top word below the mantissa
  std::uint64_t half = std::uint64_t{1} << (dropped - 1);
  std::uint64_t rest = by_high.high & ((half << 1) - 1);
  std::uint64_t mantissa = 0;
  if (rest + 1 < half || (rest > half && rest + 1 < (half << 1))) {
    // The low half of the power, and delta, add less than 2^128 to the product: at most 1 to its
    // top word. The rest then stays on its side of the halfway point and carries nothing into
    // the mantissa, so the top word of m * power.high decides the rounding alone.
    mantissa = (by_high.high >> dropped) + static_cast<std::uint64_t>(rest > half);
  } else {
    const Wide by_low = multiply(m, power.low);
    const std::uint64_t low = by_low.low;
    const std::uint64_t middle = by_high.low + by_low.high;
    const std::uint64_t high = by_high.high + (middle < by_low.high ? 1 : 0);
    top = static_cast<int>(high >> 63);
    dropped = 63 + top - kPrecision;
    mantissa = high >> dropped;
    half = std::uint64_t{1} << (dropped - 1);
    rest = high & ((half << 1) - 1);
    const bool nothing_below = (middle | low) == 0;
    if (!power.exact) {
      // m * delta < m: the value lies in [product, product + m) times the same power of two.
      // The upper bound rounds as the product does unless adding m carries into `high` (then
      // mantissa and rest may change) or the product lies exactly halfway (then the bound lies
      // above it). Both are taken by the exact conversion.
      if (middle == ~std::uint64_t{0} && low + m < m) return false;
      if (rest == half && nothing_below) return false;
    }
    // Rounded to nearest, ties to even.
    const bool round_up =
        (rest > half) |
        ((rest == half) & (static_cast<int>(!nothing_below) | static_cast<int>(mantissa & 1)));
    mantissa += static_cast<std::uint64_t>(round_up);
  }
  int length = 191 + top;  // of the rounded product
  if (mantissa >> kPrecision != 0) {
    mantissa >>= 1;
    ++length;
  }
  // The value is 1.f * 2^e. Normal numbers only, with a binade to spare at both ends: nothing
  // subnormal, nothing near an overflow (for a single field, nothing near 3.4028235E38).
  const int e = length - 1 + power.exponent - shift;
  constexpr int kMaxExponent = std::numeric_limits<T>::max_exponent - 1;
  constexpr int kMinExponent = std::numeric_limits<T>::min_exponent - 1;
  if (e <= kMinExponent || e >= kMaxExponent) return false;
  using Bits = BitsOf<T>;
  constexpr Bits kFractionMask = (Bits{1} << (kPrecision - 1)) - 1;
  Bits bits = static_cast<Bits>(e + kMaxExponent) << (kPrecision - 1) |
              (static_cast<Bits>(mantissa) & kFractionMask);
  bits |= static_cast<Bits>(negative) << (sizeof(Bits) * 8 - 1);
  value = std::bit_cast<T>(bits);
  return true;
}

// The mantissa of a field: its digits as one integer (wrapping beyond 19 significant digits,
// which `significant` shows), how many digits it has, and how many of them stand before its point
// (-1 without a point).
struct Mantissa {
  std::uint64_t significand = 0;
  int significant = 0;  // digits from the first one that is not '0'
  std::int64_t digits = 0;
  std::int64_t before_point = -1;
};

// Reads digits and at most one point from `next`; runs of eight digits a word at a time.
const char* read_mantissa(const char* next, const char* end, Mantissa& mantissa) {
  for (;;) {
    if constexpr (std::endian::native == std::endian::little) {
      constexpr std::uint64_t kHigh = 0x8080808080808080;
      constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;
      constexpr std::uint64_t kZeros = 0x3030303030303030;
      if (end - next >= 8) {
        const std::uint64_t word = eight_columns(next);
        if (eight_digit_columns(word)) {
          if (mantissa.significand != 0) {
            mantissa.significant += 8;
          } else {
            // From the first digit that is not '0' on.
            const std::uint64_t values = word ^ kZeros;
            const std::uint64_t nonzero = ((values + kLow7) | values) & kHigh;
            if (nonzero != 0) mantissa.significant += 8 - std::countr_zero(nonzero) / 8;
          }
          mantissa.significand = mantissa.significand * 100000000 + eight_digits(word);
          mantissa.digits += 8;
          next += 8;
          continue;
        }
      }
    }
    if (next == end) return next;
    const std::uint64_t digit = static_cast<std::uint64_t>(static_cast<unsigned char>(*next)) - '0';
    if (digit <= 9) {
      mantissa.significand = mantissa.significand * 10 + digit;
      if (mantissa.significand != 0) ++mantissa.significant;
      ++mantissa.digits;
    } else if (*next == '.' && mantissa.before_point < 0) {
      mantissa.before_point = mantissa.digits;
    } else {
      return next;
    }
    ++next;
  }
}

// The form the dataset writers print (-2.0987654132091000D+00, 1.23456E+01): from `next`, one
// digit, a point, at most 18 fraction digits (so at most 19 significant ones), then a letter E, e,
// D or d, a sign and two digits ending the field. False, with `value` untouched, for any other
// text, which the general reading then takes.
template <class T>
VEVADAR_INLINE bool scientific(const char* next, const char* end, bool negative, T& value) {
  constexpr std::int64_t kExponentColumns = 4;
  if (end - next < 2 + kExponentColumns) return false;
  const char* const exponent = end - kExponentColumns;
  const char letter = exponent[0];
  if (letter != 'E' && letter != 'D' && letter != 'e' && letter != 'd') return false;
  if (exponent[1] != '+' && exponent[1] != '-') return false;
  const auto tens = static_cast<unsigned>(static_cast<unsigned char>(exponent[2])) - '0';
  const auto units = static_cast<unsigned>(static_cast<unsigned char>(exponent[3])) - '0';
  const auto first = static_cast<unsigned>(static_cast<unsigned char>(next[0])) - '0';
  if (tens > 9 || units > 9 || first > 9 || next[1] != '.') return false;
  const std::int64_t fraction_digits = exponent - (next + 2);
  if (fraction_digits > kMaxSignificantDigits - 1) return false;

  std::uint64_t significand = first;
  const char* digit = next + 2;
  if constexpr (std::endian::native == std::endian::little) {
    for (; exponent - digit >= 8; digit += 8) {
      const std::uint64_t word = eight_columns(digit);
      if (!eight_digit_columns(word)) return false;
      significand = significand * 100000000 + eight_digits(word);
    }
  }
  for (; digit != exponent; ++digit) {
    const auto d = static_cast<std::uint64_t>(static_cast<unsigned char>(*digit)) - '0';
    if (d > 9) return false;
    significand = significand * 10 + d;
  }
  if (significand == 0) {
    value = negative ? -T{0} : T{0};
    return true;
  }
  const auto magnitude = static_cast<std::int64_t>(tens) * 10 + units;
  // The exponent's sign applied without a branch: -m is (m ^ -1) + 1.
  const std::int64_t minus = -static_cast<std::int64_t>(exponent[1] == '-');
  const std::int64_t q = ((magnitude ^ minus) - minus) - fraction_digits;
  if (q < kMinPower || q > kMaxPower) return false;
  return round_to(significand, static_cast<int>(q), negative, value);
}

// The value of sixteen columns of decimal digits. With SSE2 they are summed in the lanes of one
// vector (pairs, fours, then eights); elsewhere a word of eight at a time.
VEVADAR_INLINE std::uint64_t sixteen_digit_value(const char* columns) {
#if defined(__SSE2__)
  const __m128i digits =
      _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(columns)), _mm_set1_epi8('0'));
  // Summed as the 10-column label fields are, four digits to a lane, then eight.
  const __m128i fours = field_pair_fours(digits);
  const __m128i eights =
      _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_set1_epi32(0x00012710));  // 10000, 1
  const auto first = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
  const auto second = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
  return std::uint64_t{first} * 100000000 + second;
#else
  return std::uint64_t{eight_digits(eight_columns(columns))} * 100000000 +
         eight_digits(eight_columns(columns + 8));
#endif
}

// Whether sixteen columns are all decimal digits.
VEVADAR_INLINE bool sixteen_digit_columns(const char* columns) {
#if defined(__SSE2__)
  const __m128i digits =
      _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(columns)), _mm_set1_epi8('0'));
  // A byte is a digit when its distance from '0' is at most 9.
  const __m128i above_nine = _mm_subs_epu8(digits, _mm_set1_epi8(9));
  return _mm_movemask_epi8(_mm_cmpeq_epi8(above_nine, _mm_setzero_si128())) == 0xFFFF;
#else
  return eight_digit_columns(eight_columns(columns)) &&
         eight_digit_columns(eight_columns(columns + 8));
#endif
}

// A 25-column D field exactly as the node datasets print it, "  -2.0987654132091000D+00": two
// blanks, a blank or sign, one digit, the point, 16 digits, then E, e, D or d, a sign and two
// digits. Each part is checked where it stands, a word at a time.
VEVADAR_INLINE bool d_field_shape(const char* columns) {
  const std::uint64_t head = eight_columns(columns);  // columns 1-8
  // Columns 1, 2 and 5: blank, blank and the point.
  if ((head & 0x000000FF0000FFFF) != 0x0000002E00002020) return false;
  const auto sign = static_cast<unsigned char>(head >> 16);
  const auto first = static_cast<std::uint64_t>((head >> 24) & 0xFF) - '0';
  if ((sign != ' ' && sign != '-' && sign != '+') || first > 9) return false;
  if (!sixteen_digit_columns(columns + 5)) return false;  // columns 6-21
  const char* const exponent = columns + 21;              // columns 22-25
  const char letter = static_cast<char>(exponent[0] | 0x20);
  const auto tens = static_cast<unsigned>(static_cast<unsigned char>(exponent[2])) - '0';
  const auto units = static_cast<unsigned>(static_cast<unsigned char>(exponent[3])) - '0';
  return (letter == 'e' || letter == 'd') && (exponent[1] == '+' || exponent[1] == '-') &&
         tens <= 9 && units <= 9;
}

// The value of a D field of that shape, the one scientific() gives the same text. False, with
// `value` untouched, where the bounds do not decide the rounding or the value is not normal.
template <class T>
VEVADAR_INLINE bool d_field_value(const char* columns, T& value) {
  const auto first = static_cast<std::uint64_t>(static_cast<unsigned char>(columns[3])) - '0';
  const std::uint64_t significand = first * 10000000000000000 + sixteen_digit_value(columns + 5);
  const bool negative = columns[2] == '-';
  if (significand == 0) {
    value = negative ? -T{0} : T{0};
    return true;
  }
  const char* const exponent = columns + 21;
  const auto magnitude =
      static_cast<int>((static_cast<unsigned>(static_cast<unsigned char>(exponent[2])) - '0') * 10 +
                       (static_cast<unsigned>(static_cast<unsigned char>(exponent[3])) - '0'));
  constexpr int kFractionDigits = 16;
  const int q = (exponent[1] == '-' ? -magnitude : magnitude) - kFractionDigits;
  return round_to(significand, q, negative, value);
}

// A D field (d_field_shape) and its value; false, with `value` untouched, for any other 25
// columns.
template <class T>
VEVADAR_INLINE bool d_field(const char* columns, T& value) {
  return d_field_shape(columns) && d_field_value(columns, value);
}

#if defined(__SSE2__)
// Three D fields side by side, columns 1-75, checked in five vectors of 16 columns (from columns
// 1, 17, 33, 49 and 60) instead of a field at a time. For each vector: where a digit stands, and
// what every other column may hold, as three templates compared with the columns (a column
// passes when one of them matches): blanks, the point, a blank or sign before the first digit,
// the exponent's letter (made lower case first) and its sign.
struct DLineVector {
  std::array<std::uint8_t, 16> digit{};  // 0xFF where a digit stands
  std::array<std::uint8_t, 16> lower{};  // 0x20 at the exponent's letter
  std::array<std::array<std::uint8_t, 16>, 3> allowed{};
};
constexpr std::array<std::size_t, 5> kDLineStarts = {0, 16, 32, 48, 59};
constexpr auto kDLineVectors = [] {
  std::array<DLineVector, kDLineStarts.size()> vectors{};
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    for (std::size_t j = 0; j < 16; ++j) {
      DLineVector& v = vectors[i];
      const std::size_t at = (kDLineStarts[i] + j) % 25;  // the column within its field, 0-based
      auto allow = [&](char a, char b, char c) {
        v.allowed[0][j] = static_cast<std::uint8_t>(a);
        v.allowed[1][j] = static_cast<std::uint8_t>(b);
        v.allowed[2][j] = static_cast<std::uint8_t>(c);
      };
      if (at == 0 || at == 1) {
        allow(' ', ' ', ' ');
      } else if (at == 2) {
        allow(' ', '+', '-');
      } else if (at == 4) {
        allow('.', '.', '.');
      } else if (at == 21) {
        v.lower[j] = 0x20;
        allow('d', 'e', 'd');
      } else if (at == 22) {
        allow('+', '-', '+');
      } else {
        v.digit[j] = 0xFF;
      }
    }
  }
  return vectors;
}();

VEVADAR_INLINE __m128i load16(const std::array<std::uint8_t, 16>& bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data()));
}

// Whether columns 1-75 are three D fields (d_field_shape each).
VEVADAR_INLINE bool d_line_shape(const char* columns) {
  __m128i passed = _mm_set1_epi8(-1);
  for (std::size_t i = 0; i < kDLineStarts.size(); ++i) {
    const DLineVector& v = kDLineVectors[i];
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + kDLineStarts[i]));
    const __m128i is_digit =
        _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(bytes, _mm_set1_epi8('0')), _mm_set1_epi8(9)),
                       _mm_setzero_si128());
    const __m128i lowered = _mm_or_si128(bytes, load16(v.lower));
    const __m128i is_allowed =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(lowered, load16(v.allowed[0])),
                                  _mm_cmpeq_epi8(lowered, load16(v.allowed[1]))),
                     _mm_cmpeq_epi8(lowered, load16(v.allowed[2])));
    const __m128i digit = load16(v.digit);
    passed = _mm_and_si128(
        passed, _mm_or_si128(_mm_and_si128(is_digit, digit), _mm_andnot_si128(digit, is_allowed)));
  }
  return _mm_movemask_epi8(passed) == 0xFFFF;
}
#endif

template <class T>
VEVADAR_INLINE bool fast(std::string_view field, int implied_digits, int scale, T& value) {
  const char* next = field.data();
  const char* const end = next + field.size();
  if constexpr (std::endian::native == std::endian::little) {
    if (field.size() == 25 && d_field(next, value)) return true;
    // The blanks before a number, up to eight at once.
    if (end - next >= 8) {
      const std::uint64_t blanks = eight_columns(next) ^ 0x2020202020202020;
      if (blanks != 0) next += std::countr_zero(blanks) / 8;
    }
  }
  while (next != end && *next == ' ') ++next;
  if (next == end) {
    value = T{0};
    return true;
  }
  const bool negative = *next == '-';
  next += static_cast<int>(negative) | static_cast<int>(*next == '+');  // no branch on the sign
  if (scientific(next, end, negative, value)) return true;

  Mantissa mantissa;
  if (end - next >= 2 && next[1] == '.' && next[0] >= '0' && next[0] <= '9') {
    // One digit and the point, as most writers print a real: the digits after it go by words.
    mantissa.significand = static_cast<std::uint64_t>(next[0] - '0');
    mantissa.significant = mantissa.significand != 0 ? 1 : 0;
    mantissa.digits = 1;
    mantissa.before_point = 1;
    next += 2;
  }
  next = read_mantissa(next, end, mantissa);
  if (mantissa.digits == 0) return false;
  // Without a point, the point stands d digits from the right.
  const std::int64_t fraction_digits = mantissa.before_point < 0
                                           ? std::int64_t{implied_digits}
                                           : mantissa.digits - mantissa.before_point;

  bool has_exponent = false;
  std::int64_t exponent = 0;
  if (next != end && *next != ' ') {
    char c = *next;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      if (++next == end) return false;
      c = *next;
    } else if (c != '+' && c != '-') {
      return false;
    }
    const bool exponent_negative = c == '-';
    if (c == '+' || c == '-') ++next;
    const char* const exponent_digits = next;
    for (; next != end && *next >= '0' && *next <= '9'; ++next) {
      if (next - exponent_digits == kMaxExponentDigits) return false;
      exponent = exponent * 10 + (*next - '0');
    }
    if (next == exponent_digits) return false;
    if (exponent_negative) exponent = -exponent;
    has_exponent = true;
  }
  while (next != end && *next == ' ') ++next;
  if (next != end || mantissa.significant > kMaxSignificantDigits) return false;

  if (mantissa.significand == 0) {
    value = negative ? -T{0} : T{0};
    return true;
  }
  const std::int64_t q = exponent - fraction_digits - (has_exponent ? 0 : scale);
  if (q < kMinPower || q > kMaxPower) return false;
  return round_to(mantissa.significand, static_cast<int>(q), negative, value);
}

}  // namespace

bool fast_real(std::string_view field, int implied_digits, int scale, float& value) {
  return fast(field, implied_digits, scale, value);
}

bool fast_real(std::string_view field, int implied_digits, int scale, double& value) {
  return fast(field, implied_digits, scale, value);
}

bool three_d_fields(const char* columns, double* values) {
  constexpr std::size_t kWidth = 25;
  std::array<double, 3> taken{};
#if defined(__SSE2__)
  if (!d_line_shape(columns)) return false;
  for (std::size_t k = 0; k < taken.size(); ++k) {
    if (!d_field_value(columns + kWidth * k, taken[k])) return false;
  }
#else
  for (std::size_t k = 0; k < taken.size(); ++k) {
    if (!d_field(columns + kWidth * k, taken[k])) return false;
  }
#endif
  std::copy(taken.begin(), taken.end(), values);
  return true;
}

template <class T>
std::size_t fast_real_run(const char* columns, std::size_t width, std::size_t count,
                          int implied_digits, int scale, T* values) {
  std::size_t taken = 0;
  for (; taken < count; ++taken, columns += width) {
    if (!fast({columns, width}, implied_digits, scale, values[taken])) break;
  }
  return taken;
}

std::size_t fast_real_run(const char* columns, std::size_t width, std::size_t count,
                          int implied_digits, int scale, float* values) {
  return fast_real_run<float>(columns, width, count, implied_digits, scale, values);
}

std::size_t fast_real_run(const char* columns, std::size_t width, std::size_t count,
                          int implied_digits, int scale, double* values) {
  return fast_real_run<double>(columns, width, count, implied_digits, scale, values);
}

}  // namespace vevadar::textfields::internal
