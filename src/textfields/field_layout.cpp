#include "textfields/textfields.h"

#include <algorithm>
#include <cassert>
#include <type_traits>

#include "textfields/field_internal.h"

namespace vevadar::textfields {
namespace {

std::int64_t count_of(std::int16_t n) { return std::max<std::int64_t>(n, 0); }

// The columns of one field; the part past the end of the source is missing, which reads as the
// blanks it stands for.
std::string_view field_columns(std::string_view source, std::int64_t column, std::int64_t width) {
  const auto size = static_cast<std::int64_t>(source.size());
  if (column >= size) return {};
  return {source.data() + column, static_cast<std::size_t>(std::min(width, size - column))};
}

FieldError convert(const FieldSpec& spec, std::string_view field, int /*scale*/,
                   std::int32_t& target) {
  // A real field has no integer reading: integer layouts hold integer fields only.
  assert(spec.kind == FieldKind::kInteger);
  if (spec.kind != FieldKind::kInteger) return FieldError::kInvalidCharacter;
  const FieldValue<std::int32_t> result = parse_integer(field);
  if (result.ok()) target = result.value;
  return result.error;
}

// An integer field in a real layout stores its value converted to the target type.
template <class Real>
FieldError convert_to_real(const FieldSpec& spec, std::string_view field, int scale, Real& target) {
  if (spec.kind == FieldKind::kInteger) {
    const FieldValue<std::int32_t> result = parse_integer(field);
    if (result.ok()) target = static_cast<Real>(result.value);
    return result.error;
  }
  // parse_real_float or parse_real_double, with one call less for the fast path.
  Real value{};
  if (internal::fast_real(field, spec.digits, scale, value)) {
    target = value;
    return FieldError::kNone;
  }
  FieldValue<Real> result;
  if constexpr (sizeof(Real) == sizeof(float)) {
    result = internal::exact_real_float(field, spec.digits, scale);
  } else {
    result = internal::exact_real_double(field, spec.digits, scale);
  }
  if (result.ok()) target = result.value;
  return result.error;
}

FieldError convert(const FieldSpec& spec, std::string_view field, int scale, float& target) {
  return convert_to_real(spec, field, scale, target);
}

FieldError convert(const FieldSpec& spec, std::string_view field, int scale, double& target) {
  return convert_to_real(spec, field, scale, target);
}

// The shape of nearly every input layout: one run of equal numeric fields, after a scale factor
// or not, over a source that holds all of their columns. Converts as the general loop below does,
// taking each field's columns straight; false for any other layout or a shorter source.
template <class T>
VEVADAR_INLINE bool read_run(std::string_view source, std::span<const FieldSpec> layout,
                             std::span<T> targets, ReadResult& result) {
  int scale = 0;
  if (layout.size() == 2 && layout[0].kind == FieldKind::kScale) {
    scale = layout[0].digits;
    layout = layout.subspan(1);
  }
  if (layout.size() != 1) return false;
  const FieldSpec& spec = layout[0];
  if (spec.kind != FieldKind::kInteger && spec.kind != FieldKind::kReal) return false;
  const auto width = static_cast<std::size_t>(count_of(spec.width));
  const std::size_t count =
      std::min(static_cast<std::size_t>(count_of(spec.repeat)), targets.size());
  if (width * count > source.size()) return false;
  const char* columns = source.data();
  for (std::size_t i = 0; i < count; ++i, columns += width) {
    if constexpr (std::is_same_v<T, std::int32_t>) {
      if (spec.kind == FieldKind::kInteger && width == 10) {
        // Labels, eight to a line: the 10-column shape in a straight loop, without a call.
        while (i < count && internal::ten_columns_unsigned(columns, targets[i])) {
          ++i;
          columns += width;
        }
        result.converted = static_cast<int>(i);
        if (i == count) break;
      }
    } else {
      if (spec.kind == FieldKind::kReal) {
        // The fields of the common shapes in one call; the field it leaves takes convert().
        const std::size_t taken =
            internal::fast_real_run(columns, width, count - i, spec.digits, scale, &targets[i]);
        i += taken;
        columns += taken * width;
        result.converted = static_cast<int>(i);
        if (i == count) break;
      }
    }
    const FieldError error = convert(spec, {columns, width}, scale, targets[i]);
    if (error != FieldError::kNone) {
      result.error = error;
      return true;
    }
    result.converted = static_cast<int>(i + 1);
  }
  return true;
}

template <class T>
ReadResult read_layout(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<T> targets) {
  ReadResult result;
  if (read_run(source, layout, targets, result)) return result;
  std::int64_t column = 0;  // 0-based, from the first column of `source`
  int scale = 0;            // k holds from its kScale entry to the end of this layout only
  std::size_t next = 0;
  for (const FieldSpec& spec : layout) {
    const std::int64_t width = count_of(spec.width);
    switch (spec.kind) {
      case FieldKind::kInteger:
      case FieldKind::kReal:
        for (std::int64_t i = 0; i < count_of(spec.repeat); ++i) {
          if (next == targets.size()) return result;
          const FieldError error =
              convert(spec, field_columns(source, column, width), scale, targets[next]);
          if (error != FieldError::kNone) {
            result.error = error;
            return result;
          }
          column += width;
          result.converted = static_cast<int>(++next);
        }
        break;
      case FieldKind::kScale:
        scale = spec.digits;
        break;
      case FieldKind::kText:
      case FieldKind::kSkip:
      case FieldKind::kLiteral:
        column += width * count_of(spec.repeat);
        break;
      case FieldKind::kLineBreak:
        break;
    }
  }
  return result;
}

// The output cursor over one 80-column line. Columns passed over by a skip are blank already;
// only a character that would land past column 80 makes the line too long.
class LineWriter {
 public:
  explicit LineWriter(std::span<char, kLineWidth> line) : line_(line) {
    std::fill(line_.begin(), line_.end(), ' ');
  }

