// textfields: fixed-column text fields of the universal file and of the message lines.
//
// What this area offers:
//   - parse_integer / parse_real: the conversion of one numeric input field's columns;
//   - read_fields: a field layout (an array of FieldSpec) applied to a stretch of a line;
//   - write_line: a field layout written into an 80-character line, blank-padded;
//   - LineReader: the 80-column line buffer over a byte source, with the line counter;
//   - printable: text taken from an input made fit for a message line or a terminal.
//
// A numeric input field drops every blank and tab wherever it stands, stops at a comma, and reads
// as zero when nothing is left. Columns past the end of the source stretch read as blanks.
// Nothing here allocates but printable, which serves messages outside a run; nothing here depends
// on any other area of the project.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "textfields/fast_integer.h"

namespace vevadar::textfields {

inline constexpr int kLineWidth = 80;

// What a failed conversion reports. The caller decides the message (the scanner's error routes).
enum class FieldError : std::uint8_t {
  kNone,
  kInvalidCharacter,  // a character outside the field's form (letter, second point, bare 'E')
  kIntegerOverflow,   // an integer beyond the 32-bit range
  kBadBase,           // a based integer with a base outside 2..36 or a second '#'
  kRealOverflow,      // a real above the largest value of its target precision
  kLineTooLong,       // output past column 80, or a line break into a single line
  kMissingValue,      // an output layout with more fields than values (a programming error)
};

template <class T>
struct [[nodiscard]] FieldValue {
  FieldError error = FieldError::kNone;
  T value{};
  [[nodiscard]] bool ok() const { return error == FieldError::kNone; }
};

namespace internal {
// The exact integer conversion, the reference of fast_integer: every field in every form.
[[nodiscard]] FieldValue<std::int32_t> exact_integer(std::string_view field);
}  // namespace internal

// One numeric input field: the field's own columns, exactly `width` characters or fewer (missing
// columns are blanks). Inline: the common shape converts in its caller.
[[nodiscard]] VEVADAR_INLINE FieldValue<std::int32_t> parse_integer(std::string_view field) {
  std::int32_t value = 0;
  if (internal::fast_integer(field, value)) [[likely]] {
    return {FieldError::kNone, value};
  }
  return internal::exact_integer(field);
}
// Real fields: `implied_digits` is d (the point placed d digits from the right of a mantissa
// without one); `scale` is k (a value without exponent is divided by 10^k). The result is rounded
// once, to the precision of the target: a single-precision field is never rounded via double.
// Magnitudes below the normal range round to subnormals or to a zero of the same sign.
[[nodiscard]] FieldValue<float> parse_real_float(std::string_view field, int implied_digits,
                                                 int scale);
[[nodiscard]] FieldValue<double> parse_real_double(std::string_view field, int implied_digits,
                                                   int scale);

enum class FieldKind : std::uint8_t {
  kInteger,    // input: a numeric field of `width`; output: right-justified, `digits` = minimum m
  kReal,       // input only: a numeric field of `width`, `digits` = implied fraction digits d
  kText,       // output only: the value's text as it is (its width is the text's length)
  kSkip,       // `width` columns passed over (input) or blank (output)
  kLiteral,    // output only: `literal` as written
  kLineBreak,  // output only: ends the current line
  kScale,      // sets the scale factor k = `digits` for the real fields after it in the layout
};

struct FieldSpec {
  FieldKind kind = FieldKind::kSkip;
  std::int16_t width = 0;
  std::int16_t digits = 0;
  std::int16_t repeat = 1;
  std::string_view literal = {};
};

constexpr FieldSpec integer_field(int width, int repeat = 1, int min_digits = 1) {
  return {FieldKind::kInteger,
          static_cast<std::int16_t>(width),
          static_cast<std::int16_t>(min_digits),
          static_cast<std::int16_t>(repeat),
          {}};
}
constexpr FieldSpec real_field(int width, int implied_digits, int repeat = 1) {
  return {FieldKind::kReal,
          static_cast<std::int16_t>(width),
          static_cast<std::int16_t>(implied_digits),
          static_cast<std::int16_t>(repeat),
          {}};
}
constexpr FieldSpec text_field() { return {FieldKind::kText, 0, 0, 1, {}}; }
constexpr FieldSpec skip(int columns) {
  return {FieldKind::kSkip, static_cast<std::int16_t>(columns), 0, 1, {}};
}
constexpr FieldSpec literal(std::string_view text) {
  return {FieldKind::kLiteral, static_cast<std::int16_t>(text.size()), 0, 1, text};
}
constexpr FieldSpec line_break() { return {FieldKind::kLineBreak, 0, 0, 1, {}}; }
constexpr FieldSpec scale_factor(int k) {
  return {FieldKind::kScale, 0, static_cast<std::int16_t>(k), 1, {}};
}

// The outcome of read_fields: `converted` targets were filled before the first failing field
// (all of them when ok()). The failing field's target and the later ones are left unchanged.
struct [[nodiscard]] ReadResult {
  FieldError error = FieldError::kNone;
  int converted = 0;
  [[nodiscard]] bool ok() const { return error == FieldError::kNone; }
};

// Applies `layout` from the first column of `source`, converting field after field into
// `targets` in order. Fields for which no target is left are not converted. Integer layouts take
// int32 targets; real layouts take float (single precision, rounded once) or double targets.
ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<std::int32_t> targets);
ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<float> targets);
ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<double> targets);

