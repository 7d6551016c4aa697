// Element datasets 71, 780 and 2412: the part table, the element table through the descriptor
// map, the element type warnings, and the hand-over of rigid elements to their expansion.
//
// Per header the part is registered first and the largest element label follows the label; both
// stay whatever happens to the element afterwards. The element itself is read whole into locals
// (header fields, node lines, node lookups) and only then takes its row, so an element whose
// reading fails leaves no row behind. A rigid element takes its row before its node lines: the
// expansion reuses it for its first spoke and gives it back when no spoke is made.
#include "translator/readers.h"

#include <array>
#include <cstdint>

#include "translator/messages.h"
#include "translator/translator.h"

namespace vevadar::translator {
namespace {

// What follows an element header.
enum class Form : std::uint8_t {
  kBeam,          // a beam line (ignored), then up to 2 labels in columns 1-20
  kConnectivity,  // up to 8 labels in columns 1-80
  kRigid,         // node lines of the rigid element expansion
  kDroppedBeam,   // not in the map, but a beam line precedes the node lines to skip
  kDropped,       // not in the map: only node lines to skip
};

struct DescriptorFacts {
  std::int32_t descriptor;
  std::int32_t type;  // element type code of the model; 0 where no row is made from the header
  Form form;
};

// The descriptor map, plus the format's beam descriptors that the model cannot hold but whose
// beam line the skip must know. 92 and 95 are shells with mid-side nodes, kept as thin shells.
constexpr std::array<DescriptorFacts, 23> kDescriptors = {{
    {11, 12, Form::kBeam},          {21, 1, Form::kBeam},           {22, 11, Form::kBeam},
    {23, 0, Form::kDroppedBeam},    {24, 0, Form::kDroppedBeam},    {31, 0, Form::kDroppedBeam},
    {32, 0, Form::kDroppedBeam},    {91, 4, Form::kConnectivity},   {92, 4, Form::kConnectivity},
    {94, 4, Form::kConnectivity},   {95, 4, Form::kConnectivity},   {111, 5, Form::kConnectivity},
    {112, 5, Form::kConnectivity},  {115, 5, Form::kConnectivity},  {122, 2, Form::kRigid},
    {136, 6, Form::kConnectivity},  {137, 6, Form::kConnectivity},  {138, 6, Form::kConnectivity},
    {139, 6, Form::kConnectivity},  {142, 6, Form::kConnectivity},  {161, 9, Form::kConnectivity},
    {191, 22, Form::kConnectivity}, {192, 23, Form::kConnectivity},
}};

// Every element header looks its descriptor up: the map's position of each descriptor up to the
// largest, 0 for one the map does not hold.
constexpr std::int32_t kLargestDescriptor = 192;
constexpr auto kPositions = [] {
  std::array<std::uint8_t, kLargestDescriptor + 1> positions{};
  for (std::size_t i = 0; i < kDescriptors.size(); ++i) {
    positions[static_cast<std::size_t>(kDescriptors[i].descriptor)] =
        static_cast<std::uint8_t>(i + 1);
  }
  return positions;
}();

constexpr DescriptorFacts facts_of(std::int32_t descriptor) {
  if (descriptor >= 0 && descriptor <= kLargestDescriptor) {
    const std::uint8_t position = kPositions[static_cast<std::size_t>(descriptor)];
    if (position != 0) return kDescriptors[position - 1U];
  }
  return {descriptor, 0, Form::kDropped};
}
static_assert(facts_of(115).type == 5 && facts_of(192).type == 23 && facts_of(0).type == 0 &&
              facts_of(-115).form == Form::kDropped && facts_of(193).form == Form::kDropped);

constexpr int kBeamLabels = 2;

// "P" and the last seven decimal digits of a non-negative id, from the last digit backwards.
std::array<char, modelfile::kPartNameWidth> part_name(std::int32_t id) {
  std::array<char, modelfile::kPartNameWidth> name{};
  name[0] = 'P';
  for (std::size_t i = name.size() - 1; i >= 1; --i) {
    name[i] = static_cast<char>('0' + id % 10);
    id /= 10;
  }
  return name;
}

// The first part whose id, without its sign, equals `key`; -1 when there is none.
std::int32_t part_search(const modelfile::Model& model, std::int32_t key) {
  for (std::int32_t k = 1; k <= model.part_count; ++k) {
    const std::int32_t id = model.parts[static_cast<std::size_t>(k - 1)].id;
    if (key >= 0 && textfields::magnitude(id) == static_cast<std::uint32_t>(key)) return k;
  }
  return -1;
}

// Appends a part for `property` unless one has exactly this id.
std::optional<ReaderOutcome> register_part(RunState& state, std::int32_t property) {
  modelfile::Model& model = state.model;
  for (std::int32_t k = 0; k < model.part_count; ++k) {
    if (model.parts[static_cast<std::size_t>(k)].id == property) return std::nullopt;
  }
  if (!append_part(state, {property, part_name(property)})) {
    return capacity_exceeded(Capacity::kParts);
  }
  if (property > state.counters.largest_part_id) state.counters.largest_part_id = property;
  return std::nullopt;
}

// Passes over the lines of an element the model cannot hold: its beam line where the format gives
// it one, then c / 8 node lines and one more for a remainder. None of them is a delimiter.
std::optional<ReaderOutcome> skip_dropped_element(RunState& state, const DescriptorFacts& facts,
                                                  std::int32_t node_count) {
  std::int32_t lines = node_count > 0 ? node_count / 8 + (node_count % 8 != 0 ? 1 : 0) : 0;
  if (facts.form == Form::kDroppedBeam) ++lines;
  for (std::int32_t i = 0; i < lines; ++i) {
    if (auto ended = need_line(state)) return ended;
  }
  return std::nullopt;
}

// An element header's 10-column fields: its property, label, descriptor and node count, and
// columns 61-70, which only have to be an integer. Plain values with a mask of those that
// converted, not optionals: this runs for every element, and optionals read back whole from the
// stack stall the loads that follow.
struct HeaderFields {
  enum : std::uint8_t { kProperty = 0, kLabel, kDescriptor, kNodeCount, kColumn61, kCount };
  std::array<std::int32_t, kCount> value{};
  unsigned converted = 0;  // bit i: value[i] converted
  [[nodiscard]] bool has(int i) const { return ((converted >> i) & 1U) != 0; }
};

// The first columns of the header fields, in HeaderFields order.
std::array<int, HeaderFields::kCount> header_columns(const ElementHeaderColumns& layout) {
  return {layout.property, layout.label, layout.descriptor, layout.node_count, 61};
}

// The header fields converted one by one, for a line whose fields do not all have the labels'
// shape.
[[gnu::noinline]] HeaderFields convert_header_fields(const RunState& state,
                                                     const ElementHeaderColumns& layout) {
  HeaderFields header;
  const auto columns = header_columns(layout);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (const auto value = read_integer(state, columns[i], 10)) {
      header.value[i] = *value;
      header.converted |= 1U << i;
    }
  }
  return header;
}

struct Header {
  std::int32_t label;
  std::int32_t descriptor;
  std::int32_t part;
  std::int32_t node_count;
};

// Reads the node lines of a mapped element and resolves its labels into `nodes`. False with the
// route in `failed` when the element cannot be read (an out-parameter, as for read_label_lines).
bool read_element_nodes(RunState& state, const DescriptorFacts& facts, std::int32_t node_count,
                        std::array<std::int32_t, modelfile::kNodeSlots>& nodes,
                        ReaderOutcome& failed) {
  int room = static_cast<int>(nodes.size());
  if (facts.form == Form::kBeam) {
    // The beam line's orientation and cross-section data are not part of the model.
    if (auto ended = need_line(state)) {
      failed = *ended;
      return false;
    }
    room = kBeamLabels;
  }
  if (node_count > room) {
    // More labels than the line's layout holds cannot convert: the line's own counter is
    // reported.
    const auto ended = need_line(state);
    failed = ended ? *ended : conversion_failure();
    return false;
  }
  const int count = node_count > 0 ? node_count : 0;

  std::array<std::int32_t, modelfile::kNodeSlots> labels{};
  const auto targets = std::span(labels).first(static_cast<std::size_t>(count));
  if (!read_label_lines(state, targets, failed)) return false;
  // A label names a node when its node index file record holds a row of the node table. Records
  // of cached blocks are read here, in the loop; every other label takes lookup_node.
  const recordfiles::FixedRecordFile& index_file = state.node_index;
  const std::int32_t rows = state.model.node_count;
  for (std::size_t j = 0; j < targets.size(); ++j) {
    const std::int32_t label = labels[j];
    std::int32_t row = 0;
    if (index_file.read_cached(label, row)) {
      if (row >= 1 && row <= rows) {
        nodes[j] = row;
        continue;
      }
    } else if (const auto index = lookup_node(state, label)) {
      nodes[j] = *index;
      continue;
    }
    failed = missing_node(label);
    return false;
  }
  return true;
}

}  // namespace

