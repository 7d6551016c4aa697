// scan_universal_file: the universal file's lines through the translator's line reader, framed
// by the delimiter test of that reader; a dataset number is columns 1-6 of the first line after
// a delimiter that is not one itself.
#include "unv_scan.h"

#include <memory>
#include <span>

#include "commands.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"
#include "translator/SCALE.h"
#include "translator/scanner.h"
#include "translator/translator.h"

namespace vevadar::tools {
namespace {

constexpr textfields::FieldSpec kNumberLayout[] = {textfields::integer_field(6)};

}  // namespace

UnvScan scan_universal_file(const std::string& name) {
  UnvScan scan;
  recordfiles::BinaryFile file;
  if (!file.open_for_reading(name)) return scan;
  scan.opened = true;
  translator::FileSource source(file);
  // The line reader holds a 64 KB buffer: not for the stack.
  auto lines = std::make_unique<textfields::LineReader>(source);
  enum class State : std::uint8_t { kSearch, kHeader, kInside } where = State::kSearch;
  for (;;) {
    const auto outcome = lines->next();
    if (outcome == textfields::LineReader::Outcome::kEnd) break;
    if (outcome == textfields::LineReader::Outcome::kFailure) {
      scan.read_failure = true;
      continue;
    }
    const bool delimiter = lines->is_delimiter();
    if (delimiter) ++scan.delimiters;
    if (where == State::kInside) {
      ++scan.datasets.back().lines;
      if (delimiter) {
        scan.datasets.back().closed = true;
        where = State::kHeader;
      }
      continue;
    }
    if (where == State::kSearch) {
      if (delimiter) where = State::kHeader;
      continue;
    }
    if (delimiter) continue;
    DatasetEntry entry;
    entry.number_line = lines->line_counter();
    const std::string_view line = lines->line();
    entry.first_line = std::string(line.substr(0, textfields::trimmed_length(line)));
    std::int32_t number = 0;
    if (textfields::read_fields(line.substr(0, 6), kNumberLayout, std::span(&number, 1)).ok() &&
        number >= 1 && number <= translator::kMaxDatasetNumber) {
      entry.number = number;
      entry.read = translator::reader_for(number) != nullptr;
    }
    scan.datasets.push_back(entry);
    where = State::kInside;
  }
  scan.lines = lines->line_counter();
  return scan;
}

std::string why_no_dataset(const UnvScan& scan) {
  if (scan.lines == 0) return "it is empty";
  if (scan.delimiters == 0)
    return plural(scan.lines, "line", "lines") + " without a delimiter line";
  return plural(scan.lines, "line", "lines") + ", no dataset number line after a delimiter line";
}

}  // namespace vevadar::tools
