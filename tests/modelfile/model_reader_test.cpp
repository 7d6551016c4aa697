// read_model: what write_model wrote reads back into the same tables; every way a file departs
// from the record sequence is one problem naming the offset, the record and what was expected.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "modelfile/modelfile.h"
#include "support/test_support.h"

namespace vevadar::modelfile {
namespace {

using namespace vevadar::testing;
using Records = std::vector<std::string>;

// Two parts, three nodes, two elements, one restraint set, two load sets: 21 records.
std::string written_model() {
  auto model = std::make_unique<Model>();
  model->part_count = 2;
  model->parts[0] = {5, {'P', '0', '0', '0', '0', '0', '0', '5'}};
  model->parts[1] = {9, {'P', '0', '0', '0', '0', '0', '0', '9'}};
  model->node_count = 3;
  model->nodes[0] = {10, 0.0f, 0.0f, 0.0f};
  model->nodes[1] = {20, 1.0f, -0.0f, 0.0f};
  model->nodes[2] = {30, 0.0f, 1.0f, 1e-30f};
  model->element_count = 2;
  model->elements[0] = {1, 1, {1, 2, 0, 0, 0, 0, 0, 0}, 2, 1};
  model->elements[1] = {2, 2, {1, 2, 3, 0, 0, 0, 0, 0}, 3, 4};
  model->restraint_set_count = 1;
  model->restraint[0][0] = 123456;
  model->load_set_count = 2;
  model->load_set_ids[0] = 7;
  model->load_set_ids[1] = 8;
  model->load_set_dataset_count[0] = 1;
  model->load_set_dataset_count[1] = 2;
  model->loads[0][1] = {{0.0f, 0.0f, -1000.0f}, {0.0f, 0.0f, 0.0f}};
  model->loads[1][2] = {{0.0f, 0.0f, 0.0f}, {0.0f, 25.5f, 0.0f}};
  return write_model_file(*model);
}

std::string framed(const Records& records) {
  recordfiles::SequentialRecordFile file;
  EXPECT_TRUE(file.open("framed.bin"));
  for (const std::string& record : records) {
    file.begin_record();
    file.add(record.data(), record.size());
    file.end_record();
  }
  EXPECT_TRUE(file.close_keep());
  return read_file("framed.bin");
}

std::string problem_of(const std::string& bytes) {
  ModelVisitor nothing;
  const ModelReadResult result = read_model(bytes, nothing);
  return result.ok ? "(read without a problem)" : result.problem;
}

// Integer `index` of a payload replaced.
void put(std::string& payload, std::size_t index, std::int32_t value) {
  payload.replace(index * 4, 4, le32(value));
}

TEST(ModelReader, ReadsBackWhatTheWriterWrote) {
  ScratchDirectory scratch;
  const std::unique_ptr<Model> model = new_model();
  const ModelReadResult result = load_model(written_model(), *model);
  ASSERT_TRUE(result.ok) << result.problem;
  EXPECT_EQ(model->part_count, 2);
  EXPECT_EQ(model->parts[1].id, 9);
  EXPECT_EQ(model->node_count, 3);
  EXPECT_EQ(model->nodes[2].label, 30);
  EXPECT_EQ(model->nodes[2].z, 1e-30f);
  EXPECT_TRUE(std::signbit(model->nodes[1].y));
  EXPECT_EQ(model->element_count, 2);
  EXPECT_EQ(model->elements[1].nodes[2], 3);
  EXPECT_EQ(model->elements[1].type, 4);
  EXPECT_EQ(model->restraint_set_count, 1);
  EXPECT_EQ(model->restraint[0][0], 123456);
  EXPECT_EQ(model->load_set_count, 2);
  EXPECT_EQ(model->load_set_ids[1], 8);
  EXPECT_EQ(model->load_set_dataset_count[1], 2);
  EXPECT_EQ(model->loads[0][1].force[2], -1000.0f);
  EXPECT_EQ(model->loads[1][2].moment[1], 25.5f);
  EXPECT_EQ(model->loads[1][1].moment[1], 0.0f);
}

TEST(ModelReader, EveryCutIsOneProblemWithItsOffset) {
  ScratchDirectory scratch;
  const std::string bytes = written_model();
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    const std::string problem = problem_of(bytes.substr(0, size));
    EXPECT_EQ(problem.rfind("offset ", 0), 0U) << size << ": " << problem;
  }
  EXPECT_EQ(problem_of(bytes.substr(0, bytes.size() - 1)),
            "offset " + std::to_string(bytes.size() - 1) +
                ", record 22: a node load record of set 2 or the end marker 0x82 expected, file "
                "ends");
}

TEST(ModelReader, BrokenModels) {
  ScratchDirectory scratch;
  const Records good = model_payloads(written_model()).value();
  ASSERT_EQ(good.size(), 21U);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    std::function<void(Records&)> change;
    std::string problem;  // the end of the message
  } cases[] = {
      {"header text", [](Records& r) { r[0] = "VERSION 27"; },
       "record 1: header text \"VERSION 26\" expected, found \"VERSION 27\""},
      {"header text not printable",
       [](Records& r) {
         r[0] = std::string(
             "VER\x1b[2J\n\0"
             "6",
             10);
       },
       "found \"VER\\x1b[2J\\n\\x006\""},
      {"more nodes counted than written", [](Records& r) { put(r[1], 1, 4); },
       "record 8: node record 4 of 4 (20 bytes) expected, found a record of 60 bytes"},
      {"more parts counted than named", [](Records& r) { put(r[1], 0, 3); },
       "record 3: part names record of 3 parts (24 bytes) expected, found a record of 16 bytes"},
      {"negative node count", [](Records& r) { put(r[1], 1, -1); },
       "record 2: a node count 0 to " + std::to_string(kMaxNodes) + " expected, found -1"},
      {"node record's last integer", [](Records& r) { put(r[4], 4, 1); },
       "record 5: 0 after the node's coordinates expected"},
      {"coordinate not a number", [&](Records& r) { r[5].replace(4, 4, lef32(nan)); },
       "record 6: finite coordinates of node 2 expected"},
      {"part index beyond the parts", [](Records& r) { put(r[7], 2, 3); },
       "record 8: a part index 1 to 2 expected, found 3"},
      {"node index beyond the nodes", [](Records& r) { put(r[8], 5, 4); },
       "record 9: node index 1 to 3 in node slot 2 of element 2 expected, found 4"},
      {"element end missing", [](Records& r) { r.erase(r.begin() + 9); },
       "record 10: element record or the element end record (60 bytes) expected, found a "
       "record of 4 bytes"},
      {"element end not all zero", [](Records& r) { put(r[9], 14, 1); },
       "record 10: the element end record (15 zeros) expected after a label of 0"},
      {"combined set count disagreeing", [](Records& r) { put(r[10], 0, 1); },
       "record 12: set numbering record of 1 sets (16 bytes) expected, found a record of 28 "
       "bytes"},
      {"set numbering", [](Records& r) { put(r[11], 3, 2); },
       "record 12: set numbering 1..2, 2 x 1, 1..2, 2 expected, integer 4 is 2"},
      {"node count of the restraint header", [](Records& r) { put(r[12], 1, 4); },
       "record 13: the node count 3 in the restraint header expected, found 4"},
      {"restraint marker", [](Records& r) { put(r[13], 0, 0); },
       "record 14: restraint marker 1 expected"},
      {"restraint column short", [](Records& r) { r[14].resize(8); },
       "record 15: restraint column record 1 of 1 (12 bytes) expected, found a record of 8 "
       "bytes"},
      {"load set count disagreeing", [](Records& r) { put(r[15], 0, 1); },
       "record 16: the combined set count 2 is not the larger of the restraint set count 1 and "
       "the load set count 1"},
      {"node load beyond the nodes", [](Records& r) { put(r[18], 0, 4); },
       "record 19: a node index 1 to 3 in the node load record expected, found 4"},
      {"node load of zeros", [](Records& r) { r[18].replace(12, 4, le32(0)); },
       "record 19: a non-zero force or moment in the node load record expected"},
      {"a record after the last", [](Records& r) { r.push_back(ints({1})); },
       "record 22: a node load record of set 2 or the end marker 0x82 expected, found a record "
       "of 4 bytes"},
      {"a load set missing", [](Records& r) { r.resize(19); },
       "record 20: a node load record of set 1 or load set record 2 expected, found the end "
       "marker 0x82"},
  };
  for (const auto& c : cases) {
    Records records = good;
    c.change(records);
    const std::string problem = problem_of(framed(records));
    EXPECT_TRUE(problem.ends_with(c.problem)) << c.what << ": " << problem;
  }
  // The framing around the records.
  EXPECT_EQ(problem_of(""), "offset 0: file marker 0x4B expected, file is empty");
  EXPECT_EQ(problem_of("xyz"), "offset 0: file marker 0x4B expected, found 0x78");
  EXPECT_EQ(problem_of(written_model() + "x"),
            "offset " + std::to_string(written_model().size()) +
                ": the file's end expected after the end marker 0x82, found 1 more bytes");
  EXPECT_EQ(problem_of(hex("4B 0A") + "VERSION 26" + hex("0B 82")),
            "offset 12, record 1: closing length byte 0x0A (as the opening one) expected, found "
            "0x0B");
  std::string counts_broken = written_model();  // record 2, the counts, at offset 13
  counts_broken[13 + 1 + 8] = 0x09;
  EXPECT_EQ(problem_of(counts_broken),
            "offset 22, record 2: closing length byte 0x08 (as the opening one) expected, found "
            "0x09");
  EXPECT_EQ(problem_of(hex("4B 05 41 41")),
            "offset 1, record 1: header record (10 bytes): 5 payload bytes and the "
            "closing length byte expected, only 2 bytes follow the length byte");
  EXPECT_TRUE(problem_of(hex("4B 81") + std::string(128, 'A') + hex("81 00 00 82"))
                  .starts_with("offset 131, record 1: the next segment's length byte"));
}

}  // namespace
}  // namespace vevadar::modelfile
