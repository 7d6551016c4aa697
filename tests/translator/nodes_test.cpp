// Node datasets 15, 781 and 2411 as whole runs: coordinates as stored, the node index mapping
// seen through element connectivity, progress lines, failures that leave no half-read node, the
// node capacity, and the end of the file inside a dataset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

// Dataset 15: label, two coordinate systems, colour 7, then x, y, z in 13 columns each.
std::string node15(std::int64_t label, std::string_view x = "", std::string_view y = "",
                   std::string_view z = "") {
  return column(label, 10) + column(0, 10) + column(0, 10) + column(7, 10) + right(x, 13) +
         right(y, 13) + right(z, 13) + "\n";
}

// Datasets 781 and 2411: the label line, then x, y, z in 25 columns each.
std::string node2411(std::int64_t label, std::string_view x = "", std::string_view y = "",
                     std::string_view z = "") {
  return column(label, 10) + column(1, 10) + column(1, 10) + column(11, 10) + "\n" + right(x, 25) +
         right(y, 25) + right(z, 25) + "\n";
}

// Dataset 2412 header: label, descriptor, property 1, material 1, colour 7, node count.
std::string header(std::int64_t label, std::int64_t descriptor, std::int64_t count) {
  return element_header(label, descriptor, 1, count);
}

TEST(NodeCoordinates, StoredAsSinglePrecision) {
  const struct {
    std::string unv;
    NodeRow node;
  } cases[] = {
      {dataset(15, node15(7, "1.00000E+00", "2.00000E+00", "3.00000E+00")), {7, 1, 2, 3}},
      // Five implied fraction digits; column 40 (the colour) is not part of x.
      {dataset(15, node15(8, "1234567", "", "-5")), {8, 12.34567F, 0, -0.00005F}},
      {dataset(2411, node2411(9, "1.0000000000000000D+00", "2.0000000000000000D+00",
                              "3.0000000000000000D+00")),
       {9, 1, 2, 3}},
      {dataset(781, node2411(10, "1.0000000000000000D-01", "-0.1D+00")), {10, 0.1F, -0.1F, 0}},
      // Converted as a double first: that double is the tie 1 + 2^-24, which rounds to even.
      // Read straight into single precision the value would round up.
      {dataset(2411, node2411(11, "1.00000005960464478D+00")), {11, 1, 0, 0}},
      // Just above the largest single value, but nearer to it than to infinity.
      {dataset(2411, node2411(12, "3.4028235D+38")), {12, 3.4028234664e38F, 0, 0}},
  };
  for (const auto& c : cases) {
    ScratchDirectory dir;
    const Translation run = translate(c.unv);
    EXPECT_TRUE(run.host.error_lines().empty()) << c.unv;
    EXPECT_EQ(node_rows(run), std::vector<NodeRow>{c.node}) << c.unv;
  }
}

TEST(NodeTable, DatasetsAppendAndARepeatedLabelMapsToTheLaterRow) {
  ScratchDirectory dir;
  const Translation run = translate(
      dataset(2411, node2411(10) + node2411(20)) + dataset(15, node15(30) + node15(10)) +
      dataset(2412, header(1, 91, 3) + column(10, 10) + column(20, 10) + column(30, 10) + "\n"));
  EXPECT_TRUE(run.host.error_lines().empty());
  EXPECT_EQ(node_rows(run),
            (std::vector<NodeRow>{{10, 0, 0, 0}, {20, 0, 0, 0}, {30, 0, 0, 0}, {10, 0, 0, 0}}));
  EXPECT_EQ(element_rows(run),
            (std::vector<std::vector<std::int32_t>>{{1, 4, 1, 3, 4, 2, 3, 0, 0, 0, 0, 0}}));
}

TEST(NodeProgress, EveryThousandthNodeOnly) {
  const std::pair<int, std::vector<std::string>> cases[] = {
      {999, {}},
      {1000, {"    1000 NODES PROCESSED"}},
      {2001, {"    1000 NODES PROCESSED", "    2000 NODES PROCESSED"}},
  };
  for (const auto& [count, progress] : cases) {
    if (count > modelfile::kMaxNodes) continue;  // a build of small capacities
    ScratchDirectory dir;
    std::string body;
    for (int i = 1; i <= count; ++i) body += column(i, 10) + "\n";
    // Over two datasets: the node count, not the position in a dataset, makes the line.
    const Translation run =
        translate(dataset(15, body.substr(0, 11 * 500)) + dataset(15, body.substr(11 * 500)));
    EXPECT_EQ(information_before_summary(run), progress) << count;
  }
}

