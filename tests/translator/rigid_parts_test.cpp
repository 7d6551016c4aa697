// Dataset 754 as whole runs: the elements made from each record, the "RBE2" parts, and the
// failures that leave no half-made element or part behind.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

using Rows = std::vector<std::vector<std::int32_t>>;

// Nodes labelled 101 to 120 (node index = label - 100), then element 500, a lumped mass of part
// id 1 on node 101: the largest part id is 1 and the largest element label 500. Lines 1-48.
std::string model_before() {
  std::string body;
  for (int label = 101; label <= 120; ++label) {
    body += column(label, 10) + column(1, 10) + column(1, 10) + column(11, 10) + "\n\n";
  }
  return dataset(2411, body) +
         dataset(2412, column(500, 10) + column(161, 10) + column(1, 10) + column(1, 10) +
                           column(7, 10) + column(1, 10) + "\n" + column(101, 10) + "\n");
}

// The second header line is never tested for the delimiter. A dataset left at its first header
// line sends the scan through the second, so only some tests give it a "-1".
// A record: independent node, count n, six flags given as digits, then the dependent labels
// eight to a line (one line of text when there are none).
std::string rigid(int independent, int n, std::string_view digits,
                  const std::vector<int>& dependents) {
  std::string out = column(independent, 10) + std::string(10, ' ') + column(n, 10);
  for (const char digit : digits) out += std::string(" ") + digit;
  out += "\n";
  if (dependents.empty()) return out + "no labels on this line\n";
  return out + label_lines({dependents.begin(), dependents.end()});
}

std::vector<int> labels(int first, int count) {
  std::vector<int> out;
  for (int i = 0; i < count; ++i) out.push_back(first + i);
  return out;
}

// An element record as element_rows gives it: label, type 2, part index, node count, slots 1-8.
std::vector<std::int32_t> element(std::int32_t label, std::int32_t part, std::int32_t count,
                                  std::initializer_list<std::int32_t> slots) {
  std::vector<std::int32_t> out{label, 2, part, count};
  out.insert(out.end(), slots);
  return out;
}

// The rigid elements: every element record but element 500's.
Rows rigid_rows(const Translation& run) {
  Rows rows = element_rows(run);
  if (!rows.empty()) rows.erase(rows.begin());
  return rows;
}

// After each record under test, a record of one dependent node (node 120, flags 4 5 6) shows
// that the list lines were counted right and which label comes next.
TEST(RigidPartElements, GroupsOfSixDependents) {
  struct Row {
    int n;
    std::string_view digits;
    Rows made;
  };
  const std::vector<Row> rows = {
      {0, "111111", {}},
      {6, "111111", {element(501, 2, 7, {1, 2, 3, 4, 5, 6, 7, 123456})}},
      {7,
       "100000",
       {element(501, 2, 7, {1, 2, 3, 4, 5, 6, 7, 1}),
        element(502, 2, 2, {1, 8, 0, 0, 0, 0, 0, 1})}},
      {8,
       "000111",
       {element(501, 2, 7, {1, 2, 3, 4, 5, 6, 7, 456}),
        element(502, 2, 3, {1, 8, 9, 0, 0, 0, 0, 456})}},
      {9,
       "010100",
       {element(501, 2, 7, {1, 2, 3, 4, 5, 6, 7, 24}),
        element(502, 2, 4, {1, 8, 9, 10, 0, 0, 0, 24})}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "n = " << row.n);
    ScratchDirectory dir;
    const Translation run = translate(
        model_before() + dataset(754, set_header(10, 1, kDelimiterLike) +
                                          rigid(101, row.n, row.digits, labels(102, row.n)) +
                                          rigid(101, 1, "000111", {120})));
    EXPECT_TRUE(run.host.error_lines().empty());
    Rows expected = row.made;
    const auto next = static_cast<std::int32_t>(501 + row.made.size());
    expected.push_back(element(next, 2, 2, {1, 20, 0, 0, 0, 0, 0, 456}));
    EXPECT_EQ(rigid_rows(run), expected);
    ASSERT_GE(run.records.size(), 4U);
    EXPECT_EQ(run.records[2], "P0000001RBE2    ");
    EXPECT_EQ(run.records[3], ints({1, 11}));
  }
}

