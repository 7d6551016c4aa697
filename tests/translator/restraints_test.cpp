// Restraint datasets 214, 755 and 791 as whole runs: the codes and the columns they land in, set
// registration, record lengths by kind, the eleventh set, and the error routes.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

constexpr auto nodes = nodes_from_11;

// Records 8-13 of a model with node count `n`, restraint columns `columns` and no load set.
std::vector<std::string> restraint_tail(std::int32_t n, std::vector<std::string> columns) {
  const auto s = static_cast<std::int32_t>(columns.size());
  std::vector<std::string> out{le32(s)};
  if (s > 0) {
    std::string numbering;
    for (std::int32_t k = 1; k <= s; ++k) numbering += le32(k);
    for (std::int32_t k = 1; k <= s; ++k) numbering += le32(1);
    for (std::int32_t k = 1; k <= s; ++k) numbering += le32(k);
    out.push_back(numbering + le32(s));
  }
  out.push_back(ints({s, n}));
  if (s > 0) out.push_back(le32(1));
  out.insert(out.end(), columns.begin(), columns.end());
  out.push_back(le32(0));
  return out;
}

// Six flags given as digits, each right-justified in `width` columns.
std::string flags(std::string_view digits, int width) {
  std::string out;
  for (const char digit : digits)
    out += std::string(static_cast<std::size_t>(width - 1), ' ') + digit;
  return out;
}

std::string line214(int label, std::string_view digits) {
  return column(label, 10) + flags(digits, 10) + "\n";
}

// A record whose first line holds a kind-1 restraint, then `length` - 1 further lines that look
// like delimiters, the last one like a bad dataset number: a reader that takes the wrong number
// of lines either ends on a "-1" and sends the scanner into "BAD", or eats the closing delimiter.
std::string record(int label, std::string_view digits, int length) {
  std::string out = column(label, 10) + std::string(10, ' ') + flags(digits, 2) + "\n";
  for (int i = 2; i < length; ++i) out += "    -1\n";
  if (length >= 2) out += "BAD\n";
  return out;
}

TEST(RestraintCodes, FromFlagsInEachDatasetLayout) {
  // Node 11 is listed twice: the last code replaces the first.
  const std::vector<std::pair<std::string_view, std::int32_t>> rows = {
      {"001000", 3}, {"000111", 456}, {"100000", 1}, {"000000", 0}, {"111111", 123456}};
  const int labels[] = {11, 12, 13, 14, 11};
  for (const int number : {214, 755, 791}) {
    SCOPED_TRACE(number);
    std::string body = number == 214 ? "" : set_header(4, 1, kDelimiterLike);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      body += number == 214 ? line214(labels[i], rows[i].first)
                            : record(labels[i], rows[i].first, number == 755 ? 2 : 4);
    }
    ScratchDirectory dir;
    const Translation run = translate(nodes(4) + dataset(number, body));
    EXPECT_TRUE(run.host.error_lines().empty());
    EXPECT_EQ(set_records(run), restraint_tail(4, {ints({123456, 456, 1, 0})}));
  }
}

TEST(RestraintList, SetsTheSetCountToOneOnlyForAPositiveFlag) {
  struct Row {
    int sets_before;
    std::string_view digits;
    std::int32_t count;
  };
  for (const Row row : {Row{0, "000000", 0}, Row{3, "000000", 3}, Row{3, "000001", 1}}) {
    SCOPED_TRACE(::testing::Message() << row.sets_before << " " << row.digits);
    std::string unv = nodes(1);
    for (int id = 1; id <= row.sets_before; ++id) {
      unv += dataset(755, set_header(id, 1) + record(11, "100000", 2));
    }
    ScratchDirectory dir;
    const Translation run = translate(unv + dataset(214, line214(11, row.digits)));
    const std::vector<std::string> tail = set_records(run);
    ASSERT_GE(tail.size(), 3U);
    EXPECT_EQ(tail[row.count > 0 ? 2 : 1], ints({row.count, 1}));
  }
}

TEST(RestraintSets, SharedIdsShareAColumnAndNewIdsTakeTheNext) {
  ScratchDirectory dir;
  const Translation run =
      translate(nodes(3) + dataset(755, set_header(7, 1) + record(11, "100000", 2)) +
                dataset(755, set_header(9, 1) + record(12, "010000", 2)) +
                dataset(755, set_header(7, 1) + record(13, "001000", 2)) +
                dataset(791, set_header(5, 1) + record(11, "111111", 4)));
  EXPECT_TRUE(run.host.error_lines().empty());
  EXPECT_EQ(set_records(run),
            (std::vector<std::string>{ints({3}), ints({1, 2, 3, 1, 1, 1, 1, 2, 3, 3}), ints({3, 3}),
                                      ints({1}), ints({1, 0, 3}), ints({0, 2, 0}),
                                      ints({123456, 0, 0}), ints({0})}));
  // A later run with the same sets and no records finds every column of the earlier run cleared.
  const Translation again =
      translate(nodes(3) + dataset(755, set_header(7, 1)) + dataset(755, set_header(9, 1)) +
                dataset(791, set_header(5, 1)));
  const std::vector<std::string> records = set_records(again);
  ASSERT_EQ(records.size(), 8U);
  EXPECT_EQ(std::vector(records.begin() + 4, records.begin() + 7),
            std::vector<std::string>(3, ints({0, 0, 0})));
}

