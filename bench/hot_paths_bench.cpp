// The hot paths of a capacity run one at a time: the field conversions of its node and element
// lines, the line read, the model record write and the node index lookup. Each field benchmark
// cycles through fields of one shape with varied digits, as a universal file holds them.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"

namespace {

namespace fs = std::filesystem;
namespace tf = vevadar::textfields;
namespace rf = vevadar::recordfiles;

constexpr std::size_t kSamples = 1024;

// A deterministic spread of values (no two fields alike, the same for every run).
std::uint64_t spread(std::size_t i) { return (i + 1) * 0x9E3779B97F4A7C15ULL >> 11; }

std::vector<std::string> integer_fields() {
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < kSamples; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%10u", static_cast<unsigned>(spread(i) % 125000 + 1));
    fields.emplace_back(text);
  }
  return fields;
}

// Reals as the dataset writers print them: %13.5E for single-precision fields, %25.16E with a D
// exponent for double-precision ones.
std::vector<std::string> real_fields(bool double_precision) {
  std::vector<std::string> fields;
  for (std::size_t i = 0; i < kSamples; ++i) {
    const double value = (static_cast<double>(spread(i) % 2000000) - 1e6) / 7.0e3;
    char text[40];
    if (double_precision) {
      std::snprintf(text, sizeof text, "%25.16E", value);
      if (char* e = std::strchr(text, 'E')) *e = 'D';
    } else {
      std::snprintf(text, sizeof text, "%13.5E", value);
    }
    fields.emplace_back(text);
  }
  return fields;
}

// Converts the fields one after another, round and round.
template <class Convert>
void convert_each(benchmark::State& state, const std::vector<std::string>& fields,
                  Convert convert) {
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(convert(fields[i++ % kSamples]));
  state.SetItemsProcessed(state.iterations());
}

void BM_IntegerField10(benchmark::State& state) {
  convert_each(state, integer_fields(), [](std::string_view f) { return tf::parse_integer(f); });
}
BENCHMARK(BM_IntegerField10);

void BM_RealField13(benchmark::State& state) {
  convert_each(state, real_fields(false),
               [](std::string_view f) { return tf::parse_real_float(f, 5, 0); });
}
BENCHMARK(BM_RealField13);

// Scale factor 1, as the double-precision coordinate layouts give it.
void BM_RealField25D(benchmark::State& state) {
  convert_each(state, real_fields(true),
               [](std::string_view f) { return tf::parse_real_double(f, 16, 1); });
}
BENCHMARK(BM_RealField25D);

// Node and element lines from memory, 64 KiB a read as the universal file delivers them.
class MemorySource final : public tf::ByteSource {
 public:
  explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
  Chunk read(char* buffer, std::size_t capacity) override {
    const std::size_t size = std::min(capacity, bytes_.size() - offset_);
    std::memcpy(buffer, bytes_.data() + offset_, size);
    offset_ += size;
    return {size, false};
  }
  void rewind() { offset_ = 0; }

 private:
  const std::string& bytes_;
  std::size_t offset_ = 0;
};

void BM_LineRead(benchmark::State& state) {
  std::string text;
  const std::vector<std::string> reals = real_fields(true);
  const std::vector<std::string> integers = integer_fields();
  for (std::size_t i = 0; i < kSamples; ++i) {
    text += integers[i] + "         1         1        11\n";
    text += reals[i] + reals[(i + 1) % kSamples] + reals[(i + 2) % kSamples] + "\n";
    for (std::size_t j = 0; j < 8; ++j) text += integers[(i + j) % kSamples];
    text += "\n";
  }
  MemorySource source(text);
  tf::LineReader lines(source);
  std::int64_t count = 0;
  for (auto _ : state) {
    source.rewind();
    lines.restart();
    while (lines.next() == tf::LineReader::Outcome::kLine) ++count;
    benchmark::DoNotOptimize(lines.line().data());
  }
  state.SetItemsProcessed(count);
}
BENCHMARK(BM_LineRead);

fs::path scratch(const char* name) {
  const fs::path dir = fs::temp_directory_path() / "vevadar-bench";
  fs::create_directories(dir);
  return dir / name;
}

// One element record of the model file: 15 integers, 60 bytes.
void BM_ModelRecordWrite(benchmark::State& state) {
  rf::SequentialRecordFile file;
  const std::string name = scratch("records.bin").string();
  if (!file.open(name)) {
    state.SkipWithError("cannot open the model file");
    return;
  }
  std::int32_t label = 0;
  for (auto _ : state) {
    file.begin_record();
    file.add_int32(++label);
    file.add_int32(5);
    file.add_int32(1);
    file.add_int32(8);
    for (std::int32_t node = 0; node < 8; ++node) file.add_int32(label + node);
    for (int i = 0; i < 3; ++i) file.add_int32(0);
    file.end_record();
    if (label == 125000) {
      // A model file of capacity size, then the next one.
      state.PauseTiming();
      (void)file.close_keep();
      if (!file.open(name)) state.SkipWithError("cannot reopen the model file");
      label = 0;
      state.ResumeTiming();
    }
  }
  (void)file.close_keep();
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * 62);
}
BENCHMARK(BM_ModelRecordWrite);

// Lookups of the corner nodes of hexahedra in a 50 x 50 x 50 grid, as the element reader makes
// them, in a node index file of 125,000 records.
void BM_NodeIndexLookup(benchmark::State& state) {
  rf::FixedRecordFile index;
  if (!index.open(scratch("index.inn").string(), true)) {
    state.SkipWithError("cannot open the node index file");
    return;
  }
  constexpr std::int32_t kSide = 50;
  for (std::int32_t label = 1; label <= kSide * kSide * kSide; ++label)
    (void)index.write(label, label);
  std::vector<std::int32_t> labels;
  for (std::int32_t cell = 0; cell < (kSide - 1) * (kSide - 1) * (kSide - 1); ++cell) {
    const std::int32_t i = cell % (kSide - 1);
    const std::int32_t j = cell / (kSide - 1) % (kSide - 1);
    const std::int32_t k = cell / ((kSide - 1) * (kSide - 1));
    const std::int32_t base = 1 + i + kSide * (j + kSide * k);
    for (const std::int32_t offset : {0, 1, kSide + 1, kSide, kSide * kSide, kSide * kSide + 1,
                                      kSide * kSide + kSide + 1, kSide * kSide + kSide}) {
      labels.push_back(base + offset);
    }
  }
  std::size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(index.read(labels[next]));
    if (++next == labels.size()) next = 0;
  }
  index.close_delete();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NodeIndexLookup);

}  // namespace

namespace {

// A node list line of eight labels through its layout, as the element reader reads it.
void BM_NodeListLine(benchmark::State& state) {
  const std::vector<std::string> fields = integer_fields();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < kSamples; ++i) {
    std::string line;
    for (std::size_t j = 0; j < 8; ++j) line += fields[(i + j) % kSamples];
    lines.push_back(line);
  }
  static constexpr tf::FieldSpec kLabels[] = {tf::integer_field(10, 8)};
  std::array<std::int32_t, 8> labels{};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tf::read_fields(lines[i++ % kSamples], kLabels, labels));
    benchmark::DoNotOptimize(labels.data());
  }
  state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_NodeListLine);

}  // namespace
