// Shared test fixtures: a Host that captures every line, a scratch directory that a test runs
// in, a scripted byte source, universal file text builders, bytes as hex, model file building
// and decoding, and the real-file corpus location. A builder used by two test files lives here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "host/host.h"
#include "modelfile/modelfile.h"
#include "textfields/textfields.h"
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

// Delivers its steps in order, each at most `chunk` bytes a read; a failed step delivers its
// bytes (often none) in one failed read. After the last step: the end of input.
class ScriptedSource final : public textfields::ByteSource {
 public:
  struct Step {
    std::string bytes;
    bool failed = false;
  };
  explicit ScriptedSource(std::vector<Step> steps,
                          std::size_t chunk = std::numeric_limits<std::size_t>::max())
      : steps_(std::move(steps)), chunk_(chunk) {}

  Chunk read(char* buffer, std::size_t capacity) override;

  int reads = 0;

 private:
  std::vector<Step> steps_;
  std::size_t chunk_;
  std::size_t next_ = 0;
  std::size_t offset_ = 0;
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
// `text` right-justified in `width` columns (left as it is when longer).
std::string right(std::string_view text, std::size_t width);

// The two header lines of datasets 754, 755, 782, 790 and 791: a number (set id, or label
// offset) and a kind in 10 columns each, then a line of text. The second line is never tested
// for the delimiter; a dataset refused at its first line sends the scan through the second, so
// some tests give it kDelimiterLike.
inline constexpr std::string_view kDelimiterLike = "    -1 second header line";
std::string set_header(std::int64_t number, int kind,
                       std::string_view second = "second header line");

// Bytes written as hex: hex("4B 0A 82"); blanks between pairs are ignored.
std::string hex(std::string_view text);
// Bytes shown as hex pairs, "4B 0A 82 ", so that a failing comparison shows where they differ.
std::string hex_bytes(std::string_view bytes);
unsigned byte_at(const std::string& bytes, std::size_t at);

// Little-endian payload bytes, as the model file holds them.
std::string le32(std::int32_t value);
std::string lef32(float value);
std::string ints(std::initializer_list<std::int32_t> values);
// The model file of a run that read nothing: the records written whatever the counts, with every
// count 0 (the header, then records of zeros), framed, between the marker and the end marker.
std::string empty_model();
// `model` as write_model writes it to velm.bin in the current directory: the file's bytes.
std::string write_model_file(const modelfile::Model& model);
// The payloads of a model file's records, as strings to compare with hex(); nothing when the
// file's framing does not decode.
std::optional<std::vector<std::string>> model_payloads(const std::string& bytes);

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
// A lumped mass element (descriptor 161) on one node label: two lines.
std::string mass(std::int64_t label, std::int64_t node, std::int64_t property = 1);
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
