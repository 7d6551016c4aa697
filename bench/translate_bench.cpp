// Throughput of whole translations of a generated model at the table capacities (125,000 nodes,
// about 125,000 elements), next to the cost of merely reading the same file line by line, so the
// report is a ratio: how many times a plain read the translation costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "translator/translator.h"

namespace {

namespace fs = std::filesystem;

class QuietHost final : public vevadar::host::Host {
 public:
  void information(char* /*line*/) override {}
  void error(char* /*line*/) override {}
};

std::string right(long value, int width) {
  std::string digits = std::to_string(value);
  return std::string(static_cast<std::size_t>(width) - digits.size(), ' ') + digits;
}

// A grid of nodes (dataset 2411) with hexahedra (2412, descriptor 115), restraints on the first
// layer (791) and loads on the last (790).
const fs::path& model_file() {
  static const fs::path path = [] {
    const fs::path dir = fs::temp_directory_path() / "vevadar-bench";
    fs::create_directories(dir);
    const fs::path file = dir / "grid.unv";
    std::ofstream out(file, std::ios::binary);
    constexpr int kSide = 50;  // 50 x 50 x 50 = 125,000 nodes
    auto label = [](int i, int j, int k) { return 1 + i + kSide * (j + kSide * k); };
    out << "    -1\n  2411\n";
    for (int k = 0; k < kSide; ++k) {
      for (int j = 0; j < kSide; ++j) {
        for (int i = 0; i < kSide; ++i) {
          out << right(label(i, j, k), 10) << "         1         1        11\n";
          char line[96];
          std::snprintf(line, sizeof line, "%25.16E%25.16E%25.16E\n", i * 0.1, j * 0.1, k * 0.1);
          out << line;
        }
      }
    }
    out << "    -1\n    -1\n  2412\n";
    long element = 0;
    for (int k = 0; k + 1 < kSide; ++k) {
      for (int j = 0; j + 1 < kSide; ++j) {
        for (int i = 0; i + 1 < kSide; ++i) {
          out << right(++element, 10) << "       115         1         1         7         8\n";
          const int corners[8] = {label(i, j, k),
                                  label(i + 1, j, k),
                                  label(i + 1, j + 1, k),
                                  label(i, j + 1, k),
                                  label(i, j, k + 1),
                                  label(i + 1, j, k + 1),
                                  label(i + 1, j + 1, k + 1),
                                  label(i, j + 1, k + 1)};
          for (int corner : corners) out << right(corner, 10);
          out << "\n";
        }
      }
    }
    out << "    -1\n    -1\n   791\n         1         1\nBASE\n";
    for (int n = 1; n <= kSide * kSide; ++n) {
      out << right(n, 10) << "         0 1 1 1 1 1 1\n";
      for (int l = 0; l < 3; ++l) out << "  0.0000000000000000D+00\n";
    }
    out << "    -1\n    -1\n   790\n         1         1\nTOP\n";
    for (int n = 1; n <= kSide * kSide; ++n) {
      out << right(kSide * kSide * (kSide - 1) + n, 10) << "\n";
      out << "  0.0000000000000000D+00  0.0000000000000000D+00 -1.0000000000000000D+01\n";
      out << "  0.0000000000000000D+00  0.0000000000000000D+00  0.0000000000000000D+00\n";
      out << "\n";
    }
    out << "    -1\n";
    return file;
  }();
  return path;
}

void BM_PlainLineRead(benchmark::State& state) {
  const fs::path& file = model_file();
  char line[256];
  for (auto _ : state) {
    std::FILE* in = std::fopen(file.string().c_str(), "rb");
    long lines = 0;
    while (std::fgets(line, sizeof line, in) != nullptr) ++lines;
    std::fclose(in);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(file)));
}
BENCHMARK(BM_PlainLineRead)->Unit(benchmark::kMillisecond);

void BM_Translate(benchmark::State& state) {
  const fs::path& file = model_file();
  const fs::path previous = fs::current_path();
  fs::current_path(file.parent_path());
  QuietHost host;
  for (auto _ : state) {
    const auto result = vevadar::translator::run_translation(host, file.string());
    benchmark::DoNotOptimize(result);
  }
  fs::current_path(previous);
  state.SetBytesProcessed(state.iterations() * static_cast<long>(fs::file_size(file)));
}
BENCHMARK(BM_Translate)->Unit(benchmark::kMillisecond);

}  // namespace
