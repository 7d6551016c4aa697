#include "translator/scanner.h"

#include <array>
#include <utility>

#include "translator/messages.h"

namespace vevadar::translator {
namespace {

using textfields::LineReader;

struct Dispatch {
  std::int32_t dataset;
  DatasetReader reader;
};

constexpr std::array<Dispatch, 12> kDispatch = {{
    {15, read_node_dataset},
    {781, read_node_dataset},
    {2411, read_node_dataset},
    {214, read_restraint_dataset},
    {71, read_element_dataset},
    {780, read_element_dataset},
    {2412, read_element_dataset},
    {754, read_rigid_part_dataset},
    {755, read_restraint_dataset},
    {791, read_restraint_dataset},
    {782, read_load_dataset},
    {790, read_load_dataset},
}};

constexpr std::string_view kDelimiterError = "**ERROR : READ DATASET DELIMITER ERROR";
constexpr std::string_view kDataTypeError = "**ERROR : READ DATA TYPE ERROR ";

}  // namespace

DatasetReader reader_for(std::int32_t dataset) {
  for (const Dispatch& entry : kDispatch) {
    if (entry.dataset == dataset) return entry.reader;
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
      messages.error_text(kDelimiterError);
      where = State::kSearch;
      continue;
    }
    if (where == State::kSearch) {
      if (lines.is_delimiter()) where = State::kHeader;
      continue;
    }
    if (lines.is_delimiter()) continue;  // adjacent delimiter lines count as one

    where = State::kSearch;
    const auto number = read_integer(state, 1, 6);
    if (!number) {
      messages.read_data_error(lines.line_counter());
      continue;
    }
    if (*number < 1 || *number > kMaxDatasetNumber) {
      messages.error_text(kDataTypeError);
      continue;
    }
    const DatasetReader reader = reader_for(*number);
    if (reader == nullptr) continue;

    const ReaderOutcome result = reader(state, *number);
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
