// Node datasets 15, 781 and 2411: one node table row and one node index file record per node.
//
// A node is read whole into locals (label, coordinate system fields, coordinates, and for 781 and
// 2411 the second line) before anything is stored, so a node whose reading fails leaves no trace:
// no row, and the node index file record of its label keeps its earlier value.
#include "translator/readers.h"

#include <array>
#include <cstdint>

#include "translator/messages.h"

namespace vevadar::translator {
namespace {

using textfields::FieldSpec;
using textfields::integer_field;
using textfields::real_field;

// Columns 1-30: the label, then the coordinate system numbers, checked but not kept.
constexpr FieldSpec kLabelAndSystems[] = {integer_field(10, 3)};
// Dataset 15: x, y, z in columns 41-79.
constexpr FieldSpec kSingleCoordinates[] = {real_field(13, 5, 3)};

}  // namespace

ReaderOutcome read_node_dataset(RunState& state, const Dataset& dataset) {
  const bool two_lines = dataset.node.two_lines;
  modelfile::Model& model = state.model;

  for (;;) {
    if (auto ended = need_line(state)) return *ended;
    if (state.lines.is_delimiter()) return dataset_end();
    if (model.node_count >= kMaxNodes) return capacity_exceeded(Capacity::kNodes);

    // The three fields at once where each has the labels' shape, else through the layout.
    std::array<std::int32_t, 3> fields{};
    if (!state.lines.label_fields(fields) &&
        !read_columns(state, 1, 30, kLabelAndSystems, fields).ok()) {
      return conversion_failure();
    }
    // A label outside 1..kMaxNodeLabel cannot be a node index file record number.
    const std::int32_t label = fields[0];
    if (label < 1 || label > kMaxNodeLabel) return conversion_failure();

    std::array<float, 3> xyz{};
    if (two_lines) {
      // The second line belongs to the node: it is not tested for a delimiter.
      if (auto ended = need_line(state)) return *ended;
      // Datasets 781 and 2411: x, y, z in columns 1-75 of the second line.
      if (!read_rounded_doubles(state, xyz)) return conversion_failure();
    } else if (!read_columns(state, 41, 39, kSingleCoordinates, xyz).ok()) {
      return conversion_failure();
    }

    const std::int32_t n = model.node_count + 1;
    model.nodes[static_cast<std::size_t>(n - 1)] = {label, xyz[0], xyz[1], xyz[2]};
    model.node_count = n;
    // A repeated label is overwritten: later lookups find the later row, both rows stay.
    (void)state.node_index.write(label, n);
    if (n % kProgressEvery == 0) state.messages.send(Message::kNodesProcessed, n);
  }
}

}  // namespace vevadar::translator
