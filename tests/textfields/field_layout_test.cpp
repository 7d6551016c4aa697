#include <gtest/gtest.h>

#include <array>
#include <string>

#include "textfields/textfields.h"

namespace vevadar::textfields {
namespace {

using enum FieldError;

std::string blanks(std::size_t n) { return std::string(n, ' '); }

// ---- read_fields

TEST(ReadFields, NodeListOfEightFields) {
  constexpr FieldSpec layout[] = {integer_field(10, 8)};
  // Blanks and tabs inside a field, and a comma ending one.
  const std::string line = std::string("         1") + "        -2" + "  3  4    " + "    5,99  " +
                           "         6" + "\t\t\t\t\t\t\t\t\t7" + "         8" + "         9";
  std::array<std::int32_t, 8> targets{};
  const ReadResult result = read_fields(line, layout, targets);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.converted, 8);
  EXPECT_EQ(targets, (std::array<std::int32_t, 8>{1, -2, 34, 5, 6, 7, 8, 9}));
}

TEST(ReadFields, StopsAtTheFailingFieldOrWhenTargetsRunOut) {
  constexpr FieldSpec layout[] = {integer_field(10, 8)};
  const std::string line = "        11        12       1.3        14";
  std::array<std::int32_t, 4> targets = {-9, -9, -9, -9};
  ReadResult result = read_fields(line, layout, targets);
  EXPECT_EQ(result.error, kInvalidCharacter);
  EXPECT_EQ(result.converted, 2);
  EXPECT_EQ(targets, (std::array<std::int32_t, 4>{11, 12, -9, -9}));

  // The bad third field has no target, so it is not converted.
  result = read_fields(line, layout, std::span(targets).first(2));
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.converted, 2);
}

TEST(ReadFields, ColumnsPastTheStretchReadAsBlanks) {
  // The rigid element header: one field of 10, then six of 2; the stretch ends inside field 3.
  constexpr FieldSpec layout[] = {integer_field(10), integer_field(2, 6)};
  std::array<std::int32_t, 7> targets = {-9, -9, -9, -9, -9, -9, -9};
  const ReadResult result = read_fields("       123 1 ", layout, targets);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(targets, (std::array<std::int32_t, 7>{123, 1, 0, 0, 0, 0, 0}));
}

TEST(ReadFields, SkipPassesItsColumns) {
  constexpr FieldSpec layout[] = {integer_field(10), skip(10), integer_field(2, 6)};
  std::array<std::int32_t, 7> targets{};
  const ReadResult result = read_fields("        17NOT-A-NUMB 1 0 3 4-5 6", layout, targets);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(targets, (std::array<std::int32_t, 7>{17, 1, 0, 3, 4, -5, 6}));
}

TEST(ReadFields, ScaleFactorHoldsForTheRealFieldsAfterIt) {
  constexpr FieldSpec layout[] = {real_field(25, 16), scale_factor(1), real_field(25, 16, 2)};
  const std::string line = "1.0" + blanks(22) + "1.0" + blanks(22) + "-2.5D-01";
  std::array<double, 3> targets{};
  const ReadResult result = read_fields(line, layout, targets);
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(targets, (std::array<double, 3>{1.0, 0x1.999999999999ap-4, -0.25}));
}

TEST(ReadFields, SinglePrecisionLoadLine) {
  constexpr FieldSpec layout[] = {real_field(13, 5, 6)};
  const std::string line = " -1.23456E+01      1234567  1.5-03     " + blanks(13) + "3.40282351E38";
  std::array<float, 6> targets = {9, 9, 9, 9, 9, 9};
  const ReadResult result = read_fields(line, layout, targets);
  EXPECT_EQ(result.error, kRealOverflow);
  EXPECT_EQ(result.converted, 4);
  EXPECT_EQ(targets,
            (std::array<float, 6>{-0x1.8b0f28p+3f, 0x1.8b0fbap+3f, 0x1.89374cp-10f, 0.0f, 9, 9}));
}

// ---- write_line

struct WriteRow {
  const char* what;
  std::span<const FieldSpec> layout;
  std::span<const OutputValue> values;
  FieldError error;
  std::string expected;  // all 80 columns
};

std::string padded(std::string text) {
  text.resize(kLineWidth, ' ');
  return text;
}

