// Rigid elements (descriptor 122): one two-node spoke per node after the first, each joining the
// first node to that node, all in the rigid element's part.
//
// The node lines are converted as each is read; every label is in the buffer before the first
// spoke is made. Spokes are made one by one: a spoke is counted (generated counter, element row)
// only when both its lookups succeed, so a failing spoke leaves no row, the spokes before it stay,
// and a rigid element without any completed spoke gives its own row back.
#include "translator/readers.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vevadar::translator {
namespace {

using NodeBuffer = std::array<std::int32_t, kMaxRigidNodes>;

// Reads the node lines of `count` labels (at most kMaxRigidNodes) into `labels`. A rigid element
// of 8 nodes or fewer has one node line, even with a count of 0 or below (nothing is taken from
// it then).
std::optional<ReaderOutcome> read_node_lines(RunState& state, std::int32_t count,
                                             NodeBuffer& labels) {
  ReaderOutcome failed;
  if (read_label_lines(state, std::span(labels).first(static_cast<std::size_t>(std::max(count, 0))),
                       failed)) {
    return std::nullopt;
  }
  return failed;
}

}  // namespace

ReaderOutcome expand_rigid_element(RunState& state, std::int32_t row) {
  modelfile::Model& model = state.model;
  const modelfile::Element rigid = model.elements[static_cast<std::size_t>(row - 1)];
  const std::int32_t count = rigid.node_count;

  // Nothing of a rigid element that does not fit the node buffer is read.
  if (count > kMaxRigidNodes) {
    give_back_element_row(state);
    return capacity_exceeded(Capacity::kRigidNodes);
  }
  NodeBuffer labels{};
  if (auto failed = read_node_lines(state, count, labels)) {
    give_back_element_row(state);
    return *failed;
  }

  std::int32_t made = 0;
  for (std::int32_t i = 2; i <= count; ++i) {
    // The first spoke reuses the rigid element's row; each further spoke takes a new one.
    std::int32_t spoke_row = row;
    if (made > 0) {
      const auto taken = take_element_row(state);
      if (!taken) return capacity_exceeded(Capacity::kElements);
      spoke_row = *taken;
    }
    const std::int32_t first_label = labels[0];
    const std::int32_t other_label = labels[static_cast<std::size_t>(i - 1)];
    const auto first = lookup_node(state, first_label);
    const auto other = first ? lookup_node(state, other_label) : std::nullopt;
    if (!first || !other) {
      // A further spoke's row goes back; so does the rigid element's row when no spoke was made.
      give_back_element_row(state);
      return missing_node(first ? other_label : first_label);
    }

    modelfile::Element& spoke = model.elements[static_cast<std::size_t>(spoke_row - 1)];
    spoke = modelfile::Element{};
    spoke.label = wrapping_add(kFirstSpokeLabel, state.counters.generated_rigid_count);
    spoke.part = rigid.part;
    spoke.nodes[0] = *first;
    spoke.nodes[1] = *other;
    spoke.node_count = 2;
    spoke.type = rigid.type;
    state.counters.generated_rigid_count = wrapping_add(state.counters.generated_rigid_count, 1);
    ++made;
  }

  // Fewer than two nodes make no spoke: the row goes as a dropped element's does.
  if (made == 0) give_back_element_row(state);
  return dataset_end();
}

}  // namespace vevadar::translator
