// modelfile: the model tables and the writer of the model file "velm.bin".
//
// What this area offers:
//   - Model: the fixed-capacity model tables the dataset readers fill (nodes, parts, elements,
//     restraint sets, load sets) with their counts; rows are 1-based in the format and stored
//     from index 0 here, so row n lives at [n - 1];
//   - the record sequence of the model file as data (Record, RecordKind, kRecordSequence,
//     Counts, payload_bytes): every record's number, name, payload layout and size, and when it
//     is written; for the writer, for readers of the file and for tests;
//   - write_model: the record sequence of the model file, records 1 to 16, from a Model;
//   - read_model: the same sequence read back and checked completely (framing, every record's
//     size and the values the writer fixes), reported record by record to a ModelVisitor, with
//     one message naming the byte offset, the record and what was expected where it breaks;
//   - load_model: read_model into the tables of a Model, for tools that need the whole model;
//   - new_model: an empty Model on the heap whose rows cost memory only as they are filled;
//   - kMaxModelFileBytes: the size of the largest model file the capacities allow.
//
// The writer maps tables to records and does no byte arithmetic of its own: framing belongs to
// recordfiles::SequentialRecordFile, the 4-byte scalars to recordfiles/coding.h.
//
// Reading the sequence. Every count a size or a repetition depends on is carried by a record
// that is always written and stands before the records it governs: P (parts) and N (nodes) in
// record 2, M = max(S, L) in record 8, S (restraint sets, and N again) in record 10, L (load
// sets) in record 13. Two runs of records carry no count and end by what follows them: the
// element records (6) end at the element end record (7), the only one whose label is 0; the node
// load records (16) of a load set end at the next load set record (15), 8 bytes against 28, or
// at the end of the file. Records 15 and 16 are a group written once per load set. Element,
// restraint and load records name a node by its node index, the position of its node record (5)
// among the node records; only node records carry labels.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "recordfiles/coding.h"
#include "recordfiles/recordfiles.h"
#include "vevadar_version.h"