ReaderOutcome read_element_dataset(RunState& state, const Dataset& dataset) {
  const ElementHeaderColumns& layout = dataset.element;
  modelfile::Model& model = state.model;

  // Where every header field is one of the line's eight 10-column fields, a line of labels'
  // shape gives them all at once; the values are those of converting each field alone.
  const auto columns = header_columns(layout);
  std::array<std::size_t, HeaderFields::kCount> slots{};
  bool aligned = true;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    aligned = aligned && columns[i] >= 1 && columns[i] <= 71 && (columns[i] - 1) % 10 == 0;
    slots[i] = aligned ? static_cast<std::size_t>(columns[i] - 1) / 10 : 0;
  }

  for (;;) {
    if (auto ended = need_line(state)) return *ended;
    if (state.lines.is_delimiter()) return dataset_end();
    if (model.element_count >= kMaxElements) return capacity_exceeded(Capacity::kElements);

    HeaderFields fields;
    std::array<std::int32_t, textfields::kLineWidth / 10> line_fields{};
    if (aligned && state.lines.label_fields(line_fields)) {
      for (std::size_t i = 0; i < slots.size(); ++i) fields.value[i] = line_fields[slots[i]];
      fields.converted = (1U << HeaderFields::kCount) - 1;
    } else {
      fields = convert_header_fields(state, layout);
    }

    // Part registration comes first and holds for every header, dropped elements included.
    // A negative property number would name no part that the part search can find again.
    const std::int32_t property = fields.value[HeaderFields::kProperty];
    if (!fields.has(HeaderFields::kProperty) || property < 0) return conversion_failure();
    if (auto refused = register_part(state, property)) return *refused;

    if (!fields.has(HeaderFields::kLabel) || !fields.has(HeaderFields::kDescriptor) ||
        !fields.has(HeaderFields::kNodeCount)) {
      return conversion_failure();
    }
    const Header header{fields.value[HeaderFields::kLabel], fields.value[HeaderFields::kDescriptor],
                        part_search(model, property), fields.value[HeaderFields::kNodeCount]};
    if (header.label > state.counters.largest_element_label) {
      state.counters.largest_element_label = header.label;
    }

    const DescriptorFacts facts = facts_of(header.descriptor);
    const bool dropped = facts.form == Form::kDropped || facts.form == Form::kDroppedBeam;
    if (state.observer != nullptr) state.observer->element_header(header.descriptor, !dropped);
    if (dropped) {
      state.messages.send(Message::kElementTypeWarning, header.descriptor);
      if (auto ended = skip_dropped_element(state, facts, header.node_count)) return *ended;
      continue;
    }

    if (facts.form == Form::kRigid) {
      const auto row = take_element_row(state);
      if (!row) return capacity_exceeded(Capacity::kElements);
      modelfile::Element& element = model.elements[static_cast<std::size_t>(*row - 1)];
      element.label = header.label;
      element.part = header.part;
      element.node_count = header.node_count;
      element.type = facts.type;  // the type code of every spoke
      const ReaderOutcome expanded = expand_rigid_element(state, *row);
      if (expanded.route != Route::kDatasetEnd) return expanded;
      continue;
    }

    // Columns 61-70 (the colour in 780, the node count in 71) only have to be an integer.
    if (!fields.has(HeaderFields::kColumn61)) return conversion_failure();
    std::array<std::int32_t, modelfile::kNodeSlots> nodes{};
    ReaderOutcome failed;
    if (!read_element_nodes(state, facts, header.node_count, nodes, failed)) return failed;

    const auto row =
        append_element(state, {header.label, header.part, nodes, header.node_count, facts.type});
    if (!row) return capacity_exceeded(Capacity::kElements);
    if (*row % kProgressEvery == 0) state.messages.send(Message::kElementsProcessed, *row);
  }
}

}  // namespace vevadar::translator
