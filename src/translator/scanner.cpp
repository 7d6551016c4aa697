#include "translator/scanner.h"

#include <array>
#include <utility>

#include "translator/messages.h"
#include "translator/translator.h"

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

// The pass of the search over the rest of a dataset, for the run's observer: begun after an error
// or where a reader leaves its dataset, ended by the next delimiter line or the file's end.
class SkipWatch {
 public:
  explicit SkipWatch(RunObserver* observer) : observer_(observer) {}
  void begin(SkippedRest::Cause cause, std::int32_t dataset, std::int32_t line) {
    if (observer_ == nullptr) return;
    rest_ = {.cause = cause, .dataset = dataset, .line = line, .first = wrapping_add(line, 1)};
    watching_ = true;
  }
  // `last` is the last line passed over; `closed` when a delimiter line follows it.
  void end(std::int32_t last, bool closed) {
    if (!watching_) return;
    watching_ = false;
    rest_.last = last;
    rest_.closed = closed;
    observer_->skipped(rest_);
  }

 private:
  RunObserver* observer_;
  SkippedRest rest_;
  bool watching_ = false;
};

SkippedRest::Cause skip_cause(Route route) {
  switch (route) {
    case Route::kLeaveDataset:
      return SkippedRest::Cause::kLeftUnread;
    case Route::kMissingNode:
      return SkippedRest::Cause::kErrorWithoutLine;
    default:
      return SkippedRest::Cause::kError;
  }
}

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
  RunObserver* const observer = state.observer;
  SkipWatch skip(observer);
  enum class State : std::uint8_t { kSearch, kHeader } where = State::kSearch;

  for (;;) {
    const LineReader::Outcome outcome = lines.next();
    if (outcome == LineReader::Outcome::kEnd) {
      skip.end(lines.line_counter(), false);
      return ScanEnd::kCompleted;
    }
    if (outcome == LineReader::Outcome::kFailure) {
      messages.send(Message::kDelimiterError);
      where = State::kSearch;
      continue;
    }
    if (where == State::kSearch) {
      if (lines.is_delimiter()) {
        where = State::kHeader;
        skip.end(wrapping_add(lines.line_counter(), -1), true);
      }
      continue;
    }
    if (lines.is_delimiter()) continue;  // adjacent delimiter lines count as one

    where = State::kSearch;
    const std::int32_t number_line = lines.line_counter();
    ++state.counters.datasets;
    const auto number = read_integer(state, 1, 6);
    const bool valid = number && *number >= 1 && *number <= kMaxDatasetNumber;
    if (observer != nullptr) observer->dataset(valid ? *number : 0, number_line);
    if (!number) {
      messages.send(Message::kReadDataError, number_line);
      skip.begin(SkippedRest::Cause::kError, 0, number_line);
      continue;
    }
    if (!valid) {
      messages.send(Message::kDataTypeError);
      skip.begin(SkippedRest::Cause::kErrorWithoutLine, 0, number_line);
      continue;
    }
    const Dataset* dataset = reader_for(*number);
    if (dataset == nullptr) continue;

    if (observer != nullptr) (void)lines.take_tab_lines();
    const ReaderOutcome result = dataset->reader(state, *dataset);
    if (observer != nullptr) {
      const LineReader::TabLines tabs = lines.take_tab_lines();
      if (tabs.lines > 0) observer->tab_lines(*number, tabs.lines, tabs.first_line);
    }
    messages.report(result, lines.line_counter());
    if (result.route == Route::kPrematureEnd) return ScanEnd::kPremature;
    // Whatever the reader's outcome, the scan goes on in the search state: after a closing
    // delimiter it passes over lines up to the next dataset's opening delimiter; after an error,
    // or where the reader left its dataset, over the rest of that dataset first.
    if (result.route != Route::kDatasetEnd) {
      skip.begin(skip_cause(result.route), *number, lines.line_counter());
    }
  }
}

}  // namespace vevadar::translator
