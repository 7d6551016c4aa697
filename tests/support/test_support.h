// Shared test fixtures: a Host that captures every line, a scratch directory that a test runs
// in, universal file text builders, model file decoding and the real-file corpus location.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "host/host.h"
#include "translator/translator.h"

namespace vevadar::testing {

// Captures every line of a run, in order, with the callback that received it.
class CapturingHost final : public host::Host {
 public:
  struct Line {
    bool is_error;     // CPROMPTERROR (true) or MESSAG (false)
    std::string text;  // all 80 characters
  };
  void information(char* line) override;
  void error(char* line) override;

  std::vector<Line> lines;
  // The texts of one callback, trailing blanks removed.
  [[nodiscard]] std::vector<std::string> information_lines() const;
  [[nodiscard]] std::vector<std::string> error_lines() const;
  // Lines that were not exactly 80 characters long when received (must stay 0).
  int wrong_length = 0;
};

std::string trim_right(std::string_view text);

// Creates a fresh directory and makes it the current directory for the fixture's life.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

void write_file(const std::string& name, std::string_view bytes);
std::string read_file(const std::string& name);
bool file_exists(const std::string& name);

// Universal file text. delimiter() is "    -1\n"; dataset(n, body) is a delimiter, n right-
// justified in columns 1-6, the body lines (each given with its "\n"), and a closing delimiter.
std::string delimiter();
std::string dataset(int number, std::string_view body);
// Dataset 2411 with `count` nodes labelled 11, 12, ... at the origin: node index = label - 10.
std::string nodes_from_11(int count);
// A right-justified integer in `width` columns.
std::string column(std::int64_t value, int width);

// Little-endian payload bytes, as the model file holds them.
std::string le32(std::int32_t value);
std::string lef32(float value);
std::string ints(std::initializer_list<std::int32_t> values);

// An error line's text followed by the line counter in 20 columns.
std::string counter_line(std::string_view text, int counter);
// The two lines of a field that does not convert on line `counter`.
std::vector<std::string> conversion_error(int counter);

// One whole translation of `unv` (written as "input.unv") in the current directory.
struct Translation {
  translator::RunResult result;
  CapturingHost host;
  std::string model_bytes;           // velm.bin after the run ("" if it does not exist)
  std::string message_file;          // rozedere.msg after the run ("" if it does not exist)
  std::vector<std::string> records;  // decoded payloads of velm.bin (empty if malformed)
  bool model_well_formed = false;
};
Translation translate(std::string_view unv, const translator::RunOptions& options = {});
// The model file records after the element end record: records 8 onward (set counts,
// restraint columns, load sets). Empty if there is no element end record.
std::vector<std::string> set_records(const Translation& run);
// A run that goes wrong in a restraint or load dataset: the error lines it must send, and the
// model file records 8 onward it must leave (none: the run writes no model).
struct SetErrorCase {
  const char* name;
  std::string body;  // what follows `before` in the universal file
  std::vector<std::string> errors;
  std::vector<std::string> tail;
};
void expect_set_error_cases(const std::string& before, const std::vector<SetErrorCase>& cases);
// Translates an existing file by name (for the real-file corpus).
Translation translate_file(const std::string& path, const translator::RunOptions& options = {});

// The tables of a decoded model file (`run.records`): node records as (label, x, y, z); element
// records as their first 12 integers (label, type code, part index, node count, node slots 1-8).
using NodeRow = std::tuple<std::int32_t, float, float, float>;
std::vector<NodeRow> node_rows(const Translation& run);
std::vector<std::vector<std::int32_t>> element_rows(const Translation& run);
// One element row as element_rows gives it: label, type code, part index, node count and the
// eight node slots (`slots` padded with 0).
std::vector<std::int32_t> element_row(std::int32_t label, std::int32_t type, std::int32_t part,
                                      std::int32_t count, std::vector<std::int32_t> slots);

// A dataset 2412 element header: label, descriptor, property, material (= property), colour 7,
// node count.
std::string element_header(std::int64_t label, std::int64_t descriptor, std::int64_t property,
                           std::int64_t count);
// Node labels in 10-column fields, eight to a line.
std::string label_lines(const std::vector<std::int64_t>& labels);
// The five counts of the host's summary lines (parts, nodes, elements, SPC, nodal force); empty
// when the run sent no summary.
std::vector<std::int32_t> summary_counts(const CapturingHost& host);
// The information lines before the five summary lines: the progress lines.
std::vector<std::string> information_before_summary(const Translation& run);

// The folder of real universal files beside the project ("" when it is not there).
std::string corpus_directory();
// The project's source folder (for examples/).
std::string source_directory();

}  // namespace vevadar::testing