TEST(NodeFailures, ReportedAndLeaveNoHalfReadNode) {
  const struct {
    std::string unv;
    std::vector<std::string> errors;
    std::vector<std::int32_t> labels;  // node labels in the table
  } cases[] = {
      // Line 6 holds the fourth node; the rest of its dataset is skipped, the next one read.
      {dataset(15, node15(1) + node15(2) + node15(3) + "       4x\n" + node15(5)) +
           dataset(15, node15(6)),
       conversion_error(6),
       {1, 2, 3, 6}},
      // Labels that cannot be node index file record numbers.
      {dataset(15, node15(1) + node15(0) + node15(2)), conversion_error(4), {1}},
      {dataset(15, node15(536870913)), conversion_error(3), {}},
      // Columns 11-20 are checked though not kept.
      {dataset(15, column(1, 10) + "        x1\n"), conversion_error(3), {}},
      {dataset(2411, node2411(1) + node2411(2, "", "3.5D+38")), conversion_error(6), {1}},
      // Node 5 is row 1. Its half-read second definition must not take the index record over
      // (element 1 would then name a row past the table), and a label named only by a
      // half-read node stays unknown.
      {dataset(2411, node2411(5)) + dataset(2411, node2411(5, "x")) +
           dataset(2411, node2411(999, "x")) + dataset(2412, mass(1, 5) + mass(2, 999)),
       {conversion_error(9)[0], conversion_error(9)[1], conversion_error(14)[0],
        conversion_error(14)[1], "** ERROR !  NODE #    999 DOES NOT EXIST"},
       {5}},
  };
  for (const auto& c : cases) {
    ScratchDirectory dir;
    const Translation run = translate(c.unv);
    EXPECT_EQ(run.host.error_lines(), c.errors) << c.unv;
    std::vector<std::int32_t> labels;
    for (const NodeRow& node : node_rows(run)) labels.push_back(std::get<0>(node));
    EXPECT_EQ(labels, c.labels) << c.unv;
  }
}

TEST(NodeCapacity, TheNodeAfterTheLastRowIsRefused) {
  ScratchDirectory dir;
  constexpr int n = modelfile::kMaxNodes;  // 125,000 unless the build chose otherwise
  std::string body;
  for (int i = 1; i <= n + 2; ++i) body += column(i, 10) + "\n";
  // The refused node is on line 2 + n + 1; the rest of its dataset is skipped, later datasets
  // are read, and the refused label was never recorded.
  const Translation run =
      translate(dataset(15, body) + dataset(2412, mass(1, n)) + dataset(2412, mass(2, n + 1)));
  EXPECT_EQ(
      run.host.error_lines(),
      (std::vector<std::string>{"**ERROR : TOO MANY NODES" + column(n + 3, 20),
                                "** ERROR !  NODE # " + column(n + 1, 6) + " DOES NOT EXIST"}));
  EXPECT_EQ(summary_counts(run.host), (std::vector<std::int32_t>{1, n, 1, 0, 0}));
  EXPECT_EQ(element_rows(run).at(0)[4], n);
}

TEST(PrematureEnd, LeavesEarlierFilesAndTheRunFilesAsTheyAre) {
  const std::string nodes = dataset(2411, node2411(1) + node2411(2));
  const std::string cases[] = {
      // after a node's first line
      delimiter() + "  2411\n" + node2411(1) + column(2, 10) + "\n",
      // where a beam element's connectivity line is due
      nodes + delimiter() + "  2412\n" + header(1, 21, 2) + "         0         0         0\n",
      // inside the skip of a dropped element (nine nodes: two lines)
      nodes + delimiter() + "  2412\n" + header(1, 44, 9) + column(1, 10) + "\n",
  };
  for (const std::string& unv : cases) {
    ScratchDirectory dir;
    write_file("velm.bin", "earlier model");
    write_file("rozedere.msg", "earlier messages");
    const Translation run = translate(unv);
    EXPECT_EQ(run.result.end, translator::RunEnd::kModelNotWritten) << unv;
    EXPECT_EQ(run.host.error_lines().back(), "**ERROR : ENCOUNTER UNCOMPLETED DATASET") << unv;
    EXPECT_EQ(run.result.error_lines, 1) << unv;
    EXPECT_TRUE(summary_counts(run.host).empty()) << unv;
    EXPECT_EQ(run.model_bytes, "earlier model");
    EXPECT_TRUE(file_exists("velm.inn"));
    EXPECT_TRUE(file_exists("temp.prt"));
    // Only the dropped element's warning has been written to the message file.
    if (run.result.warning_lines == 0) {
      EXPECT_EQ(run.message_file, "earlier messages");
    }
  }
}

}  // namespace
}  // namespace vevadar::testing
