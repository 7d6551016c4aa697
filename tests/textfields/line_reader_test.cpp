#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "textfields/textfields.h"

namespace vevadar::textfields {
namespace {

using Outcome = LineReader::Outcome;
using vevadar::testing::ScriptedSource;

struct Expected {
  Outcome outcome;
  std::string text;  // kLine only: the line before its blank padding
  std::int32_t counter;
};

void expect_steps(LineReader& reader, const std::vector<Expected>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "step " << i);
    const Expected& step = steps[i];
    ASSERT_EQ(reader.next(), step.outcome);
    EXPECT_EQ(reader.line_counter(), step.counter);
    if (step.outcome == Outcome::kLine) {
      std::string padded = step.text;
      padded.resize(kLineWidth, ' ');
      EXPECT_EQ(reader.line(), padded);
    }
  }
}

// Every text is read whole, one byte a read, in small pieces and in one piece: line ends, cut
// points and skipped rests may fall on any read boundary.
TEST(LineReader, TextsInPiecesOfAnySize) {
  const std::string hundred = [] {
    std::string s;
    for (int i = 0; i < 100; ++i) s += static_cast<char>('A' + i % 26);
    return s;
  }();
  const std::string binary("\t1\0\x80\xff|\x7f", 7);
  struct Row {
    std::string input;
    std::vector<std::string> lines;
    LineReader::TabLines tabs = {};  // lines with a tab among their 80 columns
  };
  const Row rows[] = {
      {"", {}},
      {"abc", {"abc"}},
      {"\n", {""}},
      {"\n\n", {"", ""}},
      {"AB\rCD\nEF\r\n\r\nG", {"AB", "EF", "", "G"}},
      {"L1\r", {"L1"}},
      {hundred + "\nX\n", {hundred.substr(0, 80), "X"}},
      {hundred.substr(0, 80) + "\nY", {hundred.substr(0, 80), "Y"}},
      {hundred.substr(0, 81) + "\r\n", {hundred.substr(0, 80)}},
      {hundred.substr(0, 85) + "\rZZ\nW\n", {hundred.substr(0, 80), "W"}},
      {binary + "\n" + binary, {binary, binary}, {2, 1}},
      {hundred + "\t\nA\tB\r\t\n", {hundred.substr(0, 80), "A\tB"}, {1, 2}},
      {"AB\r\n" + hundred.substr(0, 80) + "\r\n\r\r\n" + hundred + "\n",
       {"AB", hundred.substr(0, 80), "", hundred.substr(0, 80)}},
  };
  for (const std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 20}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(::testing::Message() << "chunk " << chunk << ", input \"" << row.input << "\"");
      ScriptedSource source({{row.input}}, chunk);
      auto reader = std::make_unique<LineReader>(source);
      std::vector<Expected> steps;
      std::int32_t counter = 0;
      for (const std::string& line : row.lines) steps.push_back({Outcome::kLine, line, ++counter});
      steps.push_back({Outcome::kEnd, "", counter});
      steps.push_back({Outcome::kEnd, "", counter});
      expect_steps(*reader, steps);
      const LineReader::TabLines tabs = reader->take_tab_lines();
      EXPECT_EQ(tabs.lines, row.tabs.lines);
      EXPECT_EQ(tabs.first_line, row.tabs.first_line);
    }
  }
}

TEST(LineReader, LongLinesAcrossBufferRefills) {
  // A line longer than the whole 64 KiB buffer, then a line whose first 80 columns and whose
  // skipped rest both straddle the buffer's end, then a short line.
  std::string input(70000, 'a');
  input += '\n';
  input.resize(2 * 65536 - 40, 'b');
  input += '\n';
  const std::size_t straddling = input.size();
  for (int i = 0; i < 200; ++i) input += static_cast<char>('A' + i % 26);
  input += "\nC";
  ASSERT_LT(straddling, 2U * 65536);
  ASSERT_GT(straddling + 80, 2U * 65536);

  ScriptedSource source({{input}});
  auto reader = std::make_unique<LineReader>(source);
  expect_steps(*reader, {{Outcome::kLine, std::string(80, 'a'), 1},
                         {Outcome::kLine, std::string(80, 'b'), 2},
                         {Outcome::kLine, input.substr(straddling, 80), 3},
                         {Outcome::kLine, "C", 4},
                         {Outcome::kEnd, "", 4}});
}

