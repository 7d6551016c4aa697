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
    if (where == State::kInside) {
      ++scan.datasets.back().lines;
      if (delimiter) {
        scan.datasets.back().closed = true;
        where = State::kHeader;
      }
      continue;
    }
    if (delimiter) {
      ++scan.delimiter_lines;
      where = State::kHeader;
      continue;
    }
    if (where == State::kSearch) continue;
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
  const std::string lines = plural(scan.lines, "line", "lines");
  if (scan.delimiter_lines == 0) return lines + " without a delimiter line";
  if (scan.delimiter_lines == scan.lines) return lines + ", all delimiter lines";
  return lines + ", the last " + std::to_string(scan.delimiter_lines) + " of them delimiter lines";
}

}  // namespace vevadar::tools
