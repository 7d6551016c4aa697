#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include "modelfile/modelfile.h"
#include "recordfiles/coding.h"
#include "recordfiles/recordfiles.h"

namespace vevadar::testing {
namespace fs = std::filesystem;

void CapturingHost::information(char* line) {
  lines.push_back({false, std::string(line, host::kHostLineLength)});
}

void CapturingHost::error(char* line) {
  lines.push_back({true, std::string(line, host::kHostLineLength)});
}

std::vector<std::string> CapturingHost::information_lines() const {
  std::vector<std::string> out;
  for (const Line& line : lines) {
    if (!line.is_error) out.push_back(trim_right(line.text));
  }
  return out;
}

std::vector<std::string> CapturingHost::error_lines() const {
  std::vector<std::string> out;
  for (const Line& line : lines) {
    if (line.is_error) out.push_back(trim_right(line.text));
  }
  return out;
}

std::string trim_right(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

ScratchDirectory::ScratchDirectory() {
  previous_ = fs::current_path().string();
  // A name no other directory has (mkdtemp is POSIX only): a random number per process and a
  // counter. Creating a directory fails if the name is taken, so a clash costs only another try.
  static std::atomic<unsigned> counter{0};
  static const unsigned process = std::random_device{}();
  const fs::path temp = fs::temp_directory_path();
  for (int attempt = 0; path_.empty(); ++attempt) {
    if (attempt == 100) throw std::runtime_error("no scratch directory in " + temp.string());
    const fs::path candidate =
        temp / ("vevadar-test-" + std::to_string(process) + "-" + std::to_string(counter++));
    if (fs::create_directory(candidate)) path_ = candidate.string();
  }
  fs::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code error;
  fs::current_path(previous_, error);
  fs::remove_all(path_, error);
}

textfields::ByteSource::Chunk ScriptedSource::read(char* buffer, std::size_t capacity) {
  ++reads;
  if (next_ == steps_.size()) return {};
  const Step& step = steps_[next_];
  const std::size_t size =
      std::min({capacity, step.failed ? step.bytes.size() : chunk_, step.bytes.size() - offset_});
  std::memcpy(buffer, step.bytes.data() + offset_, size);
  offset_ += size;
  if (offset_ == step.bytes.size()) {
    ++next_;
    offset_ = 0;
  }
  return {size, step.failed};
}

void write_file(const std::string& name, std::string_view bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& name) {
  std::error_code error;
  if (!fs::is_regular_file(name, error)) return {};
  std::ifstream in(name, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool file_exists(const std::string& name) {
  std::error_code error;
  return fs::exists(name, error);
}

std::string delimiter() { return "    -1\n"; }

std::string column(std::int64_t value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) {
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), ' ');
  }
  return digits;
}

std::string right(std::string_view text, std::size_t width) {
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + std::string(text);
}

std::string set_header(std::int64_t number, int kind, std::string_view second) {
  return column(number, 10) + column(kind, 10) + "\n" + std::string(second) + "\n";
}

std::string hex(std::string_view text) {
  const auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    bytes.push_back(static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1])));
    ++i;
  }
  return bytes;
}

std::string hex_bytes(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    out += ' ';
  }
  return out;
}

unsigned byte_at(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes.at(at));
}

std::string dataset(int number, std::string_view body) {
  return delimiter() + column(number, 6) + "\n" + std::string(body) + delimiter();
}

std::string nodes_from_11(int count) {
  std::string body;
  for (int i = 1; i <= count; ++i) {
    body += column(10 + i, 10) + column(1, 10) + column(1, 10) + column(11, 10) + "\n\n";
  }
  return dataset(2411, body);
}

std::string le32(std::int32_t value) {
  std::uint8_t bytes[recordfiles::kScalarBytes];
  recordfiles::encode_int32(bytes, value);
  return {std::begin(bytes), std::end(bytes)};
}

std::string lef32(float value) {
  std::uint8_t bytes[recordfiles::kScalarBytes];
  recordfiles::encode_float(bytes, value);
  return {std::begin(bytes), std::end(bytes)};
}

std::string ints(std::initializer_list<std::int32_t> values) {
  std::string out;
  for (const std::int32_t value : values) out += le32(value);
  return out;
}

