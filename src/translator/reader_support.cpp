#include "translator/readers.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vevadar::translator {

ReaderOutcome missing_line_route(textfields::LineReader::Outcome outcome) {
  return outcome == textfields::LineReader::Outcome::kEnd ? premature_end() : read_failure();
}

std::optional<ReaderOutcome> need_record_line(RunState& state) {
  if (state.lines.next() != textfields::LineReader::Outcome::kLine) return read_failure();
  return std::nullopt;
}

textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<std::int32_t> targets) {
  return textfields::read_fields(state.lines.columns(first, count), layout, targets);
}

textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<float> targets) {
  return textfields::read_fields(state.lines.columns(first, count), layout, targets);
}

textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<double> targets) {
  return textfields::read_fields(state.lines.columns(first, count), layout, targets);
}

bool read_rounded_doubles(const RunState& state, std::span<float, 3> target) {
  static constexpr textfields::FieldSpec kLayout[] = {textfields::scale_factor(1),
                                                      textfields::real_field(25, 16, 3)};
  std::array<double, 3> values{};
  // The three D fields at once where each has the shape the node datasets print, else through
  // the layout: the values are the same.
  if (!state.lines.d_fields(values.data()) && !read_columns(state, 1, 75, kLayout, values).ok()) {
    return false;
  }
  const float x = static_cast<float>(values[0]);
  const float y = static_cast<float>(values[1]);
  const float z = static_cast<float>(values[2]);
  if (std::isinf(x) || std::isinf(y) || std::isinf(z)) return false;
  target[0] = x;
  target[1] = y;
  target[2] = z;
  return true;
}

bool read_label_lines(RunState& state, std::span<std::int32_t> labels, ReaderOutcome& failed) {
  static constexpr int kLabelsPerLine = 8;
  static constexpr textfields::FieldSpec kLabelLine[] = {
      textfields::integer_field(10, kLabelsPerLine)};
  const auto count = static_cast<int>(labels.size());
  const int line_count = count == 0 ? 1 : (count + kLabelsPerLine - 1) / kLabelsPerLine;
  for (int line = 0; line < line_count; ++line) {
    if (auto ended = need_line(state)) {
      failed = *ended;
      return false;
    }
    const int first = line * kLabelsPerLine;
    const int on_line = std::min(count - first, kLabelsPerLine);
    const auto targets =
        labels.subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(on_line));
    // The line's labels at once where every one has the labels' shape.
    if (state.lines.label_fields(targets)) continue;
    if (!read_columns(state, 1, textfields::kLineWidth, kLabelLine, targets).ok()) {
      failed = conversion_failure();
      return false;
    }
  }
  return true;
}

std::optional<std::int32_t> append_part(RunState& state, const modelfile::Part& part) {
  modelfile::Model& model = state.model;
  if (model.part_count >= kMaxParts) return std::nullopt;
  model.parts[static_cast<std::size_t>(model.part_count)] = part;
  ++model.part_count;
  return model.part_count;
}

void give_back_element_row(RunState& state) {
  modelfile::Model& model = state.model;
  if (model.element_count < 1) return;
  model.elements[model.element_count - 1] = modelfile::Element{};
  --model.element_count;
}

std::int32_t restraint_code(std::span<const std::int32_t, 6> flags) {
  std::uint32_t code = static_cast<std::uint32_t>(flags[0]);
  for (std::uint32_t j = 2; j <= 6; ++j) {
    const std::int32_t flag = flags[j - 1];
    if (flag > 0) code = code * 10U + static_cast<std::uint32_t>(flag) * j;
  }
  return static_cast<std::int32_t>(code);
}

std::optional<ReaderOutcome> read_set_header(RunState& state,
                                             std::span<std::int32_t, kMaxSetIds> ids,
                                             std::int32_t& count, Capacity full,
                                             SetHeader& header) {
  static constexpr textfields::FieldSpec kSetHeader[] = {textfields::integer_field(10, 2)};
  if (auto ended = need_line(state)) return ended;
  if (state.lines.is_delimiter()) return dataset_end();
  std::array<std::int32_t, 2> fields{};
  if (!read_columns(state, 1, 20, kSetHeader, fields).ok()) return conversion_failure();

  const auto used = ids.first(static_cast<std::size_t>(count));
  const auto found = std::find(used.begin(), used.end(), fields[0]);
  if (found != used.end()) {
    header = {static_cast<std::int32_t>(found - used.begin()) + 1, fields[1]};
    return std::nullopt;
  }
  if (count >= kMaxSets) return capacity_exceeded(full);
  ids[static_cast<std::size_t>(count)] = fields[0];
  ++count;
  header = {count, fields[1]};
  return std::nullopt;
}

}  // namespace vevadar::translator
