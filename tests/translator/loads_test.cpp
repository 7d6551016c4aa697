// Nodal load datasets 782 and 790 as whole runs: model file records 8-16 byte for byte, record
// lengths by kind, the eleventh set, and what a failing record leaves stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

constexpr auto nodes = nodes_from_11;

// Record 16: node index, forces, moments.
std::string node_load(std::int32_t node, std::array<float, 6> values) {
  std::string out = le32(node);
  for (const float value : values) out += lef32(value);
  return out;
}

// Records 8-16 of a model of one node, no restraint and one load set (id 1, one dataset).
std::vector<std::string> one_set_tail(std::vector<std::string> node_loads) {
  std::vector<std::string> out{ints({1}), ints({1, 1, 1, 1}), ints({0, 1}),
                               ints({1}), ints({1}),          ints({1, 0})};
  out.insert(out.end(), node_loads.begin(), node_loads.end());
  return out;
}

std::string load782(int label, std::array<std::string_view, 6> values) {
  std::string out = column(label, 10) + "\n";
  for (const std::string_view value : values) out += right(value, 13);
  return out + "\n";
}

std::string line790(std::array<std::string_view, 3> values) {
  std::string out;
  for (const std::string_view value : values) out += right(value, 25);
  return out + "\n";
}

std::string load790(int label, std::array<std::string_view, 3> forces,
                    std::array<std::string_view, 3> moments) {
  return column(label, 10) + "\n" + line790(forces) + line790(moments) + "    -1 fourth line\n";
}

constexpr std::array<std::string_view, 6> kNines = {"9.0", "9.0", "9.0", "9.0", "9.0", "9.0"};
constexpr std::array<std::string_view, 3> kNines790 = {"9.0D+00", "9.0D+00", "9.0D+00"};

TEST(LoadModelFile, RestraintAndLoadRecordsByteForByte) {
  const std::string restraint = std::string(10, ' ') + " 1 0 0 0 0 0\n\n";
  const std::string unv =
      nodes(3) + dataset(755, set_header(1, 1) + column(11, 10) + restraint) +
      dataset(755, set_header(2, 1) + column(12, 10) + std::string(10, ' ') + " 0 0 0 0 0 1\n\n") +
      // Node 11 twice (the second record replaces all six values), node 12 with one non-zero
      // moment, node 13 with zeros of both signs.
      dataset(782, set_header(70, 1, kDelimiterLike) +
                       load782(11, {"1.0", "2.0", "3.0", "4.0", "5.0", "6.0"}) +
                       load782(11, {"0.0", "", "-7.5", "", "", ""}) +
                       load782(12, {"", "", "", "", "", "-2.50000E-01"}) +
                       load782(13, {"0.0", "-0.0", "", "-0.0", "0.0", ""})) +
      // 1.0000000596046448 lies just above the midpoint of 1 and the next single: as a double it
      // is that midpoint, which rounds to 1. Converted straight to single it would not.
      dataset(790, set_header(80, 1) +
                       load790(11, {"1.0000000596046448D+00", "1.0000000000000000D-01", "-3.0D+00"},
                               {"0.0D+00", "2.5D+00", "0.0D+00"})) +
      dataset(782, set_header(70, 2) + "1\n2\n3\n4\n5\n") + dataset(790, set_header(90, 5));
  ScratchDirectory dir;
  const Translation run = translate(unv);
  EXPECT_TRUE(run.host.error_lines().empty());
  EXPECT_EQ(set_records(run),
            (std::vector<std::string>{
                ints({3}), ints({1, 2, 3, 1, 1, 1, 1, 2, 3, 3}), ints({2, 3}), ints({1}),
                ints({1, 0, 0}), ints({0, 6, 0}), ints({3}), ints({70, 80, 90}), ints({2, 0}),
                node_load(1, {0, 0, -7.5F, 0, 0, 0}), node_load(2, {0, 0, 0, 0, 0, -0.25F}),
                ints({1, 0}), node_load(1, {1.0F, 0.1F, -3.0F, 0, 2.5F, 0}), ints({1, 0})}));
}

TEST(LoadModelFile, NoSetsWritesCountsOnly) {
  ScratchDirectory dir;
  const Translation run = translate(nodes(2));
  EXPECT_EQ(set_records(run), (std::vector<std::string>{ints({0}), ints({0, 2}), ints({0})}));
}

// Records of kinds other than 1 are stepped over: their further lines look like delimiters and
// end in a bad dataset number, so a reader that takes a wrong length either stops on a "-1" and
// sends the scanner into "BAD", or eats the closing delimiter and loses the dataset after it.
TEST(LoadSets, RecordLengthsByKind) {
  struct Row {
    int kind, length;
  };
  constexpr Row kRows[] = {{0, 1},  {2, 5},  {3, 5},  {4, 5},  {5, 19}, {6, 19}, {7, 3},
                           {8, 11}, {9, 11}, {10, 7}, {11, 7}, {12, 3}, {13, 3}, {14, 7},
                           {15, 3}, {16, 7}, {17, 9}, {18, 1}, {-5, 1}};
  for (const int number : {782, 790}) {
    for (const Row row : kRows) {
      SCOPED_TRACE(::testing::Message() << number << " kind " << row.kind);
      std::string record = column(11, 10) + "\n";
      for (int i = 2; i < row.length; ++i) record += "    -1\n";
      if (row.length >= 2) record += "BAD\n";
      ScratchDirectory dir;
      const Translation run = translate(
          nodes(1) + dataset(number, set_header(1, row.kind, kDelimiterLike) + record) +
          dataset(782, set_header(2, 1) + load782(11, {"1.0", "2.0", "3.0", "4.0", "5.0", "6.0"})));
      EXPECT_TRUE(run.host.error_lines().empty());
      EXPECT_EQ(set_records(run),
                (std::vector<std::string>{ints({2}), ints({1, 2, 1, 1, 1, 2, 2}), ints({0, 1}),
                                          ints({2}), ints({1, 2}), ints({1, 0}), ints({1, 0}),
                                          node_load(1, {1, 2, 3, 4, 5, 6})}));
    }
  }
}