namespace vevadar::modelfile {

// The capacities of the node and element tables: a build option (VEVADAR_MAX_NODES and
// VEVADAR_MAX_ELEMENTS, 125,000 each unless the build chose otherwise), checked when the build is
// configured.
inline constexpr std::int32_t kMaxNodes = VEVADAR_MAX_NODES;
inline constexpr std::int32_t kMaxElements = VEVADAR_MAX_ELEMENTS;
inline constexpr bool kDefaultCapacities = kMaxNodes == 125'000 && kMaxElements == 125'000;
inline constexpr std::int32_t kMaxParts = 1'000;
inline constexpr std::int32_t kMaxSets = 10;  // restraint sets, load sets, set numbering lists
inline constexpr std::int32_t kMaxSetIds = 1'000;
inline constexpr std::int32_t kNodeSlots = 8;
inline constexpr int kPartNameWidth = 8;
inline constexpr char kVersionTag[] = "VERSION 26";  // record 1, exactly 10 characters

// The element type codes an element record carries, with the family of each.
namespace element_type {
inline constexpr std::int32_t kBeam = 1;
inline constexpr std::int32_t kRigid = 2;  // two-node spokes, or an RBE2 element of 2 to 7 nodes
inline constexpr std::int32_t kShell = 4;
inline constexpr std::int32_t kSolid = 5;
inline constexpr std::int32_t kSpring = 6;
inline constexpr std::int32_t kMass = 9;
inline constexpr std::int32_t kTaperedBeam = 11;
inline constexpr std::int32_t kRod = 12;
}  // namespace element_type

// "beam", "rigid", ... for a type code above; nullptr for the others (22 and 23 carry no family).
constexpr const char* element_family(std::int32_t type) {
  switch (type) {
    case element_type::kBeam:
      return "beam";
    case element_type::kRigid:
      return "rigid";
    case element_type::kShell:
      return "shell";
    case element_type::kSolid:
      return "solid";
    case element_type::kSpring:
      return "spring";
    case element_type::kMass:
      return "mass";
    case element_type::kTaperedBeam:
      return "tapered beam";
    case element_type::kRod:
      return "rod";
    default:
      return nullptr;
  }
}

// The records, numbered as they stand in the sequence.
enum class Record : std::uint8_t {
  kHeader = 1,
  kModelCounts,
  kPartNames,
  kPartIds,
  kNode,
  kElement,
  kElementEnd,
  kCombinedSetCount,
  kSetNumbering,
  kRestraintHeader,
  kRestraintMarker,
  kRestraintColumn,
  kLoadHeader,
  kLoadSetIds,
  kLoadSet,
  kNodeLoad,
};

// The counts that payload sizes and repetitions depend on.
enum class Count : std::uint8_t {
  kNone,           // no count
  kParts,          // P
  kNodes,          // N
  kCombinedSets,   // M = max(S, L)
  kRestraintSets,  // S
  kLoadSets,       // L
};

// How often a record is written at its place in the sequence.
enum class Repeat : std::uint8_t {
  kOnce,       // exactly once
  kOnceIfAny,  // once if the repeat count is above 0, else not at all
  kEach,       // repeat count times in a row (not at all for 0)
  kUntilEnd,   // element records: once per element slot with a label, in slot order; the element
               // end record ends them
  kAfterEach,  // node load records: after each load set record, once per node index with a
               // non-zero force or moment, in node order (0 to N); the next load set record or
               // the end of the file ends them
};

// One record of the sequence. Its payload is fixed_bytes + bytes_per * (the size count) bytes.
// `carries` names the counts held by the record's first integers, in order.
struct RecordKind {
  Record record;
  const char* name;
  const char* layout;  // the payload in order; "int" and "real" are 4-byte scalars
  std::int32_t fixed_bytes;
  std::int32_t bytes_per;
  Count size_count;
  Repeat repeat;
  Count repeat_count;
  std::array<Count, 2> carries;
};

inline constexpr auto kScalar = static_cast<std::int32_t>(recordfiles::kScalarBytes);
inline constexpr auto kVersionTagWidth = static_cast<std::int32_t>(sizeof kVersionTag - 1);
// The integers of an element record: label, type code, part index, node count, the node slots
// and three zeros. The element end record has as many, all 0.
inline constexpr std::int32_t kElementTrailingZeros = 3;
inline constexpr std::int32_t kElementIntegers = 4 + kNodeSlots + kElementTrailingZeros;

// The sequence in file order: record r is kRecordSequence[r - 1].
// clang-format off
inline constexpr std::array<RecordKind, 16> kRecordSequence = {{
  {Record::kHeader, "header", "the text \"VERSION 26\"",
   kVersionTagWidth, 0, Count::kNone, Repeat::kOnce, Count::kNone, {}},
  {Record::kModelCounts, "model counts", "int P, int N",
   2 * kScalar, 0, Count::kNone, Repeat::kOnce, Count::kNone, {Count::kParts, Count::kNodes}},
  {Record::kPartNames, "part names", "the name of each part, 8 characters each",
   0, kPartNameWidth, Count::kParts, Repeat::kOnce, Count::kNone, {}},
  {Record::kPartIds, "part ids", "int id of each part",
   0, kScalar, Count::kParts, Repeat::kOnce, Count::kNone, {}},
  {Record::kNode, "node", "int label, real x, real y, real z, int 0",
   5 * kScalar, 0, Count::kNone, Repeat::kEach, Count::kNodes, {}},
  {Record::kElement, "element",
   "int label, int type code, int part index, int node count, 8 int node slots, 3 int 0",
   kElementIntegers * kScalar, 0, Count::kNone, Repeat::kUntilEnd, Count::kNone, {}},
  {Record::kElementEnd, "element end", "15 int 0",
   kElementIntegers * kScalar, 0, Count::kNone, Repeat::kOnce, Count::kNone, {}},
  {Record::kCombinedSetCount, "combined set count", "int M",
   kScalar, 0, Count::kNone, Repeat::kOnce, Count::kNone, {Count::kCombinedSets}},
  {Record::kSetNumbering, "set numbering", "int 1 to M, M int 1, int 1 to M, int M",
   kScalar, 3 * kScalar, Count::kCombinedSets, Repeat::kOnceIfAny, Count::kCombinedSets, {}},
  {Record::kRestraintHeader, "restraint header", "int S, int N",
   2 * kScalar, 0, Count::kNone, Repeat::kOnce, Count::kNone,
   {Count::kRestraintSets, Count::kNodes}},
  {Record::kRestraintMarker, "restraint marker", "int 1",
   kScalar, 0, Count::kNone, Repeat::kOnceIfAny, Count::kRestraintSets, {}},
  {Record::kRestraintColumn, "restraint column", "int restraint code of each node in the set",
   0, kScalar, Count::kNodes, Repeat::kEach, Count::kRestraintSets, {}},
  {Record::kLoadHeader, "load header", "int L",
   kScalar, 0, Count::kNone, Repeat::kOnce, Count::kNone, {Count::kLoadSets}},
  {Record::kLoadSetIds, "load set ids", "int id of each load set",
   0, kScalar, Count::kLoadSets, Repeat::kOnceIfAny, Count::kLoadSets, {}},
  {Record::kLoadSet, "load set", "int dataset count of the set, int second count",
   2 * kScalar, 0, Count::kNone, Repeat::kEach, Count::kLoadSets, {}},
  {Record::kNodeLoad, "node load", "int node index, real force x, y, z, real moment x, y, z",
   (1 + 6) * kScalar, 0, Count::kNone, Repeat::kAfterEach, Count::kNone, {}},
}};
// clang-format on

[[nodiscard]] constexpr const RecordKind& record_kind(Record record) {
  return kRecordSequence[static_cast<std::size_t>(record) - 1];
}

// The counts of one model file, as its count records give them.
struct Counts {
  std::int32_t parts = 0;
  std::int32_t nodes = 0;
  std::int32_t combined_sets = 0;
  std::int32_t restraint_sets = 0;
  std::int32_t load_sets = 0;

