// A run allocates nothing per dataset, line, node or element: translating a model a thousand
// times larger (a hundred times, in a build of small capacities), with twice as many datasets,
// costs the same number of allocations.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "support/test_support.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// Counts every allocation of this test program; the counting itself changes nothing.
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }

namespace vevadar::testing {
namespace {

class SilentHost final : public host::Host {
 public:
  void information(char* /*line*/) override {}
  void error(char* /*line*/) override {}
};

// Nodes 1..n on a line (dataset 15), n - 1 beams, a restraint and a load on every node, one
// unsupported element and one bad field: every reader and every message kind.
std::string model(int n) {
  std::string nodes, elements, restraints, loads;
  for (int i = 1; i <= n; ++i) {
    nodes += column(i, 10) + std::string(30, ' ') + "  1.00000E+00  2.00000E+00  3.00000E+00\n";
    restraints += column(i, 10) + column(0, 10) + " 1 1 1 0 0 0\n\n";
    loads += column(i, 10) + "\n" + "  1.00000E+00  0.00000E+00  0.00000E+00" +
             "  0.00000E+00  0.00000E+00  0.00000E+00\n";
  }
  for (int i = 1; i < n; ++i) {
    elements += column(i, 10) + column(21, 10) + column(1, 10) + column(1, 10) + column(7, 10) +
                column(2, 10) + "\n" + column(0, 10) + "\n" + column(i, 10) + column(i + 1, 10) +
                "\n";
  }
  elements += column(n, 10) + column(44, 10) + column(2, 10) + column(2, 10) + column(7, 10) +
              column(4, 10) + "\n" + column(1, 10) + "\n";
  return dataset(15, nodes) + dataset(2412, elements) +
         dataset(755, column(1, 10) + column(1, 10) + "\nfixed\n" + restraints) +
         dataset(782, column(1, 10) + column(1, 10) + "\nload\n" + loads) +
         dataset(15, column(1, 10) + " x\n");
}

long allocations_of_run(const std::string& input) {
  SilentHost host;
  const long before = g_allocations.load();
  const auto result = translator::run_translation(host, input);
  const long used = g_allocations.load() - before;
  EXPECT_EQ(result.end, translator::RunEnd::kCompleted);
  EXPECT_GE(result.warning_lines, 1);
  EXPECT_GE(result.error_lines, 2);  // the bad field and its " RECORD=" line
  return used;
}

TEST(Allocation, ARunAllocatesTheSameForAnySizeOfModel) {
  ScratchDirectory dir;
  write_file("small.unv", model(3));
  // Two copies, each within half the capacities (the second appends its rows to the first's).
  const int n = std::min(3000, std::min(modelfile::kMaxNodes, modelfile::kMaxElements) / 2);
  write_file("large.unv", model(n) + model(n));
  // Both measured runs find the run files a first run leaves (velm.bin, rozedere.msg): whether a
  // file exists changes the checks made on its name, and on Windows every check converts the name
  // to a wide string, which allocates even for a short name.
  (void)allocations_of_run("small.unv");
  const long small = allocations_of_run("small.unv");
  const long large = allocations_of_run("large.unv");
  // Opening the run's files takes a few (their full paths); nothing else may.
  EXPECT_EQ(large, small);
}

}  // namespace
}  // namespace vevadar::testing