TEST(LoadSets, EleventhSetIsRefusedAndKnownSetsStillCount) {
  std::string unv = nodes(1);
  for (int id = 101; id <= 111; ++id) {
    unv += dataset(782, set_header(id, 1) + load782(11, {"1.0", "", "", "", "", ""}));
  }
  unv += dataset(782, set_header(101, 1));
  ScratchDirectory dir;
  const Translation run = translate(unv);
  // Nodes: lines 1-5; ten datasets of 7 lines; the eleventh header's first line is line 78.
  EXPECT_EQ(run.host.error_lines(),
            std::vector<std::string>{counter_line("**ERROR : TOO MANY LOAD SETS", 78)});
  std::vector<std::string> expected{ints({10})};
  std::string numbering, ids;
  for (std::int32_t k = 1; k <= 10; ++k) numbering += le32(k);
  for (std::int32_t k = 1; k <= 10; ++k) numbering += le32(1);
  for (std::int32_t k = 1; k <= 10; ++k) numbering += le32(k);
  for (std::int32_t k = 1; k <= 10; ++k) ids += le32(100 + k);
  expected.insert(expected.end(), {numbering + le32(10), ints({0, 1}), ints({10}), ids});
  for (std::int32_t k = 1; k <= 10; ++k) {
    expected.insert(expected.end(), {ints({k == 1 ? 2 : 1, 0}), node_load(1, {1, 0, 0, 0, 0, 0})});
  }
  EXPECT_EQ(set_records(run), expected);
  // A later run with the same ten sets and no records finds every column of this run cleared.
  std::string unloaded = nodes(1);
  for (int id = 101; id <= 110; ++id) unloaded += dataset(782, set_header(id, 1));
  const Translation again = translate(unloaded);
  EXPECT_EQ(set_records(again).size(), 5U + 10U);  // the set records without node load records
}

TEST(LoadErrors, RoutesAndWhatStaysStored) {
  const std::string open782 = delimiter() + "   782\n" + set_header(1, 1) + column(11, 10) + "\n";
  const std::string open790 = delimiter() + "   790\n" + set_header(1, 1) + column(11, 10) + "\n";
  // Each body follows node 11 (lines 1-5).
  const std::vector<SetErrorCase> rows = {
      {"782 bad field keeps the fields before it",
       dataset(782, set_header(1, 1) + load782(11, kNines) +
                        load782(11, {"1.5", "2.5", "X", "1", "1", "1"})),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 13), " RECORD=      13"},
       one_set_tail({node_load(1, {1.5F, 2.5F, 9, 9, 9, 9})})},
      {"790 value beyond single precision stores none of its line",
       dataset(790, set_header(1, 1) + load790(11, kNines790, kNines790) +
                        load790(11, {"1.0D+00", "1.0D+39", "2.0D+00"}, kNines790)),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 15), " RECORD=      15"},
       one_set_tail({node_load(1, {9, 9, 9, 9, 9, 9})})},
      {"790 bad moment line keeps the forces",
       dataset(790, set_header(1, 1) + load790(11, kNines790, kNines790) +
                        load790(11, {"1.0D+00", "2.0D+00", "3.0D+00"}, {"", "1.0X", ""})),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 16), " RECORD=      16"},
       one_set_tail({node_load(1, {1, 2, 3, 9, 9, 9})})},
      {"790 third line at the end of input",
       open790 + line790({"1.0D+00", "2.0D+00", "3.0D+00"}),
       {counter_line("**ERROR : READ DATA ERROR", 11)},
       one_set_tail({node_load(1, {1, 2, 3, 0, 0, 0})})},
      {"790 fourth line at the end of input",
       open790 + line790({"1.0D+00", "2.0D+00", "3.0D+00"}) +
           line790({"4.0D+00", "5.0D+00", "6.0D+00"}),
       {counter_line("**ERROR : READ DATA ERROR", 12)},
       one_set_tail({node_load(1, {1, 2, 3, 4, 5, 6})})},
      {"782 second line at the end of input",
       open782,
       {"**ERROR : ENCOUNTER UNCOMPLETED DATASET"},
       {}},
      {"missing node looked up before the second line",
       delimiter() + "   782\n" + set_header(1, 1) + column(99, 10) + "\n",
       {"** ERROR !  NODE #     99 DOES NOT EXIST"},
       one_set_tail({})},
  };
  expect_set_error_cases(nodes(1), rows);
}

}  // namespace
}  // namespace vevadar::testing
