// The dataset readers and what they share: the outcome a reader returns to the scanner, the
// line and lookup helpers, and the row helpers that keep half-read records out of the tables.
//
// A reader is entered after its dataset number line; it consumes lines up to the dataset's
// closing delimiter and returns kDatasetEnd, or returns the route the scanner must take. Readers
// never send error lines themselves: the scanner turns every route into its line and resumes at
// the next delimiter line. Progress lines and element type warnings are not errors: readers send
// those through Messages.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "textfields/textfields.h"
#include "translator/EXTERNAL.h"

namespace vevadar::translator {

enum class Route : std::uint8_t {
  kDatasetEnd,       // the closing delimiter was consumed
  kLeaveDataset,     // the reader leaves the rest of the dataset unread
  kReadFailure,      // the read data error line, with the line counter
  kFieldConversion,  // the read internal data error line and its record line
  kMissingNode,      // the missing node line, with the label
  kCapacity,         // the "too many" line of `capacity`, with the line counter
  kPrematureEnd,     // the uncompleted dataset line; the run ends
};

enum class Capacity : std::uint8_t {
  kNodes,
  kElements,
  kParts,
  kRestraintSets,
  kLoadSets,
  kRigidNodes,
};

struct [[nodiscard]] ReaderOutcome {
  Route route = Route::kDatasetEnd;
  std::int32_t label = 0;  // the label looked up, for kMissingNode
  Capacity capacity = Capacity::kNodes;
};

constexpr ReaderOutcome dataset_end() { return {Route::kDatasetEnd}; }
constexpr ReaderOutcome leave_dataset() { return {Route::kLeaveDataset}; }
constexpr ReaderOutcome read_failure() { return {Route::kReadFailure}; }
constexpr ReaderOutcome conversion_failure() { return {Route::kFieldConversion}; }
constexpr ReaderOutcome missing_node(std::int32_t label) { return {Route::kMissingNode, label}; }
constexpr ReaderOutcome capacity_exceeded(Capacity what) { return {Route::kCapacity, 0, what}; }
constexpr ReaderOutcome premature_end() { return {Route::kPrematureEnd}; }

struct Dataset;
using DatasetReader = ReaderOutcome (*)(RunState& state, const Dataset& dataset);

// What tells apart the datasets that share a reader. Each reader uses its own member only.
struct NodeForm {
  bool two_lines = false;  // the coordinates on a second line, in double precision
};
struct ElementHeaderColumns {  // the first column of each 10-column header field
  int label = 0;
  int descriptor = 0;
  int property = 0;
  int node_count = 0;
};
struct RestraintForm {
  bool list = false;                   // a bare list of restrained nodes for restraint set 1
  std::int32_t kind_one_trailing = 0;  // lines after a kind-1 record's second line
  std::int32_t kind_two_further = 0;   // lines after a kind-2 record's first line
};
struct LoadForm {
  bool double_precision = false;  // forces and moments on two lines of three double values
};

// A dataset with a reader: its number, its reader and the reader's facts for it. The table of
// them is the scanner's dispatch (scanner.cpp).
struct Dataset {
  std::int32_t number = 0;
  DatasetReader reader = nullptr;
  NodeForm node = {};
  ElementHeaderColumns element = {};
  RestraintForm restraint = {};
  LoadForm load = {};
};

// Datasets 15, 781, 2411.
ReaderOutcome read_node_dataset(RunState& state, const Dataset& dataset);
// Datasets 71, 780, 2412 (rigid elements through expand_rigid_element).
ReaderOutcome read_element_dataset(RunState& state, const Dataset& dataset);
// Descriptor 122: the element reader has counted row `row` with its label, part index and node
// count, and the first node line is next. Makes the spokes; returns kDatasetEnd to go on with the
// next element header, or the route to take.
ReaderOutcome expand_rigid_element(RunState& state, std::int32_t row);
// Dataset 754.
ReaderOutcome read_rigid_part_dataset(RunState& state, const Dataset& dataset);
// Datasets 214, 755, 791.
ReaderOutcome read_restraint_dataset(RunState& state, const Dataset& dataset);
// Datasets 782, 790.
ReaderOutcome read_load_dataset(RunState& state, const Dataset& dataset);

// --- Shared helpers (reader_support.cpp) -------------------------------------------------------

// The route of a line that could not be read: end of input, premature end; a failed read, read
// failure.
ReaderOutcome missing_line_route(textfields::LineReader::Outcome outcome);
// Reads the next line where the dataset still needs one: nullopt when a line was read, else the
// route of missing_line_route. Inline: every line of a dataset takes it.
VEVADAR_INLINE std::optional<ReaderOutcome> need_line(RunState& state) {
  const textfields::LineReader::Outcome outcome = state.lines.next();
  if (outcome == textfields::LineReader::Outcome::kLine) [[likely]] {
    return std::nullopt;
  }
  return missing_line_route(outcome);
}
// Reads a further line of a record after its store: any outcome but a line, the end of input
// included, is a read failure. The line is not tested for the delimiter.
std::optional<ReaderOutcome> need_record_line(RunState& state);

// Converts columns first..first+count-1 of the current line with `layout` into `targets`.
textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<std::int32_t> targets);
textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<float> targets);
textfields::ReadResult read_columns(const RunState& state, int first, int count,
                                    std::span<const textfields::FieldSpec> layout,
                                    std::span<double> targets);