std::string empty_model() {
  std::string bytes(1, static_cast<char>(recordfiles::kFileMarker));
  for (const modelfile::RecordKind& kind : modelfile::kRecordSequence) {
    // With every count 0 only the records written once whatever the counts remain.
    if (kind.repeat != modelfile::Repeat::kOnce) continue;
    const std::string payload =
        kind.record == modelfile::Record::kHeader
            ? std::string(modelfile::kVersionTag)
            : std::string(static_cast<std::size_t>(modelfile::payload_bytes(kind.record, {})),
                          '\0');
    // Every payload is below 128 bytes: one segment, framed by its length.
    bytes += static_cast<char>(payload.size()) + payload + static_cast<char>(payload.size());
  }
  return bytes + static_cast<char>(recordfiles::kEndMarker);
}

std::string write_model_file(const modelfile::Model& model) {
  recordfiles::SequentialRecordFile file;
  EXPECT_TRUE(file.open("velm.bin"));
  modelfile::write_model(model, file);
  EXPECT_TRUE(file.close_keep());
  return read_file("velm.bin");
}

std::optional<std::vector<std::string>> model_payloads(const std::string& bytes) {
  const auto records = recordfiles::read_model_records(bytes);
  if (!records) return std::nullopt;
  std::vector<std::string> out;
  for (const auto& record : *records) out.emplace_back(record.begin(), record.end());
  return out;
}

std::string counter_line(std::string_view text, int counter) {
  return std::string(text) + column(counter, 20);
}

std::vector<std::string> conversion_error(int counter) {
  return {counter_line("**ERROR : READ INTERNAL DATA ERROR", counter),
          " RECORD=" + column(counter, 8)};
}

std::vector<std::string> information_before_summary(const Translation& run) {
  std::vector<std::string> lines = run.host.information_lines();
  lines.resize(lines.size() >= 5 ? lines.size() - 5 : 0);
  return lines;
}

namespace {

// The element end record: every integer 0.
std::string element_end() {
  return std::string(
      static_cast<std::size_t>(modelfile::payload_bytes(modelfile::Record::kElementEnd, {})), '\0');
}

}  // namespace

std::vector<std::string> set_records(const Translation& run) {
  const auto end = std::find(run.records.begin(), run.records.end(), element_end());
  if (end == run.records.end()) return {};
  return {end + 1, run.records.end()};
}

void expect_set_error_cases(const std::string& before, const std::vector<SetErrorCase>& cases) {
  for (const SetErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    const Translation run = translate(before + c.body);
    EXPECT_EQ(run.host.error_lines(), c.errors);
    EXPECT_EQ(run.result.end, c.tail.empty() ? translator::RunEnd::kModelNotWritten
                                             : translator::RunEnd::kCompleted);
    if (!c.tail.empty()) {
      EXPECT_EQ(set_records(run), c.tail);
    }
  }
}

Translation translate_file(const std::string& path, const translator::RunOptions& options) {
  Translation out;
  out.result = translator::run_translation(out.host, path, options);
  for (const auto& line : out.host.lines) {
    if (line.text.size() != 80) ++out.host.wrong_length;
  }
  out.model_bytes = read_file("velm.bin");
  out.message_file = read_file("rozedere.msg");
  if (auto records = model_payloads(out.model_bytes)) {
    out.model_well_formed = true;
    out.records = std::move(*records);
  }
  return out;
}

Translation translate(std::string_view unv, const translator::RunOptions& options) {
  write_file("input.unv", unv);
  return translate_file("input.unv", options);
}

