// Arbitrary bytes as a universal file: every line through the line reader, every 10, 13 and
// 25-column field of it through the integer and real conversions and the layouts in use.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "textfields/textfields.h"

namespace {

using namespace vevadar::textfields;

void require(bool condition) {
  if (!condition) std::abort();
}

// The input in reads of a size taken from its first byte, so that line ends and cut points meet
// read boundaries.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::uint8_t* data, std::size_t size, std::size_t piece)
      : data_(data), size_(size), piece_(piece) {}
  Chunk read(char* buffer, std::size_t capacity) override {
    const std::size_t count = std::min({capacity, piece_, size_ - offset_});
    std::copy_n(data_ + offset_, count, buffer);
    offset_ += count;
    return {count, false};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t piece_;
  std::size_t offset_ = 0;
};

void check_field(std::string_view field) {
  const FieldValue<std::int32_t> integer = parse_integer(field);
  if (integer.ok()) {
    // Written back as an output field, the value reads the same.
    char text[11];
    format_integer(text, integer.value, 1);
    const FieldValue<std::int32_t> again = parse_integer({text, sizeof text});
    require(again.ok() && again.value == integer.value);
  }
  const FieldValue<float> single = parse_real_float(field, 5, 0);
  require(!single.ok() || std::isfinite(single.value));
  const FieldValue<double> wide = parse_real_double(field, 5, 0);
  require(!wide.ok() || std::isfinite(wide.value));
  // The forms are the same for both precisions, and double holds every float.
  require(single.ok() == wide.ok() || single.error == FieldError::kRealOverflow);
  if (single.ok()) require(std::signbit(single.value) == std::signbit(wide.value));
  const FieldValue<double> scaled = parse_real_double(field, 16, 1);
  require(!scaled.ok() || std::isfinite(scaled.value));
}

void check_layouts(std::string_view line) {
  static constexpr FieldSpec kNodeList[] = {integer_field(10, 8)};
  static constexpr FieldSpec kRestraint[] = {integer_field(10), skip(10), integer_field(2, 6)};
  static constexpr FieldSpec kSingle[] = {real_field(13, 5, 6)};
  static constexpr FieldSpec kDouble[] = {scale_factor(1), real_field(25, 16, 3)};
  std::int32_t integers[8];
  float singles[6];
  double doubles[3];
  ReadResult result = read_fields(line, kNodeList, integers);
  require(result.ok() ? result.converted == 8 : result.converted < 8);
  result = read_fields(line.substr(0, 32), kRestraint, std::span(integers, 7));
  require(result.ok() ? result.converted == 7 : result.converted < 7);
  result = read_fields(line, kSingle, singles);
  for (int i = 0; i < result.converted; ++i) require(std::isfinite(singles[i]));
  result = read_fields(line, kDouble, doubles);
  for (int i = 0; i < result.converted; ++i) require(std::isfinite(doubles[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 97;
  MemorySource source(data, size, piece);
  const auto reader = std::make_unique<LineReader>(source);

  std::int32_t lines = 0;
  while (reader->next() == LineReader::Outcome::kLine) {
    require(reader->line_counter() == ++lines);
    const std::string_view line = reader->line();
    require(line.size() == kLineWidth);
    require(line.find('\n') == std::string_view::npos && line.find('\r') == std::string_view::npos);
    for (const int width : {10, 13, 25}) {
      for (int first = 1; first <= kLineWidth; first += width) {
        const std::string_view field = reader->columns(first, width);
        require(field.size() == static_cast<std::size_t>(std::min(width, kLineWidth + 1 - first)));
        check_field(field);
      }
    }
    check_layouts(line);
  }
  // A memory source never fails: the input ended, having given one line per line feed, plus a
  // last line without one.
  require(reader->next() == LineReader::Outcome::kEnd);
  const auto* bytes = reinterpret_cast<const char*>(data);
  const auto feeds = std::count(bytes, bytes + size, '\n');
  require(lines == feeds + (size > 0 && data[size - 1] != '\n' ? 1 : 0));
  return 0;
}