TEST(WriteLine, LayoutsInUse) {
  constexpr FieldSpec text_and_counter[] = {text_field(), integer_field(20)};
  constexpr FieldSpec record[] = {literal(" RECORD="), integer_field(8)};
  constexpr FieldSpec missing_node[] = {literal("** ERROR !  NODE # "), integer_field(6),
                                        literal(" DOES NOT EXIST")};
  constexpr FieldSpec warning[] = {literal("WARNING: ELEMENT TYPE "), integer_field(3, 1, 3),
                                   literal(" CANNOT BE CREATED IN VELM")};
  constexpr FieldSpec count_line[] = {literal("*"),      skip(4), text_field(),
                                      integer_field(10), skip(3), literal("*")};
  constexpr FieldSpec two_numbers[] = {integer_field(6, 2)};
  constexpr FieldSpec wide[] = {text_field(), integer_field(10)};
  constexpr FieldSpec far_skip[] = {skip(79), literal("ab")};
  constexpr FieldSpec trailing_skip[] = {text_field(), skip(200)};
  constexpr FieldSpec with_break[] = {literal("first"), line_break(), literal("second")};

  const OutputValue read_error[] = {std::string_view("**ERROR : READ DATA ERROR"), 1234};
  const OutputValue internal_error[] = {std::string_view("**ERROR : READ INTERNAL DATA ERROR"),
                                        1234};
  const OutputValue counter[] = {1234};
  const OutputValue label[] = {42};
  const OutputValue descriptor[] = {5};
  const OutputValue nodes[] = {std::string_view("TOTAL NUMBER OF NODE       : "), 125000};
  const OutputValue pair[] = {-7, INT32_MIN};
  const OutputValue one[] = {7};
  const std::string long_text(75, 'T');
  const OutputValue too_wide[] = {std::string_view(long_text), 123456789};
  const OutputValue trailing_blanks[] = {std::string_view("AB  ")};
  const OutputValue none[] = {1};

  const WriteRow rows[] = {
      {"read failure route", text_and_counter, read_error, kNone,
       padded("**ERROR : READ DATA ERROR" + blanks(16) + "1234")},
      {"conversion route", text_and_counter, internal_error, kNone,
       padded("**ERROR : READ INTERNAL DATA ERROR" + blanks(16) + "1234")},
      {"record line", record, counter, kNone, padded(" RECORD=    1234")},
      {"missing node", missing_node, label, kNone,
       padded("** ERROR !  NODE #     42 DOES NOT EXIST")},
      {"warning", warning, descriptor, kNone,
       padded("WARNING: ELEMENT TYPE 005 CANNOT BE CREATED IN VELM")},
      {"count line", count_line, nodes, kNone,
       padded("*    TOTAL NUMBER OF NODE       :     125000   *")},
      {"repeat takes one value each", two_numbers, pair, kNone, padded("    -7******")},
      {"text keeps its blanks", trailing_skip, trailing_blanks, kNone, padded("AB")},
      {"past column 80 keeps what fits", wide, too_wide, kLineTooLong, long_text + " 1234"},
      {"skip then text past column 80", far_skip, {}, kLineTooLong, padded(blanks(79) + "a")},
      {"line break", with_break, {}, kLineTooLong, padded("first")},
      {"missing value", text_and_counter, one, kMissingValue, padded("")},
      {"missing integer value", two_numbers, none, kMissingValue, padded("     1")},
  };
  for (const WriteRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::array<char, kLineWidth> line;
    line.fill('x');  // an earlier line must leave no trace
    EXPECT_EQ(write_line(line, row.layout, row.values), row.error);
    EXPECT_EQ(std::string(line.data(), line.size()), row.expected);
  }
}

TEST(TrimmedLength, DropsOnlyTrailingBlanks) {
  EXPECT_EQ(trimmed_length("  AB  C   "), 7U);
  EXPECT_EQ(trimmed_length("AB\t "), 3U);
  EXPECT_EQ(trimmed_length("     "), 0U);
  EXPECT_EQ(trimmed_length(""), 0U);
}

// Text from an input in a message: one line, nothing for the terminal to act on.
TEST(Printable, EscapesWhatIsNotText) {
  const struct {
    std::string_view text;
    const char* shown;
  } cases[] = {
      {"VERSION 26", "VERSION 26"},
      {"a\nb\r\tc\\", "a\\nb\\r\\tc\\"},  // a backslash stays
      {"\x1b[2J\x1b[31m\x7f", "\\x1b[2J\\x1b[31m\\x7f"},
      {std::string_view("cut\0short", 9), "cut\\x00short"},
      {"Gr\xc3\xbc\xc3\x9f\xe2\x82\xac \xf0\x9f\x98\x80",
       "Gr\xc3\xbc\xc3\x9f\xe2\x82\xac \xf0\x9f\x98\x80"},
      {"\xc2\x9b", "\\xc2\\x9b"},                             // C1 control (CSI)
      {"\xc0\xaf\xed\xa0\x80", "\\xc0\\xaf\\xed\\xa0\\x80"},  // overlong, surrogate
      {"\xe2\x82 \xff", "\\xe2\\x82 \\xff"},                  // cut short, never UTF-8
  };
  for (const auto& c : cases) EXPECT_EQ(printable(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace vevadar::textfields
