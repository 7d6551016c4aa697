// Rigid elements (descriptor 122) expanded into two-node spokes: rows, labels and node slots,
// how many node lines each node count takes, the spoke counter across datasets, and failures
// that keep completed spokes only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

using Row = std::vector<std::int32_t>;
constexpr auto header = element_header;
constexpr auto row = element_row;
constexpr auto node_lines = label_lines;

// Nodes 101 .. 100 + count in dataset 15 (label only), node index = label - 100.
std::string nodes(int count) {
  std::string body;
  for (int i = 1; i <= count; ++i) body += column(100 + i, 10) + "\n";
  return dataset(15, body);
}

std::string rigid(std::int64_t label, std::int64_t property,
                  const std::vector<std::int64_t>& labels) {
  return header(label, 122, property, static_cast<std::int64_t>(labels.size())) +
         node_lines(labels);
}

Row spoke(std::int32_t label, std::int32_t part, std::int32_t first, std::int32_t other) {
  return row(label, 2, part, 2, {first, other});
}

TEST(RigidExpansion, WorkedExample) {
  ScratchDirectory dir;
  std::string body;
  for (int i = 1; i <= 9; ++i) body += mass(i, 101);
  body += rigid(50, 3, {101, 102, 103, 104}) + rigid(51, 3, {101, 104});
  const Translation run = translate(nodes(4) + dataset(2412, body));
  EXPECT_TRUE(run.host.error_lines().empty());
  std::vector<Row> expected;
  for (int i = 1; i <= 9; ++i) expected.push_back(row(i, 9, 1, 1, {1}));
  expected.push_back(spoke(5'000'002, 2, 1, 2));
  expected.push_back(spoke(5'000'003, 2, 1, 3));
  expected.push_back(spoke(5'000'004, 2, 1, 4));
  expected.push_back(spoke(5'000'005, 2, 1, 4));
  EXPECT_EQ(element_rows(run), expected);
  EXPECT_EQ(summary_counts(run.host)[2], 13);
}

TEST(RigidExpansion, NodeLinesFollowTheNodeCount) {
  // A line read too few is taken as the next header; one too many swallows it.
  for (const int count : {-1, 0, 1, 2, 8, 9, 16, 17, 32}) {
    SCOPED_TRACE(count);
    ScratchDirectory dir;
    std::vector<std::int64_t> labels;
    for (int i = 1; i <= count; ++i) labels.push_back(100 + i);
    // A count of 0 or below still has its one node line, from which nothing is taken.
    const std::string element =
        count > 0 ? rigid(50, 1, labels) : header(50, 122, 1, count) + column(101, 10) + "\n";
    const Translation run = translate(nodes(32) + dataset(2412, element + mass(77, 132)));
    EXPECT_TRUE(run.host.error_lines().empty());
    std::vector<Row> expected;
    for (int i = 2; i <= count; ++i) expected.push_back(spoke(5'000'000 + i, 1, 1, i));
    expected.push_back(row(77, 9, 1, 1, {32}));
    EXPECT_EQ(element_rows(run), expected);
  }
}

TEST(RigidExpansion, SpokeLabelsRunOnAcrossDatasets) {
  ScratchDirectory dir;
  const Translation run = translate(
      nodes(3) + dataset(2412, rigid(1, 1, {101, 102, 103})) +
      dataset(780, column(2, 10) + column(122, 10) + column(0, 10) + column(1, 10) +
                       std::string(30, ' ') + column(3, 10) + "\n" + node_lines({103, 101, 102})));
  EXPECT_TRUE(run.host.error_lines().empty());
  EXPECT_EQ(element_rows(run),
            (std::vector<Row>{spoke(5'000'002, 1, 1, 2), spoke(5'000'003, 1, 1, 3),
                              spoke(5'000'004, 1, 3, 1), spoke(5'000'005, 1, 3, 2)}));
}

TEST(RigidExpansion, FailuresKeepOnlyCompletedSpokes) {
  const struct {
    const char* name;
    std::string element;  // after 4 nodes (lines 1-7); its header is line 10
    std::vector<std::string> errors;
    std::vector<Row> rows;  // the next dataset's two-node rigid element last
    int parts;
  } cases[] = {
      // Refused on its header: its part (5) is registered, no row stays, no line is read.
      {"more_nodes_than_the_buffer",
       rigid(50, 5, std::vector<std::int64_t>(33, 101)),
       {"**ERROR : TOO MANY RIGID NODES" + column(10, 20)},
       {spoke(5'000'002, 2, 4, 3)},
       2},
      // The counter counts completed spokes only.
      {"third_node_missing",
       rigid(50, 1, {101, 102, 999, 104}),
       {"** ERROR !  NODE #    999 DOES NOT EXIST"},
       {spoke(5'000'002, 1, 1, 2), spoke(5'000'003, 1, 4, 3)},
       1},
      {"first_node_missing",
       rigid(50, 1, {999, 101, 102}),
       {"** ERROR !  NODE #    999 DOES NOT EXIST"},
       {spoke(5'000'002, 1, 4, 3)},
       1},
      // Each node line is checked as it is read.
      {"letter_on_the_first_of_two_lines",
       header(50, 122, 1, 10) + "       101         x\n" + node_lines({101, 102}),
       conversion_error(11),
       {spoke(5'000'002, 1, 4, 3)},
       1},
      {"letter_on_the_second_line",
       header(50, 122, 1, 10) + node_lines({101, 102, 103, 104, 101, 102, 103, 104}) +
           "       101         x\n",
       conversion_error(12),
       {spoke(5'000'002, 1, 4, 3)},
       1},
      // Fields past the node count are not labels.
      {"text_after_the_last_label",
       header(50, 122, 1, 2) + "       101       102         x\n",
       {},
       {spoke(5'000'002, 1, 1, 2), row(9, 9, 1, 1, {1}), spoke(5'000'003, 1, 4, 3)},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    const Translation run =
        translate(nodes(4) + delimiter() + "  2412\n" + c.element + mass(9, 101) + delimiter() +
                  dataset(2412, rigid(60, 1, {104, 103})));
    EXPECT_EQ(run.host.error_lines(), c.errors);
    EXPECT_EQ(element_rows(run), c.rows);
    EXPECT_EQ(summary_counts(run.host).at(0), c.parts);
  }
}

}  // namespace
}  // namespace vevadar::testing