  void skip(std::int64_t columns) { column_ += columns; }

  // False when the text did not fit; what fits is written.
  bool put(std::string_view text) {
    const std::int64_t fits = std::min(room(), static_cast<std::int64_t>(text.size()));
    if (fits > 0) std::copy_n(text.begin(), fits, line_.begin() + column_);
    column_ += static_cast<std::int64_t>(text.size());
    return fits == static_cast<std::int64_t>(text.size());
  }

  bool put_integer(std::int64_t width, std::int32_t value, int min_digits) {
    const std::int64_t fits = std::min(room(), width);
    internal::write_integer_columns(
        line_.subspan(static_cast<std::size_t>(std::min<std::int64_t>(column_, kLineWidth)),
                      static_cast<std::size_t>(fits)),
        width, value, min_digits);
    column_ += width;
    return fits == width;
  }

 private:
  [[nodiscard]] std::int64_t room() const {
    return std::max<std::int64_t>(kLineWidth - column_, 0);
  }

  std::span<char, kLineWidth> line_;
  std::int64_t column_ = 0;  // 0-based
};

}  // namespace

ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<std::int32_t> targets) {
  return read_layout(source, layout, targets);
}

ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<float> targets) {
  return read_layout(source, layout, targets);
}

ReadResult read_fields(std::string_view source, std::span<const FieldSpec> layout,
                       std::span<double> targets) {
  return read_layout(source, layout, targets);
}

FieldError write_line(std::span<char, kLineWidth> line, std::span<const FieldSpec> layout,
                      std::span<const OutputValue> values) {
  LineWriter writer(line);
  std::size_t next = 0;
  for (const FieldSpec& spec : layout) {
    switch (spec.kind) {
      case FieldKind::kText:
        if (next == values.size()) return FieldError::kMissingValue;
        if (!writer.put(values[next++].text)) return FieldError::kLineTooLong;
        break;
      case FieldKind::kLiteral:
        if (!writer.put(spec.literal)) return FieldError::kLineTooLong;
        break;
      case FieldKind::kInteger:
        for (std::int64_t i = 0; i < count_of(spec.repeat); ++i) {
          if (next == values.size()) return FieldError::kMissingValue;
          if (!writer.put_integer(count_of(spec.width), values[next++].number, spec.digits)) {
            return FieldError::kLineTooLong;
          }
        }
        break;
      case FieldKind::kSkip:
        writer.skip(count_of(spec.width) * count_of(spec.repeat));
        break;
      case FieldKind::kLineBreak:
        // One 80-column line has no room for a second line.
        return FieldError::kLineTooLong;
      case FieldKind::kScale:
        break;
      case FieldKind::kReal:
        // Real fields have no output form; an output layout never holds one.
        assert(false && "real field in an output layout");
        writer.skip(count_of(spec.width) * count_of(spec.repeat));
        break;
    }
  }
  return FieldError::kNone;
}

std::size_t trimmed_length(std::string_view line) {
  const std::size_t last = line.find_last_not_of(' ');
  return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace vevadar::textfields
