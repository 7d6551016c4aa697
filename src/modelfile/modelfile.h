// modelfile: the model tables and the writer of the model file "velm.bin".
//
// What this area offers:
//   - Model: the fixed-capacity model tables the dataset readers fill (nodes, parts, elements,
//     restraint sets, load sets) with their counts; rows are 1-based in the format and stored
//     from index 0 here, so row n lives at [n - 1];
//   - write_model: the record sequence of the model file, records 1 to 16, from a Model.
//
// The writer maps tables to records and does no byte arithmetic of its own: framing belongs to
// recordfiles::SequentialRecordFile.
#pragma once

#include <array>
#include <cstdint>

#include "recordfiles/recordfiles.h"

namespace vevadar::modelfile {

inline constexpr std::int32_t kMaxNodes = 125'000;
inline constexpr std::int32_t kMaxElements = 125'000;
inline constexpr std::int32_t kMaxParts = 1'000;
inline constexpr std::int32_t kMaxSets = 10;  // restraint sets, load sets, set numbering lists
inline constexpr std::int32_t kMaxSetIds = 1'000;
inline constexpr std::int32_t kNodeSlots = 8;
inline constexpr int kPartNameWidth = 8;
inline constexpr char kVersionTag[] = "VERSION 26";  // record 1, exactly 10 characters

struct Node {
  std::int32_t label;
  float x, y, z;
};

struct Part {
  std::int32_t id;
  std::array<char, kPartNameWidth> name;  // blank-padded, no terminator
};

struct Element {
  std::int32_t label;                          // 0: the slot holds no element and is not written
  std::int32_t part;                           // part index, 1-based
  std::array<std::int32_t, kNodeSlots> nodes;  // node indices; 0 beyond the node count
  std::int32_t node_count;
  std::int32_t type;  // element type code
};

struct Force {
  float force[3];
  float moment[3];
};

// The model tables. Large (about 40 MB): one instance lives for the life of the library; tests
// allocate theirs on the heap. Tables are only meaningful up to their counts.
struct Model {
  std::int32_t node_count;
  std::int32_t element_count;
  std::int32_t part_count;
  std::int32_t restraint_set_count;
  std::int32_t load_set_count;

  std::array<Node, kMaxNodes> nodes;
  std::array<Part, kMaxParts> parts;
  std::array<Element, kMaxElements> elements;

  std::array<std::int32_t, kMaxSetIds> restraint_set_ids;
  // restraint[set index - 1][node index - 1]: the restraint code, 0 for none.
  std::array<std::array<std::int32_t, kMaxNodes>, kMaxSets> restraint;

  std::array<std::int32_t, kMaxSetIds> load_set_ids;
  std::array<std::int32_t, kMaxSets> load_set_dataset_count;
  std::array<std::int32_t, kMaxSets> load_set_second_count;  // no reader fills it; written as is
  // loads[set index - 1][node index - 1]
  std::array<std::array<Force, kMaxNodes>, kMaxSets> loads;
};

// Writes records 1 to 16 in their order. The file must be open; the caller closes it.
void write_model(const Model& model, recordfiles::SequentialRecordFile& file);

}  // namespace vevadar::modelfile
