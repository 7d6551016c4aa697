// Dataset 754: rigid elements of one independent node and a list of dependent nodes. A dataset of
// record kind 1 becomes one new part "RBE2"; each record becomes one element per group of six
// dependent nodes, labelled on from the largest element label read so far. Other record kinds
// are left unread.
//
// An element is counted and labelled before its lookups; one whose lookup fails is given back
// (count and largest label restored), so no half-made element reaches the model. Elements made
// before it stay.
#include "translator/readers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vevadar::translator {
namespace {

using textfields::integer_field;
using textfields::skip;

// Part id offset (columns 1-10), record kind (11-20).
constexpr std::array kHeader = {integer_field(10, 2)};
// Independent node label (1-10), columns 11-20 unread, dependent node count (21-30),
// flags 1-6 (31-42).
constexpr std::array kRecordHeader = {integer_field(10), skip(10), integer_field(10),
                                      integer_field(2, 6)};
// Dependent nodes per element: slots 2 to 7.
constexpr std::int32_t kGroupSize = 6;
constexpr std::int32_t kRigidKind = 1;
constexpr std::int32_t kRigidElementType = 2;
constexpr std::size_t kCodeSlot = 7;  // node slot 8 holds the degree-of-freedom code
constexpr std::array<char, modelfile::kPartNameWidth> kPartName = {'R', 'B', 'E', '2',
                                                                   ' ', ' ', ' ', ' '};

struct RigidRecord {
  std::int32_t independent;
  std::int32_t code;
  std::span<const std::int32_t> dependents;
};

// Reads the dependent node list, eight labels to a line. A label that does not convert is a read
// failure of its line.
std::optional<ReaderOutcome> read_dependents(RunState& state, std::span<std::int32_t> labels) {
  ReaderOutcome failed;
  if (read_label_lines(state, labels, failed)) return std::nullopt;
  if (failed.route == Route::kFieldConversion) return read_failure();
  return failed;
}

// Makes one element of the independent node and one group of dependents. Capacity is tested
// before anything changes; a failing lookup gives the element back.
std::optional<ReaderOutcome> make_element(RunState& state, std::int32_t part,
                                          const RigidRecord& record,
                                          std::span<const std::int32_t> group) {
  const auto row = take_element_row(state);
  if (!row) return capacity_exceeded(Capacity::kElements);
  RunCounters& counters = state.counters;
  const std::int32_t previous_label = counters.largest_element_label;
  counters.largest_element_label = wrapping_add(previous_label, 1);
  modelfile::Element& element = state.model.elements[static_cast<std::size_t>(*row - 1)];

  const auto give_back = [&](std::int32_t label) {
    give_back_element_row(state);
    counters.largest_element_label = previous_label;
    return missing_node(label);
  };
  for (std::size_t j = 0; j < group.size(); ++j) {
    const auto node = lookup_node(state, group[j]);
    if (!node) return give_back(group[j]);
    element.nodes[j + 1] = *node;
  }
  element.label = counters.largest_element_label;
  element.part = part;
  const auto independent = lookup_node(state, record.independent);
  if (!independent) return give_back(record.independent);
  element.nodes[0] = *independent;
  element.nodes[kCodeSlot] = record.code;
  element.type = kRigidElementType;
  element.node_count = 1 + static_cast<std::int32_t>(group.size());
  return std::nullopt;
}

}  // namespace

ReaderOutcome read_rigid_part_dataset(RunState& state, const Dataset& /*dataset*/) {
  textfields::LineReader& lines = state.lines;

  if (const auto failed = need_line(state)) return *failed;
  if (lines.is_delimiter()) return dataset_end();
  std::array<std::int32_t, 2> header{};
  if (!read_columns(state, 1, 20, kHeader, header).ok()) return conversion_failure();
  if (header[1] != kRigidKind) return leave_dataset();

  // Part ids are compared without their sign when elements look their part up, so a negative id
  // would capture other parts' elements: it counts as a bad offset field.
  const std::int32_t part_id = wrapping_add(state.counters.largest_part_id, header[0]);
  if (part_id < 0) return conversion_failure();
  // The largest part id is not advanced: a second dataset with the same offset makes a second
  // part with the same id.
  const auto appended = append_part(state, {part_id, kPartName});
  if (!appended) return capacity_exceeded(Capacity::kParts);
  const std::int32_t part = *appended;

  // The header's second line is not tested for the delimiter.
  if (const auto failed = need_line(state)) return *failed;

  std::array<std::int32_t, kMaxDependentNodes> labels{};
  for (;;) {
    if (const auto failed = need_line(state)) return *failed;
    if (lines.is_delimiter()) return dataset_end();

    std::array<std::int32_t, 8> fields{};
    if (!read_columns(state, 1, 42, kRecordHeader, fields).ok()) return conversion_failure();
    const std::int32_t count = fields[1];
    if (count > kMaxDependentNodes) return capacity_exceeded(Capacity::kRigidNodes);
    const auto dependents =
        std::span<std::int32_t>(labels).first(static_cast<std::size_t>(std::max(count, 0)));
    if (const auto failed = read_dependents(state, dependents)) return *failed;

    const RigidRecord record{
        fields[0], restraint_code(std::span<const std::int32_t, 8>(fields).last<6>()), dependents};
    for (std::size_t first = 0; first < dependents.size(); first += kGroupSize) {
      const auto group = record.dependents.subspan(
          first, std::min<std::size_t>(kGroupSize, dependents.size() - first));
      if (const auto failed = make_element(state, part, record, group)) return *failed;
    }
  }
}

}  // namespace vevadar::translator
