// Nodal load datasets 782 and 790: a two-line header naming a load set and a record kind, then
// records of that kind. Kind-1 records carry a node's three forces and three moments, which
// replace what the node had in the set; records of kinds 2 to 17 are stepped over by their known
// lengths; any other kind is a one-line record.
//
// Values land in the table as they convert: a record that fails half way keeps what was stored
// before the failure (782 field by field, 790 line by line).
#include "translator/readers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace vevadar::translator {
namespace {

using textfields::integer_field;
using textfields::real_field;

// 782 second line: forces 1-3 then moments 1-3, columns 1-78.
constexpr std::array kSingleLoadLine = {real_field(13, 5, 6)};

constexpr std::int32_t kNodalLoad = 1;

// Record length in lines of the kinds that are stepped over, kinds 2 to 17 in order; the same
// in both datasets. Kind 1 is read, and every other kind is a record of one line.
constexpr std::int32_t kFirstSteppedKind = 2;
constexpr std::array<std::int32_t, 16> kRecordLines = {
    5,  5,  5,  // kinds 2, 3, 4
    19, 19,     // 5, 6
    3,          // 7
    11, 11,     // 8, 9
    7,  7,      // 10, 11
    3,  3,      // 12, 13
    7,          // 14
    3,          // 15
    7,          // 16
    9,          // 17
};

// Lines after a record's first line for a kind that is not read.
constexpr std::int32_t further_lines(std::int32_t kind) {
  constexpr auto kLastSteppedKind =
      kFirstSteppedKind + static_cast<std::int32_t>(kRecordLines.size()) - 1;
  if (kind < kFirstSteppedKind || kind > kLastSteppedKind) return 0;
  return kRecordLines[static_cast<std::size_t>(kind - kFirstSteppedKind)] - 1;
}

// The record helpers below return nullopt when the record is complete, else the route to take.

// 782: six single-precision fields converted straight to single. The fields before a bad one
// are stored before the failure is reported.
std::optional<ReaderOutcome> read_single_loads(RunState& state, modelfile::Force& load) {
  std::array<float, 6> values{};
  const auto result = read_columns(state, 1, 78, kSingleLoadLine, values);
  for (int i = 0; i < result.converted; ++i) {
    if (i < 3) {
      load.force[i] = values[static_cast<std::size_t>(i)];
    } else {
      load.moment[i - 3] = values[static_cast<std::size_t>(i)];
    }
  }
  if (!result.ok()) return conversion_failure();
  return std::nullopt;
}

// 790: the forces on the second line and the moments on the third, each line stored only when
// all three of its values converted. Lines 3 and 4 come after a store.
std::optional<ReaderOutcome> read_double_loads(RunState& state, modelfile::Force& load) {
  if (!read_rounded_doubles(state, load.force)) return conversion_failure();
  if (const auto failed = need_record_line(state)) return failed;
  if (!read_rounded_doubles(state, load.moment)) return conversion_failure();
  return need_record_line(state);
}

}  // namespace

ReaderOutcome read_load_dataset(RunState& state, const Dataset& dataset) {
  modelfile::Model& model = state.model;
  textfields::LineReader& lines = state.lines;

  SetHeader header;
  if (const auto stop = read_set_header(state, model.load_set_ids, model.load_set_count,
                                        Capacity::kLoadSets, header)) {
    return *stop;
  }
  const std::int32_t kind = header.kind;
  // The set and its dataset count grow whatever the records turn out to be.
  const auto set_row = static_cast<std::size_t>(header.set - 1);
  model.load_set_dataset_count[set_row] = wrapping_add(model.load_set_dataset_count[set_row], 1);
  auto& loads = model.loads[set_row];
  state.counters.load_columns = std::max(state.counters.load_columns, header.set);

  // The header's second line is not tested for the delimiter.
  if (const auto failed = need_line(state)) return *failed;

  for (;;) {
    if (const auto failed = need_line(state)) return *failed;
    if (lines.is_delimiter()) return dataset_end();

    if (kind != kNodalLoad) {
      for (std::int32_t i = further_lines(kind); i > 0; --i) {
        if (const auto failed = need_line(state)) return *failed;
      }
      continue;
    }

    const auto label = read_integer(state, 1, 10);
    if (!label) return conversion_failure();
    // The lookup comes before the second line: a record of a missing node reads no further.
    const auto node = lookup_node(state, *label);
    if (!node) return missing_node(*label);
    if (const auto failed = need_line(state)) return *failed;

    modelfile::Force& load = loads[static_cast<std::size_t>(*node - 1)];
    const auto failed = dataset.load.double_precision ? read_double_loads(state, load)
                                                      : read_single_loads(state, load);
    if (failed) return *failed;
  }
}

}  // namespace vevadar::translator