// Every kind registers its set; only kind 1 stores. A second dataset after it must still be read.
TEST(RestraintSets, RecordLengthsByKind) {
  struct Row {
    int number, kind, length;  // length 0: a dataset of its two header lines alone
  };
  for (const Row row : {Row{755, 1, 2}, Row{791, 1, 4}, Row{755, 2, 2}, Row{791, 2, 4},
                        Row{755, 3, 1}, Row{791, 0, 1}, Row{791, -1, 1}, Row{755, 1, 0}}) {
    SCOPED_TRACE(::testing::Message() << row.number << " kind " << row.kind);
    const std::string first = set_header(1, row.kind, kDelimiterLike) +
                              (row.length > 0 ? record(11, "111000", row.length) : "");
    ScratchDirectory dir;
    const Translation run = translate(nodes(2) + dataset(row.number, first) +
                                      dataset(755, set_header(2, 1) + record(12, "000111", 2)));
    EXPECT_TRUE(run.host.error_lines().empty());
    const std::int32_t code = row.kind == 1 && row.length > 0 ? 123 : 0;
    EXPECT_EQ(set_records(run), restraint_tail(2, {ints({code, 0}), ints({0, 456})}));
  }
}

TEST(RestraintSets, EleventhSetIsRefusedAndLaterKnownSetsStillRead) {
  std::string unv = nodes(2);
  for (int id = 101; id <= 111; ++id)
    unv += dataset(755, set_header(id, 1) + record(11, "100000", 2));
  unv += dataset(755, set_header(103, 1) + record(12, "010000", 2));
  ScratchDirectory dir;
  const Translation run = translate(unv);
  // Nodes: lines 1-7; ten datasets of 7 lines; the eleventh header's first line is line 80.
  EXPECT_EQ(run.host.error_lines(),
            std::vector<std::string>{counter_line("**ERROR : TOO MANY RESTRAINT SETS", 80)});
  std::vector<std::string> columns(10, ints({1, 0}));
  columns[2] = ints({1, 2});
  EXPECT_EQ(set_records(run), restraint_tail(2, columns));
}

TEST(RestraintErrors, RoutesAndWhatStaysStored) {
  const std::string open755 = delimiter() + "   755\n" + set_header(1, 1);
  const std::string open791 = delimiter() + "   791\n" + set_header(1, 1);
  // Each body follows nodes 11, 12, 13 (lines 1-9).
  const std::vector<SetErrorCase> rows = {
      {"missing node in a set",
       dataset(755, set_header(1, 1) + record(11, "100000", 2) + record(99, "100000", 2) +
                        record(12, "100000", 2)),
       {"** ERROR !  NODE #     99 DOES NOT EXIST"},
       restraint_tail(3, {ints({1, 0, 0})})},
      {"missing node in a list",
       dataset(214, line214(11, "100000") + line214(0, "100000")),
       {"** ERROR !  NODE #      0 DOES NOT EXIST"},
       restraint_tail(3, {ints({1, 0, 0})})},
      {"flag that does not convert",
       dataset(755, set_header(1, 1) + record(11, "100000", 2) + "        12           1 X\nx\n"),
       {counter_line("**ERROR : READ INTERNAL DATA ERROR", 16), " RECORD=      16"},
       restraint_tail(3, {ints({1, 0, 0})})},
      {"791 third line at the end of input",
       open791 + record(11, "100000", 2),
       {counter_line("**ERROR : READ DATA ERROR", 15)},
       restraint_tail(3, {ints({1, 0, 0})})},
      {"755 second line at the end of input",
       open755 + record(11, "100000", 1),
       {"**ERROR : ENCOUNTER UNCOMPLETED DATASET"},
       {}},
      {"missing node looked up before the second line",
       open755 + record(99, "100000", 1),
       {"** ERROR !  NODE #     99 DOES NOT EXIST"},
       restraint_tail(3, {ints({0, 0, 0})})},
  };
  expect_set_error_cases(nodes(3), rows);
}

}  // namespace
}  // namespace vevadar::testing