namespace {

// The 4 bytes at `offset`; bytes past the end of a short record read as 0.
std::array<std::uint8_t, recordfiles::kScalarBytes> scalar_at(std::string_view bytes,
                                                              std::size_t offset) {
  std::array<std::uint8_t, recordfiles::kScalarBytes> out{};
  for (std::size_t i = 0; i < out.size() && offset + i < bytes.size(); ++i) {
    out[i] = static_cast<std::uint8_t>(bytes[offset + i]);
  }
  return out;
}

std::int32_t int_at(std::string_view bytes, std::size_t offset) {
  return recordfiles::decode_int32(scalar_at(bytes, offset).data());
}

float float_at(std::string_view bytes, std::size_t offset) {
  return recordfiles::decode_float(scalar_at(bytes, offset).data());
}

// Records 1-4 are written once each; the node records follow, as many as record 2 says.
constexpr auto kFirstNodeRecord = static_cast<std::size_t>(modelfile::Record::kNode) - 1;
static_assert(modelfile::record_kind(modelfile::Record::kModelCounts).carries[1] ==
              modelfile::Count::kNodes);

std::size_t stored_node_count(const Translation& run) {
  if (run.records.size() < kFirstNodeRecord) return 0;
  const auto counts = static_cast<std::size_t>(modelfile::Record::kModelCounts) - 1;
  return static_cast<std::size_t>(int_at(run.records[counts], recordfiles::kScalarBytes));
}

}  // namespace

std::vector<NodeRow> node_rows(const Translation& run) {
  std::vector<NodeRow> out;
  const std::size_t count = stored_node_count(run);
  for (std::size_t i = 0; i < count && kFirstNodeRecord + i < run.records.size(); ++i) {
    const std::string& record = run.records[kFirstNodeRecord + i];
    out.emplace_back(int_at(record, 0), float_at(record, 4), float_at(record, 8),
                     float_at(record, 12));
  }
  return out;
}

std::vector<std::vector<std::int32_t>> element_rows(const Translation& run) {
  std::vector<std::vector<std::int32_t>> out;
  if (run.records.size() < kFirstNodeRecord) return out;
  // Element records run up to the element end record, 60 zero bytes.
  for (std::size_t i = kFirstNodeRecord + stored_node_count(run); i < run.records.size(); ++i) {
    const std::string& record = run.records[i];
    if (record == element_end()) break;
    std::vector<std::int32_t> row;
    for (std::size_t j = 0; j < 4 + modelfile::kNodeSlots; ++j) {
      row.push_back(int_at(record, recordfiles::kScalarBytes * j));
    }
    out.push_back(std::move(row));
  }
  return out;
}

std::vector<std::int32_t> summary_counts(const CapturingHost& host) {
  std::vector<std::int32_t> out;
  for (const CapturingHost::Line& line : host.lines) {
    if (line.is_error || line.text.rfind("*    TOTAL NUMBER OF ", 0) != 0) continue;
    // The count stands in columns 35-44.
    const std::string count = line.text.substr(34, 10);
    out.push_back(static_cast<std::int32_t>(std::strtol(count.c_str(), nullptr, 10)));
  }
  return out;
}

std::string source_directory() {
#ifdef _WIN32
  // The folder compiled in is a path of the Linux build machine; under Wine the Linux root is drive
  // Z:. Without the drive the path would name a folder on the current directory's drive.
  const std::string linux_path = VEVADAR_SOURCE_DIR;
  if (linux_path.starts_with('/')) return "Z:" + linux_path;
#endif
  return VEVADAR_SOURCE_DIR;
}

std::string corpus_directory() {
  const fs::path corpus = fs::path(source_directory()) / ".." / "shared" / "corpus" / "real";
  std::error_code error;
  if (!fs::is_directory(corpus, error)) return {};
  return fs::canonical(corpus, error).string();
}

std::vector<std::int32_t> element_row(std::int32_t label, std::int32_t type, std::int32_t part,
                                      std::int32_t count, std::vector<std::int32_t> slots) {
  std::vector<std::int32_t> out = {label, type, part, count};
  slots.resize(8, 0);
  out.insert(out.end(), slots.begin(), slots.end());
  return out;
}

std::string element_header(std::int64_t label, std::int64_t descriptor, std::int64_t property,
                           std::int64_t count) {
  return column(label, 10) + column(descriptor, 10) + column(property, 10) + column(property, 10) +
         column(7, 10) + column(count, 10) + "\n";
}

std::string mass(std::int64_t label, std::int64_t node, std::int64_t property) {
  return element_header(label, 161, property, 1) + label_lines({node});
}

std::string label_lines(const std::vector<std::int64_t>& labels) {
  std::string out;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    out += column(labels[i], 10);
    if (i % 8 == 7 || i + 1 == labels.size()) out += "\n";
  }
  return out;
}

}  // namespace vevadar::testing