  [[nodiscard]] constexpr std::int32_t of(Count count) const {
    switch (count) {
      case Count::kNone:
        return 0;
      case Count::kParts:
        return parts;
      case Count::kNodes:
        return nodes;
      case Count::kCombinedSets:
        return combined_sets;
      case Count::kRestraintSets:
        return restraint_sets;
      case Count::kLoadSets:
        return load_sets;
    }
    return 0;
  }
};

// The payload size of `record` in a model file with `counts`. 64-bit: a reader may hold counts
// read from a damaged file.
[[nodiscard]] constexpr std::int64_t payload_bytes(Record record, const Counts& counts) {
  const RecordKind& kind = record_kind(record);
  return kind.fixed_bytes + std::int64_t{kind.bytes_per} * counts.of(kind.size_count);
}

// The bytes a record of `payload` bytes takes in the file: a length byte before and after each
// of its max(1, ceil(payload / 128)) segments.
[[nodiscard]] constexpr std::int64_t stored_bytes(std::int64_t payload) {
  const auto piece = static_cast<std::int64_t>(recordfiles::kSegmentPayload);
  return payload + 2 * std::max<std::int64_t>(1, (payload + piece - 1) / piece);
}

// The largest model file the capacities above allow: every count at its capacity, every element
// row written and every node loaded in every load set. No valid model file is larger, so a reader
// stops there.
[[nodiscard]] constexpr std::int64_t max_model_file_bytes() {
  const Counts full{.parts = kMaxParts,
                    .nodes = kMaxNodes,
                    .combined_sets = kMaxSets,
                    .restraint_sets = kMaxSets,
                    .load_sets = kMaxSets};
  std::int64_t bytes = 2;  // the file marker and the end marker
  for (const RecordKind& kind : kRecordSequence) {
    std::int64_t times = 1;
    if (kind.repeat == Repeat::kEach) times = full.of(kind.repeat_count);
    if (kind.repeat == Repeat::kUntilEnd) times = kMaxElements;
    if (kind.repeat == Repeat::kAfterEach) times = std::int64_t{kMaxSets} * kMaxNodes;
    bytes += times * stored_bytes(payload_bytes(kind.record, full));
  }
  return bytes;
}
inline constexpr std::int64_t kMaxModelFileBytes = max_model_file_bytes();

static_assert(
    [] {
      for (std::size_t i = 0; i < kRecordSequence.size(); ++i) {
        if (static_cast<std::size_t>(kRecordSequence[i].record) != i + 1) return false;
      }
      return true;
    }(),
    "record r is kRecordSequence[r - 1]");
static_assert(payload_bytes(Record::kSetNumbering, {.combined_sets = 3}) == 40);
static_assert(payload_bytes(Record::kRestraintColumn, {.nodes = 1'000}) == 4'000);

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

// Where Linux can back a table with 2 MiB pages (64-bit builds), padding that is never touched
// puts each large table 256 KiB before a 2 MiB boundary of a model that starts on one (the
// translator maps its model so). A table's first 256 KiB of rows then lie in small pages, all
// that a small model touches, and every later row in whole large pages that no other table
// shares, so that a full table faults in a few large pages. Elsewhere the padding is a few
// bytes.
namespace table_layout {
#if defined(__linux__) && UINTPTR_MAX > 0xFFFFFFFFU
inline constexpr std::size_t kLargePage = std::size_t{1} << 21;
inline constexpr std::size_t kSmallPagedBytes = std::size_t{256} << 10;
#else
inline constexpr std::size_t kLargePage = 4;
inline constexpr std::size_t kSmallPagedBytes = 0;
#endif
inline constexpr std::size_t kCountsBytes = 5 * sizeof(std::int32_t);
constexpr std::size_t round_up(std::size_t offset) {
  return (offset + kLargePage - 1) / kLargePage * kLargePage;
}
// The counts and the small tables (parts, set ids and set counts) come first, in small pages.
// Each large table then starts kSmallPagedBytes before a large page boundary: the node table
// right after the small tables, every later one in a large page that holds nothing of the table
// before it. Each lead is at least a byte long.
inline constexpr std::size_t kSmallTablesEnd =
    kCountsBytes + sizeof(Part) * kMaxParts +
    sizeof(std::int32_t) * (2 * kMaxSetIds + 2 * kMaxSets);
inline constexpr std::size_t kNodesAt =
    round_up(kSmallTablesEnd + kSmallPagedBytes + 1) - kSmallPagedBytes;
constexpr std::size_t table_after(std::size_t end_before) {
  return round_up(end_before + 1) + kLargePage - kSmallPagedBytes;
}
inline constexpr std::size_t kElementsAt = table_after(kNodesAt + sizeof(Node) * kMaxNodes);
inline constexpr std::size_t kRestraintAt =
    table_after(kElementsAt + sizeof(Element) * kMaxElements);
inline constexpr std::size_t kLoadsAt =
    table_after(kRestraintAt + sizeof(std::int32_t) * kMaxNodes * kMaxSets);
}  // namespace table_layout

// The model tables. Large (about 40 MB, and up to 8 MiB of padding that is never touched): one
// instance lives for the life of the library; tests allocate theirs on the heap. Tables are only
// meaningful up to their counts.
struct Model {
  std::int32_t node_count;
  std::int32_t element_count;
  std::int32_t part_count;
  std::int32_t restraint_set_count;
  std::int32_t load_set_count;

  std::array<Part, kMaxParts> parts;
  std::array<std::int32_t, kMaxSetIds> restraint_set_ids;
  std::array<std::int32_t, kMaxSetIds> load_set_ids;
  std::array<std::int32_t, kMaxSets> load_set_dataset_count;
  std::array<std::int32_t, kMaxSets> load_set_second_count;  // no reader fills it; written as is

  char node_lead[table_layout::kNodesAt - table_layout::kSmallTablesEnd];
  std::array<Node, kMaxNodes> nodes;
  char element_lead[table_layout::kElementsAt - table_layout::kNodesAt - sizeof(Node) * kMaxNodes];
  std::array<Element, kMaxElements> elements;
  char restraint_lead[table_layout::kRestraintAt - table_layout::kElementsAt -
                      sizeof(Element) * kMaxElements];
  // restraint[set index - 1][node index - 1]: the restraint code, 0 for none.
  std::array<std::array<std::int32_t, kMaxNodes>, kMaxSets> restraint;
  char load_lead[table_layout::kLoadsAt - table_layout::kRestraintAt -
                 sizeof(std::int32_t) * kMaxNodes * kMaxSets];
  // loads[set index - 1][node index - 1]
  std::array<std::array<Force, kMaxNodes>, kMaxSets> loads;
};

static_assert(offsetof(Model, nodes) == table_layout::kNodesAt &&
              offsetof(Model, elements) == table_layout::kElementsAt &&
              offsetof(Model, restraint) == table_layout::kRestraintAt &&
              offsetof(Model, loads) == table_layout::kLoadsAt);

// The build's capacity check sizes the tables with these bytes a node and an element row.
static_assert(sizeof(Node) + kMaxSets * (sizeof(std::int32_t) + sizeof(Force)) == 296 &&
                  sizeof(Element) == 48,
              "cmake/capacities.cmake must know the tables' row sizes");

// The counts the count records of `model`'s file carry.
[[nodiscard]] inline Counts model_counts(const Model& model) {
  return {.parts = model.part_count,
          .nodes = model.node_count,
          .combined_sets = std::max(model.restraint_set_count, model.load_set_count),
          .restraint_sets = model.restraint_set_count,
          .load_sets = model.load_set_count};
}

// Writes records 1 to 16 in their order. The file must be open; the caller closes it. Returns
// the number of element records written: the element rows that hold an element.
std::int32_t write_model(const Model& model, recordfiles::SequentialRecordFile& file);

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

// A Model on the heap with every count 0 and the small tables (parts, set ids and counts) empty.
// The rows of the node, element, restraint and load tables are left as they are, so that they
// take memory only as a model fills them: whoever reads them stays within the counts.
std::unique_ptr<Model> new_model();

}  // namespace vevadar::modelfile
