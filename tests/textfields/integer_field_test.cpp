#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "textfields/textfields.h"

namespace vevadar::textfields {
namespace {

struct IntegerRow {
  std::string_view text;
  FieldError error;
  std::int32_t value;
};

TEST(ParseInteger, Table) {
  using enum FieldError;
  const IntegerRow rows[] = {
      // Blanks and tabs are dropped wherever they stand; nothing left reads as zero.
      {"   1 2    ", kNone, 12},
      {"          ", kNone, 0},
      {"", kNone, 0},
      {"    -     ", kNone, 0},
      {"\t-\t4 2", kNone, -42},
      // A comma ends the text: what follows is not looked at.
      {"  12,XYZ  ", kNone, 12},
      // The 32-bit range, checked before it is passed.
      {"2147483647", kNone, INT32_MAX},
      {"2147483648", kIntegerOverflow, 0},
      {"-2147483648", kNone, INT32_MIN},
      {"-2147483649", kIntegerOverflow, 0},
      // Anything but a leading sign and digits.
      {"1.0", kInvalidCharacter, 0},
      {"1E3", kInvalidCharacter, 0},
      {"12-", kInvalidCharacter, 0},
      {"+-1", kInvalidCharacter, 0},
      {"1\r", kInvalidCharacter, 0},
      {"99999999999X", kInvalidCharacter, 0},
      // Based integers; the sign applies to the 32-bit pattern.
      {"16#FF", kNone, 255},
      {" 2 # 1 0 1 ", kNone, 5},
      {"36#Zz", kNone, 35 * 36 + 35},  // either case
      {"#10", kNone, 16},
      {"0#10", kNone, 16},
      {"-8#17", kNone, -15},
      {"16#FFFFFFFF", kNone, -1},
      {"16#80000000", kNone, INT32_MIN},
      {"-16#80000000", kNone, INT32_MIN},
      {"-16#FFFFFFFF", kNone, 1},
      {"16#100000000", kIntegerOverflow, 0},
      {"10#2147483648", kIntegerOverflow, 0},
      {"-10#2147483648", kNone, INT32_MIN},
      {"8#8", kInvalidCharacter, 0},
      {"16#G", kInvalidCharacter, 0},
      {"16#-1", kInvalidCharacter, 0},
      {"1#0", kBadBase, 0},
      {"37#0", kBadBase, 0},
      {"99999999999#1", kBadBase, 0},
      {"16#1#2", kBadBase, 0},
      {"F#1", kInvalidCharacter, 0},
  };
  for (const IntegerRow& row : rows) {
    SCOPED_TRACE(::testing::Message() << "field \"" << row.text << "\"");
    const FieldValue<std::int32_t> result = parse_integer(row.text);
    EXPECT_EQ(result.error, row.error);
    if (row.error == kNone) {
      EXPECT_EQ(result.value, row.value);
    }
  }
}

struct FormatRow {
  std::int32_t value;
  int width;
  int min_digits;
  std::string_view expected;
};

TEST(FormatInteger, Table) {
  const FormatRow rows[] = {
      {7, 8, 1, "       7"},
      {5, 3, 3, "005"},
      {1234, 3, 1, "***"},
      {-7, 6, 1, "    -7"},
      {0, 10, 1, "         0"},
      {1000, 3, 3, "***"},
      {999, 3, 3, "999"},
      {-5, 3, 3, "***"},  // the sign needs a column of its own
      {-5, 4, 3, "-005"},
      {1234, 20, 1, "                1234"},
      {INT32_MIN, 11, 1, "-2147483648"},
      {INT32_MIN, 10, 1, "**********"},
      {INT32_MAX, 12, 1, "  2147483647"},
      {0, 4, 0, "    "},
      {12, 0, 1, ""},
  };
  for (const FormatRow& row : rows) {
    SCOPED_TRACE(::testing::Message()
                 << row.value << " in width " << row.width << " m " << row.min_digits);
    std::string out(static_cast<std::size_t>(row.width), '?');
    format_integer(out, row.value, row.min_digits);
    EXPECT_EQ(out, row.expected);
  }
}

}  // namespace
}  // namespace vevadar::textfields
