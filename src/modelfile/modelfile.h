// modelfile: the model tables and the writer of the model file "velm.bin".
//
// What this area offers:
//   - Model: the fixed-capacity model tables the dataset readers fill (nodes, parts, elements,
//     restraint sets, load sets) with their counts; rows are 1-based in the format and stored
//     from index 0 here, so row n lives at [n - 1];
//   - write_model: the record sequence of the model file, records 1 to 16, from a Model;
//   - read_model: the same sequence read back and checked completely (framing, every record's
//     size and the values the writer fixes), reported record by record to a ModelVisitor, with
//     one message naming the byte offset, the record and what was expected where it breaks;
//   - load_model: read_model into the tables of a Model, for tools that need the whole model.
//
// The writer maps tables to records and does no byte arithmetic of its own: framing belongs to
// recordfiles::SequentialRecordFile.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

// Where a record sits in the file: its number (from 1), the offset of its first length byte and
// its payload size.
struct RecordPlace {
  std::int64_t number;
  std::size_t offset;
  std::size_t size;
};

// An element record as stored: the three integers behind the node slots are always 0.
struct ElementRecord {
  std::int32_t label;
  std::int32_t type;
  std::int32_t part;
  std::int32_t node_count;
  std::array<std::int32_t, kNodeSlots> nodes;
};

// What read_model met, in file order; each call comes after its record passed every check. The
// spans are valid during the call only.
class ModelVisitor {
 public:
  virtual ~ModelVisitor() = default;
  virtual void header(const RecordPlace&, std::string_view /*text*/) {}
  virtual void counts(const RecordPlace&, std::int32_t /*parts*/, std::int32_t /*nodes*/) {}
  // Part names, then the part ids: `parts` has the names at the first call, both at the second.
  virtual void part_names(const RecordPlace&, std::span<const Part> /*parts*/) {}
  virtual void part_ids(const RecordPlace&, std::span<const Part> /*parts*/) {}
  virtual void node(const RecordPlace&, std::int32_t /*index*/, const Node&) {}
  virtual void element(const RecordPlace&, const ElementRecord&) {}
  virtual void element_end(const RecordPlace&) {}
  virtual void set_count(const RecordPlace&, std::int32_t /*sets*/) {}
  virtual void set_numbering(const RecordPlace&, std::span<const std::int32_t> /*values*/) {}
  virtual void restraint_header(const RecordPlace&, std::int32_t /*sets*/, std::int32_t /*nodes*/) {
  }
  virtual void restraint_marker(const RecordPlace&) {}
  virtual void restraint_column(const RecordPlace&, std::int32_t /*set*/,
                                std::span<const std::int32_t> /*codes*/) {}
  virtual void load_header(const RecordPlace&, std::int32_t /*sets*/) {}
  virtual void load_set_ids(const RecordPlace&, std::span<const std::int32_t> /*ids*/) {}
  virtual void load_set(const RecordPlace&, std::int32_t /*set*/, std::int32_t /*datasets*/,
                        std::int32_t /*second_count*/) {}
  virtual void node_load(const RecordPlace&, std::int32_t /*set*/, std::int32_t /*node*/,
                         const Force&) {}
  // The end marker at `offset`, after `records` records.
  virtual void end(std::size_t /*offset*/, std::int64_t /*records*/) {}
};

struct [[nodiscard]] ModelReadResult {
  bool ok = false;
  std::string problem;  // "offset 1145, record 38: end marker 0x82 expected, file ends"
};

// Reads the bytes of a model file as the writer produces them. Beyond the framing it checks every
// record's size against the counts, the header text, the capacities, the values the writer fixes
// (zeros, the restraint marker, the set numbering, the node count repeated in the restraint
// header), element part indices and node indices, and node load records (node index in range, in
// increasing order, not all zero). The visitor hears of every record up to the first problem.
ModelReadResult read_model(std::string_view bytes, ModelVisitor& visitor);

// read_model into `model` (counts, parts, nodes, elements, restraint columns, load set ids,
// dataset counts and loads); the element count is the number of element records.
ModelReadResult load_model(std::string_view bytes, Model& model);

}  // namespace vevadar::modelfile