TEST(RigidPartHeader, PartsMadeAndRefused) {
  const std::string one = rigid(101, 1, "111111", {102});
  struct Row {
    const char* name;
    std::string datasets;
    std::string names;
    std::string ids;
    std::vector<std::string> errors;
    Rows made;
  };
  const std::vector<Row> rows = {
      {"kind 2 is skipped whole",
       dataset(754, set_header(10, 2) + one) + dataset(754, set_header(10, 1) + one),
       "P0000001RBE2    ",
       ints({1, 11}),
       {},
       {element(501, 2, 2, {1, 2, 0, 0, 0, 0, 0, 123456})}},
      {"the same offset twice makes two parts with one id",
       dataset(754, set_header(10, 1) + one) + dataset(754, set_header(10, 1) + one),
       "P0000001RBE2    RBE2    ",
       ints({1, 11, 11}),
       {},
       {element(501, 2, 2, {1, 2, 0, 0, 0, 0, 0, 123456}),
        element(502, 3, 2, {1, 2, 0, 0, 0, 0, 0, 123456})}},
      {"part id 0 is accepted",
       dataset(754, set_header(-1, 1)),
       "P0000001RBE2    ",
       ints({1, 0}),
       {},
       {}},
      {"a negative part id is refused",
       dataset(754, set_header(-2, 1) + one) + dataset(754, set_header(5, 1) + one),
       "P0000001RBE2    ",
       ints({1, 6}),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 51), " RECORD=      51"},
       {element(501, 2, 2, {1, 2, 0, 0, 0, 0, 0, 123456})}},
      {"a part id that wraps below 0 is refused",
       dataset(754, set_header(2147483647, 1) + one),
       "P0000001",
       ints({1}),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 51), " RECORD=      51"},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDirectory dir;
    const Translation run = translate(model_before() + row.datasets);
    EXPECT_EQ(run.host.error_lines(), row.errors);
    ASSERT_GE(run.records.size(), 4U);
    EXPECT_EQ(run.records[2], row.names);
    EXPECT_EQ(run.records[3], row.ids);
    EXPECT_EQ(rigid_rows(run), row.made);
  }
}

// A failing record leaves no element of its own: a second dataset (part 3) shows the label that
// comes next. The first record line is line 53.
TEST(RigidPartErrors, FailingRecordsLeaveNoTrace) {
  struct Row {
    const char* name;
    std::string records;
    std::vector<std::string> errors;
    Rows made;
  };
  const std::vector<Row> rows = {
      {"missing dependent node in the second element",
       rigid(101, 7, "111111", {102, 103, 104, 105, 106, 107, 999}),
       {"** ERROR !  NODE #    999 DOES NOT EXIST"},
       {element(501, 2, 7, {1, 2, 3, 4, 5, 6, 7, 123456})}},
      {"missing independent node",
       rigid(998, 1, "111111", {102}),
       {"** ERROR !  NODE #    998 DOES NOT EXIST"},
       {}},
      {"more than 100 dependent nodes, refused before its list",
       rigid(101, 1, "100000", {102}) + rigid(101, 101, "111111", {}),
       {counter_line("**ERROR : TOO MANY RIGID NODES", 55)},
       {element(501, 2, 2, {1, 2, 0, 0, 0, 0, 0, 1})}},
      {"dependent label that does not convert",
       rigid(101, 9, "111111", labels(102, 8)) + "       abc\n",
       {counter_line("**ERROR : READ DATA ERROR", 55)},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScratchDirectory dir;
    const Translation run =
        translate(model_before() + dataset(754, set_header(10, 1, kDelimiterLike) + row.records) +
                  dataset(754, set_header(20, 1) + rigid(101, 1, "000111", {120})));
    EXPECT_EQ(run.host.error_lines(), row.errors);
    Rows expected = row.made;
    const auto next = static_cast<std::int32_t>(501 + row.made.size());
    expected.push_back(element(next, 3, 2, {1, 20, 0, 0, 0, 0, 0, 456}));
    EXPECT_EQ(rigid_rows(run), expected);
  }
}

TEST(RigidPartHeader, PartCapacityAfterTheSignTest) {
  std::string full;
  for (int i = 0; i < 1000; ++i) full += dataset(754, set_header(1, 1));
  struct Row {
    int offset;
    std::vector<std::string> errors;
  };
  // Each dataset is 5 lines: the 1001st header line is line 5003.
  const Row rows[] = {
      {1, {counter_line("**ERROR : TOO MANY PARTS", 5003)}},
      {-5, {counter_line("**ERROR : READ INTERNAL DATA ERROR", 5003), " RECORD=    5003"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.offset);
    ScratchDirectory dir;
    const Translation run = translate(full + dataset(754, set_header(row.offset, 1)));
    EXPECT_EQ(run.host.error_lines(), row.errors);
    ASSERT_GE(run.records.size(), 2U);
    EXPECT_EQ(run.records[1], ints({1000, 0}));
  }
}

}  // namespace
}  // namespace vevadar::testing