// One integer field of columns first..first+width-1; nullopt when it does not convert.
VEVADAR_INLINE std::optional<std::int32_t> read_integer(const RunState& state, int first,
                                                        int width) {
  const auto field = textfields::parse_integer(state.lines.columns(first, width));
  if (!field.ok()) return std::nullopt;
  return field.value;
}
// Columns 1-75 of the current line as three double-precision fields, each rounded to single
// precision for the store. False when one does not convert or has no finite single-precision
// neighbour (refused like a field that overflows, so no table ever holds an infinity); `target`
// is then unchanged.
[[nodiscard]] bool read_rounded_doubles(const RunState& state, std::span<float, 3> target);
// Reads node labels from the next lines, eight to a line in columns 1-80: one line for every
// eight labels begun, and one line when `labels` is empty. The lines are not tested for the
// delimiter; each is converted as it is read. A label that does not convert is a conversion
// failure of its line. False with the route in `failed` when the labels cannot be read (an
// out-parameter, not an optional: this runs for every element, and the optional would be built
// in memory and copied back whole).
[[nodiscard]] bool read_label_lines(RunState& state, std::span<std::int32_t> labels,
                                    ReaderOutcome& failed);

// The node index of `label`, or nullopt for a node that does not exist: a label that cannot be
// a record number, a record past the end of the node index file, or one never written (0).
// Defined here: every node label of every element takes it.
VEVADAR_INLINE std::optional<std::int32_t> lookup_node(RunState& state, std::int32_t label) {
  if (label < 1 || label > kMaxNodeLabel) return std::nullopt;
  const auto record = state.node_index.read(label);
  if (record.status != recordfiles::FixedRecordFile::ReadStatus::kOk) return std::nullopt;
  // 0 is a record inside the file that no node wrote. A value outside the node table cannot come
  // from this run's node reader; refusing it keeps every stored index inside the table.
  if (record.value < 1 || record.value > state.model.node_count) return std::nullopt;
  return record.value;
}

// Appends `part` to the part table and returns its 1-based index, or nullopt (kParts capacity)
// when the table is full.
std::optional<std::int32_t> append_part(RunState& state, const modelfile::Part& part);

// Appends `element` as row count + 1 and returns that row, or nullopt (kElements capacity) when
// the table is full. Inline: every element takes it.
VEVADAR_INLINE std::optional<std::int32_t> append_element(RunState& state,
                                                          const modelfile::Element& element) {
  modelfile::Model& model = state.model;
  if (model.element_count >= kMaxElements) return std::nullopt;
  model.elements[model.element_count] = element;
  return ++model.element_count;
}
// Takes element row count + 1 with every column zeroed, to be filled in place;
// give_back_element_row undoes the last take.
inline std::optional<std::int32_t> take_element_row(RunState& state) {
  return append_element(state, modelfile::Element{});
}
void give_back_element_row(RunState& state);

// The restraint code of six degree-of-freedom flags: flag 1 as it is, then for j = 2..6 with
// flag j > 0, code * 10 + flag j * j, in 32-bit wrap-around arithmetic.
std::int32_t restraint_code(std::span<const std::int32_t, 6> flags);

// 32-bit wrap-around addition for values from the file.
constexpr std::int32_t wrapping_add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// The first header line of a restraint or load set dataset: the set id (columns 1-10) and the
// record kind (11-20). The set is found among the first `count` ids of `ids`, or registered as
// a new set; `set` is its 1-based index.
struct SetHeader {
  std::int32_t set = 0;
  std::int32_t kind = 0;
};
// nullopt with `header` filled, else the route: the closing delimiter (a dataset without
// records), a read or conversion failure, or `full` when a new set would exceed kMaxSets (the
// set is then not registered).
std::optional<ReaderOutcome> read_set_header(RunState& state,
                                             std::span<std::int32_t, kMaxSetIds> ids,
                                             std::int32_t& count, Capacity full, SetHeader& header);

}  // namespace vevadar::translator
