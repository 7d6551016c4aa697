// Element datasets 71, 780 and 2412: a byte-exact model, header layouts, parts and the running
// maxima, dropped elements, failures that leave no half-read row, progress lines, and the part
// and element capacities.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/test_support.h"

namespace vevadar::testing {
namespace {

using Row = std::vector<std::int32_t>;
constexpr auto header = element_header;
constexpr auto row = element_row;
constexpr auto labels = label_lines;

// An 80-column line with integers right-justified in the 10-column fields starting at the
// given columns.
std::string fields(std::initializer_list<std::pair<int, std::int64_t>> values) {
  std::string line(80, ' ');
  for (const auto& [first, value] : values) {
    line.replace(static_cast<std::size_t>(first - 1), 10, column(value, 10));
  }
  return line + "\n";
}

const std::string kBeamLine = "         0         1         1\n";

// Nodes 101 .. 100 + count in dataset 2411 at (i, 0.5, -2), node index i = label - 100.
std::string nodes(int count) {
  std::string body;
  for (int i = 1; i <= count; ++i) {
    const std::string x = std::to_string(i) + ".0D+00";
    body += column(100 + i, 10) + column(1, 10) + column(1, 10) + column(11, 10) + "\n" +
            std::string(25 - x.size(), ' ') + x + std::string(18, ' ') + "0.5D+00" +
            std::string(17, ' ') + "-2.0D+00\n";
  }
  return dataset(2411, body);
}

TEST(ElementModel, SmallModelIsWrittenByteForByte) {
  ScratchDirectory dir;
  const Translation run = translate(
      nodes(8) + dataset(2412, header(1, 91, 3, 3) + labels({101, 102, 103}) + header(2, 21, 3, 2) +
                                   kBeamLine + labels({104, 105}) + header(3, 115, 8, 8) +
                                   labels({101, 102, 103, 104, 105, 106, 107, 108}) +
                                   header(4, 92, 3, 6) + labels({108, 107, 106, 105, 104, 103})));
  EXPECT_TRUE(run.host.error_lines().empty());
  auto element = [](std::int32_t label, std::int32_t type, std::int32_t part, Row slots) {
    std::string out =
        le32(label) + le32(type) + le32(part) + le32(static_cast<std::int32_t>(slots.size()));
    slots.resize(11, 0);  // node slots 1-8, then three zeros
    for (std::int32_t slot : slots) out += le32(slot);
    return out;
  };
  std::vector<std::string> expected = {"VERSION 26", le32(2) + le32(8), "P0000003P0000008",
                                       le32(3) + le32(8)};
  for (int i = 1; i <= 8; ++i) {
    expected.push_back(le32(100 + i) + lef32(static_cast<float>(i)) + lef32(0.5F) + lef32(-2.0F) +
                       le32(0));
  }
  expected.push_back(element(1, 4, 1, {1, 2, 3}));
  expected.push_back(element(2, 1, 1, {4, 5}));
  expected.push_back(element(3, 5, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
  expected.push_back(element(4, 4, 1, {8, 7, 6, 5, 4, 3}));
  expected.push_back(std::string(60, '\0'));
  expected.push_back(le32(0));
  expected.push_back(le32(0) + le32(8));
  expected.push_back(le32(0));
  EXPECT_EQ(run.records, expected);
}

TEST(ElementHeader, FieldsComeFromTheirDatasetsColumns) {
  // Every other field holds a value that would show if it were read instead.
  const struct {
    std::string unv;
    Row element;
  } cases[] = {
      {dataset(
           780,
           fields({{1, 41}, {11, 91}, {21, 66}, {31, 5}, {41, 67}, {51, 68}, {61, 9}, {71, 3}}) +
               labels({103, 102, 101})),
       row(41, 4, 1, 3, {3, 2, 1})},
      {dataset(
           71,
           fields({{1, 42}, {11, 66}, {21, 161}, {31, 5}, {41, 67}, {51, 68}, {61, 1}, {71, 69}}) +
               labels({102})),
       row(42, 9, 1, 1, {2})},
      {dataset(
           2412,
           fields({{1, 43}, {11, 11}, {21, 5}, {31, 66}, {41, 67}, {51, 2}, {61, 68}, {71, 69}}) +
               kBeamLine + labels({103, 101, 102})),
       row(43, 12, 1, 2, {3, 1})},
  };
  for (const auto& c : cases) {
    ScratchDirectory dir;
    const Translation run = translate(nodes(3) + c.unv);
    EXPECT_TRUE(run.host.error_lines().empty()) << c.unv;
    EXPECT_EQ(element_rows(run), std::vector<Row>{c.element}) << c.unv;
    EXPECT_EQ(run.records.at(3), le32(5)) << c.unv;  // the part id is the property number
  }
}

TEST(ElementParts, InOrderOfFirstAppearanceNamedByTheLastSevenDigits) {
  ScratchDirectory dir;
  // The third header is dropped; its part exists already.
  const Translation run = translate(
      nodes(1) +
      dataset(2412, mass(1, 101, 7) + mass(2, 101, 3) + header(3, 44, 7, 0) + mass(4, 101, 5)) +
      dataset(780, fields({{1, 5}, {11, 161}, {31, 12345}, {71, 1}}) + labels({101}) +
                       fields({{1, 6}, {11, 161}, {31, 10000001}, {71, 1}}) + labels({101}) +
                       fields({{1, 7}, {11, 161}, {31, 0}, {71, 1}}) + labels({101})));
  ASSERT_GE(run.records.size(), 4U);
  EXPECT_EQ(run.records[2], "P0000007P0000003P0000005P0012345P0000001P0000000");
  EXPECT_EQ(run.records[3], le32(7) + le32(3) + le32(5) + le32(12345) + le32(10000001) + le32(0));
  std::vector<std::int32_t> part_indices;
  for (const Row& element : element_rows(run)) part_indices.push_back(element[2]);
  EXPECT_EQ(part_indices, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
}

TEST(ElementParts, LargestIdAndLabelCountEveryHeaderButNoSpoke) {
  // Seen through rigid element part datasets (754), which take their part id (offset 0) and
  // element labels from them. A dropped element, a rigid element and an element that fails on
  // its node each raise the largest label; the failing element's part stays.
  const std::string rbe2 =
      dataset(754, "         0         1\nsecond header line\n" + column(101, 10) +
                       std::string(10, ' ') + column(1, 10) + " 1 1 1 0 0 0\n" + labels({102}));
  ScratchDirectory dir;
  const Translation run = translate(
      nodes(3) + dataset(2412, mass(40, 101, 7) + mass(10, 101, 3) + header(90, 44, 7, 0)) + rbe2 +
      dataset(2412, header(120, 122, 3, 2) + labels({101, 102})) + rbe2 +
      dataset(2412, header(150, 161, 9, 1) + labels({999})) + rbe2);
  EXPECT_EQ(run.host.error_lines(),
            (std::vector<std::string>{"WARNING: ELEMENT TYPE 044 CANNOT BE CREATED IN VELM",
                                      "** ERROR !  NODE #    999 DOES NOT EXIST"}));
  EXPECT_EQ(run.records.at(3), le32(7) + le32(3) + le32(7) + le32(7) + le32(9) + le32(9));
  std::vector<std::int32_t> element_labels;
  for (const Row& element : element_rows(run)) element_labels.push_back(element[0]);
  EXPECT_EQ(element_labels, (std::vector<std::int32_t>{40, 10, 91, 5'000'002, 121, 151}));
}

TEST(ElementDrop, WarnsAndSkipsExactlyTheElementsLines) {
  const struct {
    std::int32_t descriptor;
    std::int32_t node_count;
    int lines_skipped;
    const char* digits;
  } cases[] = {
      {44, 4, 1, "044"},
      {44, 9, 2, "044"},
      {44, 16, 2, "044"},
      {44, 17, 3, "044"},
      {44, 0, 0, "044"},
      {44, -3, 0, "044"},
      {7, 1, 1, "007"},
      {-5, 1, 1, "***"},
      {1000, 1, 1, "***"},
      // Beam descriptors outside the map carry their beam line too.
      {24, 2, 2, "024"},
      {23, 0, 1, "023"},
      {31, 9, 3, "031"},
      {32, 3, 2, "032"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.descriptor) + " with " + std::to_string(c.node_count));
    ScratchDirectory dir;
    // A skipped line read as a header fails to convert; a line too many swallows element 2.
    std::string body = header(1, c.descriptor, 4, c.node_count);
    for (int i = 0; i < c.lines_skipped; ++i) body += "not a header line\n";
    const Translation run = translate(nodes(1) + dataset(2412, body + mass(2, 101)));
    const std::string warning =
        std::string("WARNING: ELEMENT TYPE ") + c.digits + " CANNOT BE CREATED IN VELM";
    EXPECT_EQ(run.host.error_lines(), std::vector<std::string>{warning});
    EXPECT_EQ(run.message_file.substr(0, warning.size() + 2), warning + "\r\n");
    // The dropped element's part (4) is registered all the same.
    EXPECT_EQ(element_rows(run), std::vector<Row>{row(2, 9, 2, 1, {1})});
  }
}

TEST(ElementFailures, ReportedAndLeaveNoHalfReadRow) {
  const struct {
    const char* name;
    std::string element;  // the failing element; its header is line 14
    std::vector<std::string> errors;
    int parts;
  } cases[] = {
      {"beam_with_three_nodes", header(2, 22, 1, 3) + kBeamLine + labels({101, 102, 103}),
       conversion_error(16), 1},
      {"solid_with_nine_nodes",
       header(2, 115, 1, 9) + labels({101, 102, 103, 101, 102, 103, 101, 102}) + labels({103}),
       conversion_error(15), 1},
      {"letter_in_connectivity", header(2, 91, 1, 3) + "       101       102         x\n",
       conversion_error(15), 1},
      // The part is registered before the label and descriptor are read.
      {"letter_in_descriptor", column(2, 10) + "       9x1" + column(6, 10) + "\n",
       conversion_error(14), 2},
      {"negative_property", header(2, 161, -2, 1) + labels({101}), conversion_error(14), 1},
      {"letter_in_columns_61_70", header(2, 161, 6, 1).substr(0, 60) + "         z\n",
       conversion_error(14), 2},
      // The third label is blank and reads as 0.
      {"label_zero",
       header(2, 91, 1, 3) + labels({101, 102}),
       {"** ERROR !  NODE #      0 DOES NOT EXIST"},
       1},
      {"label_above_every_node",
       header(2, 91, 1, 3) + labels({101, 999, 102}),
       {"** ERROR !  NODE #    999 DOES NOT EXIST"},
       1},
      // Record 100 lies inside the node index file but no node wrote it.
      {"label_between_nodes",
       header(2, 94, 1, 4) + labels({101, 102, 103, 100}),
       {"** ERROR !  NODE #    100 DOES NOT EXIST"},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    // Element 3 after the failing one is skipped; element 9 of the next dataset takes row 2.
    const Translation run =
        translate(nodes(3) + delimiter() + "  2412\n" + mass(1, 101) + c.element + mass(3, 101) +
                  delimiter() + dataset(2412, mass(9, 102)));
    EXPECT_EQ(run.host.error_lines(), c.errors);
    EXPECT_EQ(element_rows(run), (std::vector<Row>{row(1, 9, 1, 1, {1}), row(9, 9, 1, 1, {2})}));
    EXPECT_EQ(summary_counts(run.host).at(0), c.parts);
  }
}

TEST(ElementProgress, OnlyAnElementThatReachesItsLookupsReportsRow1000) {
  const struct {
    const char* name;
    int before;  // mass elements ahead of `last`
    std::string last;
    bool progress;
  } cases[] = {
      {"thousandth_element", 999, mass(5000, 101), true},
      {"dropped_at_1000", 999, header(5000, 44, 1, 1) + labels({101}), false},
      {"spokes_in_999_and_1000", 998, header(5000, 122, 1, 3) + labels({101, 102, 103}), false},
      // A rigid element without spokes gives its row back to the next element.
      {"after_a_rigid_element_without_spokes", 999,
       header(5000, 122, 1, 1) + labels({101}) + mass(5001, 101), true},
  };
  for (const auto& c : cases) {
    ScratchDirectory dir;
    std::string body;
    for (int i = 1; i <= c.before; ++i) body += mass(i, 101);
    const Translation run = translate(nodes(3) + dataset(2412, body + c.last));
    EXPECT_EQ(information_before_summary(run),
              c.progress ? std::vector<std::string>{"    1000 ELEMENTS PROCESSED"}
                         : std::vector<std::string>{})
        << c.name;
  }
}

TEST(ElementCapacity, TheThousandAndFirstPartIsRefusedWithItsElement) {
  if (modelfile::kMaxElements < 1002) GTEST_SKIP() << "needs 1,002 element rows";
  ScratchDirectory dir;
  std::string body;
  for (int i = 1; i <= 1001; ++i) body += mass(i, 101, i);
  // Line 8 + 2 * 1000 holds the refused header; element 1002 is skipped; the next dataset's
  // element uses an existing part.
  const Translation run = translate(nodes(1) + dataset(2412, body + mass(1002, 101, 1)) +
                                    dataset(2412, mass(2000, 101, 7)));
  EXPECT_EQ(run.host.error_lines(),
            std::vector<std::string>{"**ERROR : TOO MANY PARTS" + column(2008, 20)});
  EXPECT_EQ(summary_counts(run.host), (std::vector<std::int32_t>{1000, 1, 1001, 0, 0}));
  EXPECT_EQ(element_rows(run).back(), row(2000, 9, 7, 1, {1}));
}

TEST(ElementCapacity, NoRowPastTheLastOneForElementsOrSpokes) {
  ScratchDirectory dir;
  constexpr int e = modelfile::kMaxElements;  // 125,000 unless the build chose otherwise
  std::string body;
  for (int i = 1; i <= e - 1; ++i) body += mass(i, 101);
  // The rigid element's first spoke takes row e; its second is refused after the node line
  // (line 12 + 2 * (e - 1) + 1). A later header is refused before its new part is registered.
  const Translation run = translate(
      nodes(3) + dataset(2412, body + header(e + 75'000, 122, 1, 3) + labels({101, 102, 103})) +
      dataset(2412, mass(e + 175'000, 101, 77)));
  EXPECT_EQ(run.host.error_lines(),
            (std::vector<std::string>{"**ERROR : TOO MANY ELEMENTS" + column(2 * e + 11, 20),
                                      "**ERROR : TOO MANY ELEMENTS" + column(2 * e + 15, 20)}));
  EXPECT_EQ(summary_counts(run.host), (std::vector<std::int32_t>{1, 3, e, 0, 0}));
  EXPECT_EQ(element_rows(run).back(), row(5'000'002, 2, 1, 2, {1, 2}));
}

}  // namespace
}  // namespace vevadar::testing