// A value for an output layout: integer fields take `number`, text fields take `text`.
struct OutputValue {
  constexpr OutputValue(std::int32_t n) : number(n) {}    // NOLINT(google-explicit-constructor)
  constexpr OutputValue(std::string_view t) : text(t) {}  // NOLINT(google-explicit-constructor)
  std::int32_t number = 0;
  std::string_view text = {};
};

// |value| of a 32-bit value, the smallest one included (0U - value does not overflow).
constexpr std::uint32_t magnitude(std::int32_t value) {
  return value < 0 ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
}

// Writes one integer as an output integer field: the digits of |value| with leading zeros up to
// `min_digits`, a '-' in front of a negative value, right-justified in `width`; `width` asterisks
// when that does not fit. `out` receives exactly `width` characters.
void format_integer(std::span<char> out, std::int32_t value, int min_digits);

// Builds one line of at most 80 columns from `layout` and `values` into `line`; the columns after
// the last character written are blanks. A layout that would pass column 80 or that holds a line
// break is kLineTooLong; `line` then holds what fitted.
[[nodiscard]] FieldError write_line(std::span<char, kLineWidth> line,
                                    std::span<const FieldSpec> layout,
                                    std::span<const OutputValue> values);

// The length of `line` without its trailing blanks (a message file line has no blank padding).
[[nodiscard]] std::size_t trimmed_length(std::string_view line);

// --- Printable text --------------------------------------------------------------------------
// `text` as it may stand in a message or reach a terminal: printable ASCII and well-formed UTF-8
// pass unchanged; every other byte (the control bytes 0x00-0x1F and 0x7F, a C1 control, a byte
// of no well-formed UTF-8 sequence) becomes an escape, \n, \r, \t or \xHH (\x1b for ESC), so a
// message is always one line and an input can never drive the terminal. Backslashes stay as
// they are (Windows paths), which also makes printable(printable(t)) == printable(t).
[[nodiscard]] std::string printable(std::string_view text);

// The length of the well-formed UTF-8 sequence of two to four bytes at the start of `text`, or 0
// (an ASCII byte, a stray byte, an overlong form, a surrogate, a code point past U+10FFFF, a
// sequence cut short).
[[nodiscard]] std::size_t utf8_sequence(std::string_view text);

// Where the lines come from: the universal file, or bytes in memory for tests.
class ByteSource {
 public:
  struct Chunk {
    std::size_t size = 0;  // bytes placed in the buffer; 0 with !failed means end of input
    bool failed = false;   // the read itself failed (device or file-system error)
  };
  virtual ~ByteSource() = default;
  virtual Chunk read(char* buffer, std::size_t capacity) = 0;
};

// The run's 80-column line buffer and line counter over a byte source.
//
// A line ends at a line feed; a carriage return also ends the characters taken from its line
// (the line itself still ends at its line feed). A last line without a line feed is a line.
// Shorter lines are blank-padded to 80, longer ones cut at column 80 (the rest of that line is
// passed over). Tabs stay as they are, and the lines that hold one among their 80 columns are
// counted; bytes of any value are line content. A read failure
// consumes the line it happened in; a source that keeps failing without delivering a byte is
// taken as ended, so a scan can never loop on one failure.
class LineReader {
 public:
  enum class Outcome : std::uint8_t { kLine, kEnd, kFailure };

  explicit LineReader(ByteSource& source) : source_(source) {}
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Starts again from the first byte the source delivers next: line counter 0, nothing
  // buffered. A reader lives as long as the library and serves one run after another.
  void restart();

  // Reads the next line into the buffer; only kLine advances the line counter.
  Outcome next() { return take_whole_line() ? Outcome::kLine : next_in_pieces(); }