// A failure consumes the line in progress (up to its line feed) and does not count it. A failed
// read that delivers bytes counts as the bytes, then the failure; two failures in a row that
// deliver nothing end the input.
TEST(LineReader, ReadFailures) {
  constexpr Outcome kLine = Outcome::kLine;
  constexpr Outcome kFailure = Outcome::kFailure;
  constexpr Outcome kEnd = Outcome::kEnd;
  struct Row {
    const char* what;
    std::vector<ScriptedSource::Step> script;
    std::vector<Expected> steps;
  };
  const Row rows[] = {
      {"failure inside a line",
       {{"L1\nHAL"}, {"", true}, {"F\nL2\n"}},
       {{kLine, "L1", 1}, {kFailure, "", 1}, {kLine, "L2", 2}, {kEnd, "", 2}}},
      {"failed reads with bytes",
       {{"L1\nPART", true}, {"REST\nL2\n", true}, {"L3\nL4\n"}},
       {{kLine, "L1", 1},
        {kFailure, "", 1},
        {kLine, "L2", 2},
        {kFailure, "", 2},
        {kLine, "L4", 3},
        {kEnd, "", 3}}},
      {"failures with bytes between them",
       {{"", true}, {"x\n"}, {"", true}, {"y\nL3"}},
       {{kFailure, "", 0}, {kFailure, "", 0}, {kLine, "L3", 1}, {kEnd, "", 1}}},
      {"two failures in a row",
       {{"L1\n"}, {"", true}, {"", true}, {"L2\nL3\n"}},
       {{kLine, "L1", 1}, {kFailure, "", 1}, {kEnd, "", 1}, {kEnd, "", 1}}},
      {"failure then end", {{"", true}}, {{kFailure, "", 0}, {kEnd, "", 0}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ScriptedSource source(row.script);
    auto reader = std::make_unique<LineReader>(source);
    expect_steps(*reader, row.steps);
    const int reads = source.reads;
    EXPECT_EQ(reader->next(), kEnd);
    EXPECT_EQ(source.reads, reads);  // an ended input is not read again
  }
}

TEST(LineReader, ColumnsAndDelimiter) {
  ScriptedSource source({{"    -1 rest\n   -1\nABCD-1"}});
  auto reader = std::make_unique<LineReader>(source);
  ASSERT_EQ(reader->next(), Outcome::kLine);
  EXPECT_TRUE(reader->is_delimiter());
  EXPECT_EQ(reader->columns(5, 2), "-1");
  EXPECT_EQ(reader->columns(1, 6), "    -1");
  EXPECT_EQ(reader->columns(8, 4), "rest");
  EXPECT_EQ(reader->columns(75, 10).size(), 6U);
  EXPECT_EQ(reader->columns(80, 1), " ");
  EXPECT_TRUE(reader->columns(81, 5).empty());
  ASSERT_EQ(reader->next(), Outcome::kLine);
  EXPECT_FALSE(reader->is_delimiter());
  ASSERT_EQ(reader->next(), Outcome::kLine);
  EXPECT_TRUE(reader->is_delimiter());
}

// Lines of labels as written, blanks and now and then another field, cut at any length and read
// whole or in pieces: the fields taken at once are each field's own value, and are taken whenever
// all eight fields have the labels' shape.
TEST(LineReader, LabelFieldsAtOnceAreEachFieldsValue) {
  std::mt19937_64 random(7);
  std::string text;
  for (int n = 0; n < 400; ++n) {
    std::string line;
    for (int k = 0; k < 8; ++k) {
      const auto kind = random() % 12;
      const std::string field = kind == 0   ? std::string(10, ' ')
                                : kind == 1 ? "  -" + std::to_string(random() % 1000)
                                            : std::to_string(random() % 100000000);
      line += std::string(10 - std::min<std::size_t>(field.size(), 10), ' ') + field;
    }
    line.resize(random() % 81);
    text += line + (n % 5 == 0 ? "\r\n" : "\n");
  }
  for (const std::size_t chunk : {std::size_t{7}, std::numeric_limits<std::size_t>::max()}) {
    ScriptedSource source({{text}}, chunk);
    auto reader = std::make_unique<LineReader>(source);
    while (reader->next() == Outcome::kLine) {
      std::int32_t each[8] = {};
      bool all = true;
      for (int k = 0; k < 8; ++k) {
        const auto field = parse_integer(reader->columns(10 * k + 1, 10));
        each[k] = field.value;
        all = all && internal::ten_columns_unsigned(&reader->line()[10 * k], each[k]);
      }
      for (std::size_t count = 0; count <= 8; ++count) {
        std::int32_t together[8] = {};
        const bool taken = reader->label_fields(std::span(together, count));
        EXPECT_TRUE(taken || !all) << count << " fields of \"" << reader->line() << "\"";
        for (std::size_t k = 0; taken && k < count; ++k) {
          EXPECT_EQ(together[k], each[k]) << count << " fields of \"" << reader->line() << "\"";
        }
      }
    }
  }
}

}  // namespace
}  // namespace vevadar::textfields
