#include "translator/scanner.h"

#include <array>
#include <utility>

#include "translator/messages.h"

namespace vevadar::translator {
namespace {

using textfields::LineReader;

// Every dataset with a reader. 791 records of both kinds are four lines long, 755 records of
// kind 1 two lines and of kind 2 one line.
constexpr std::array<Dataset, 12> kDatasets = {{
    {.number = 15, .reader = read_node_dataset, .node = {.two_lines = false}},
    {.number = 781, .reader = read_node_dataset, .node = {.two_lines = true}},
    {.number = 2411, .reader = read_node_dataset, .node = {.two_lines = true}},
    {.number = 214, .reader = read_restraint_dataset, .restraint = {.list = true}},
    {.number = 71, .reader = read_element_dataset, .element = {1, 21, 31, 61}},
    {.number = 780, .reader = read_element_dataset, .element = {1, 11, 31, 71}},
    {.number = 2412, .reader = read_element_dataset, .element = {1, 11, 21, 51}},
    {.number = 754, .reader = read_rigid_part_dataset},
    {.number = 755,
     .reader = read_restraint_dataset,
     .restraint = {.kind_one_trailing = 0, .kind_two_further = 1}},
    {.number = 791,
     .reader = read_restraint_dataset,
     .restraint = {.kind_one_trailing = 2, .kind_two_further = 3}},
    {.number = 782, .reader = read_load_dataset, .load = {.double_precision = false}},
    {.number = 790, .reader = read_load_dataset, .load = {.double_precision = true}},
}};

}  // namespace

const Dataset* reader_for(std::int32_t number) {
  for (const Dataset& dataset : kDatasets) {
    if (dataset.number == number) return &dataset;
  }
  return nullptr;
}

// Two states. Search: pass over lines up to and including the next delimiter line. Header: pass
// over further delimiter lines; the first other line is the dataset number line. Every error, and
// the end of every dataset (read or skipped), resumes in the search state, so the rest of a
// dataset in which something went wrong is skipped up to its closing delimiter.
ScanEnd scan(RunState& state) {
  LineReader& lines = state.lines;
  Messages& messages = state.messages;
  enum class State : std::uint8_t { kSearch, kHeader } where = State::kSearch;

  for (;;) {
    const LineReader::Outcome outcome = lines.next();
    if (outcome == LineReader::Outcome::kEnd) return ScanEnd::kCompleted;
    if (outcome == LineReader::Outcome::kFailure) {
      messages.send(Message::kDelimiterError);
      where = State::kSearch;
      continue;
    }
    if (where == State::kSearch) {
      if (lines.is_delimiter()) where = State::kHeader;
      continue;
    }
    if (lines.is_delimiter()) continue;  // adjacent delimiter lines count as one

    where = State::kSearch;
    ++state.counters.datasets;
    const auto number = read_integer(state, 1, 6);
    if (!number) {
      messages.send(Message::kReadDataError, lines.line_counter());
      continue;
    }
    if (*number < 1 || *number > kMaxDatasetNumber) {
      messages.send(Message::kDataTypeError);
      continue;
    }
    const Dataset* dataset = reader_for(*number);
    if (dataset == nullptr) continue;

    const ReaderOutcome result = dataset->reader(state, *dataset);
    if (result.route == Route::kPrematureEnd) {
      messages.report(result, lines.line_counter());
      return ScanEnd::kPremature;
    }
    // A reader that handles no line yet: the search skips the dataset like one without a reader.
    // Whatever the reader's outcome, the scan goes on in the search state: after a closing
    // delimiter it passes over lines up to the next dataset's opening delimiter.
    messages.report(result, lines.line_counter());
  }
}

}  // namespace vevadar::translator