  // The 80 characters of the line most recently read.
  [[nodiscard]] std::string_view line() const { return {line_data(), kLineWidth}; }
  // Columns first..first+count-1 of the line (1-based), clipped to column 80.
  // Inline: every field of every line is taken through it.
  [[nodiscard]] std::string_view columns(int first, int count) const {
    const std::int64_t begin = first > 1 ? first : 1;
    const std::int64_t end = std::int64_t{first} + count - 1;  // the last column asked for
    const std::int64_t last = end < kLineWidth ? end : kLineWidth;
    if (last < begin) return {};
    // Columns within the line's own characters are taken where the input buffer holds them: the
    // same characters, without copying the line.
    const char* const from = last <= characters_length_ ? characters_ : line_data();
    return {from + begin - 1, static_cast<std::size_t>(last - begin + 1)};
  }
  // The line's first values.size() 10-column fields at once (at most eight), where every one of
  // them has the shape node labels are written in: true with the values any conversion of them
  // gives; false, with `values` left alone, when one field has another shape (the caller converts
  // the fields). Fields go two to a vector where the target allows; the pairs taken are the
  // fewest, of one, two or four, that hold the fields asked for.
  [[nodiscard]] bool label_fields(std::span<std::int32_t> values) const {
    const std::size_t count = values.size();
    if (count == 8) return field_pairs<4>(values.data());
    if (count == 0) return true;
    std::int32_t taken[8];
    const bool converted = count > 4   ? field_pairs<4>(taken)
                           : count > 2 ? field_pairs<2>(taken)
                                       : field_pairs<1>(taken);
    if (!converted) return false;
    std::copy_n(taken, std::min<std::size_t>(count, 8), values.begin());
    return true;
  }
  // The line's three 25-column fields in columns 1-75 at once, where each is a D field exactly as
  // the node datasets print it: true with values[0..2], the values any conversion of them gives;
  // false, with `values` left alone, when one has another shape (the caller converts the fields).
  [[nodiscard]] bool d_fields(double* values) const;
  // Columns 5-6 hold "-1".
  [[nodiscard]] bool is_delimiter() const {
    const char* const line = characters_length_ >= 6 ? characters_ : line_data();
    return line[4] == '-' && line[5] == '1';
  }
  [[nodiscard]] std::int32_t line_counter() const { return line_counter_; }

  // The lines read since the last take (or the restart) that hold a tab among their 80 columns,
  // and the line counter of the first of them (0 when there is none); the count starts again.
  struct TabLines {
    std::int32_t lines = 0;
    std::int32_t first_line = 0;
  };
  TabLines take_tab_lines() {
    const TabLines taken = tab_lines_;
    tab_lines_ = {};
    return taken;
  }

 private:
  bool refill();
  bool take_whole_line();
  // The line's 80 columns in line_. A line read whole is copied there only when something asks
  // for columns past its characters (or for the line): most fields lie within them.
  const char* line_data() const {
    if (line_pending_) fill_line();
    return line_;
  }
  void fill_line() const;
  // The first kPairs pairs of 10-column fields at once (label_fields): where the input buffer
  // holds them, else from the blank-padded line.
  template <std::size_t kPairs>
  bool field_pairs(std::int32_t* values) const {
    constexpr auto kColumns = static_cast<std::int64_t>(20 * kPairs);
    if (characters_length_ >= kColumns) {
      return internal::ten_column_field_pairs<kPairs>(characters_, values);
    }
    if constexpr (kPairs > 1) {
      // The line's characters end where the last pair begins (an element header of six fields):
      // that pair is blanks.
      if (characters_length_ == kColumns - 20) {
        if (!internal::ten_column_field_pairs<kPairs - 1>(characters_, values)) return false;
        values[2 * kPairs - 2] = 0;
        values[2 * kPairs - 1] = 0;
        return true;
      }
    }
    return internal::ten_column_field_pairs<kPairs>(line_data(), values);
  }
  Outcome next_in_pieces();

  ByteSource& source_;
  // The line in the first 80; the rest takes the blanks of a short line's padding, written 80 at
  // a time.
  mutable char line_[2 * kLineWidth] = {};
  mutable bool line_pending_ = false;  // a line read whole is not in line_ yet
  // The line's characters before its end (line feed, carriage return or column 80) in the input
  // buffer, for a line read whole; 0 when the line was read in pieces.
  const char* characters_ = line_;
  std::int64_t characters_length_ = 0;
  std::int32_t line_counter_ = 0;
  TabLines tab_lines_;
  static constexpr std::size_t kBufferSize = std::size_t{64} * 1024;
  // Read into; only its first filled_ bytes are ever looked at, so it is left uninitialised and
  // a small input touches only the pages it fills.
  char buffer_[kBufferSize];
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  bool ended_ = false;
  bool failure_after_buffer_ = false;  // a failed read delivered bytes: the failure follows them
  int failures_in_a_row_ = 0;
};

}  // namespace vevadar::textfields
