// The record sequence of the model file: the worked example byte for byte, then the records that
// come and go with the counts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "modelfile/modelfile.h"
#include "support/test_support.h"

namespace vevadar::modelfile {
namespace {

using namespace vevadar::testing;

class ModelWriterTest : public ::testing::Test {
 protected:
  ScratchDirectory scratch;
  // Value-initialised, so every table starts zeroed; about 40 MB, never on the stack.
  std::unique_ptr<Model> model = std::make_unique<Model>();

  std::string write() { return write_model_file(*model); }
  std::vector<std::string> records() { return model_payloads(write()).value(); }
  void add_node(std::int32_t label) { model->nodes[model->node_count++] = {label, 0, 0, 0}; }
  void add_element(std::int32_t label) {
    model->elements[model->element_count++] = {label, 1, {1, 2, 0, 0, 0, 0, 0, 0}, 2, 2};
  }
};

// One part (id 5), two nodes (labels 10 and 20), one two-node element of type 2, no restraints,
// one load set (id 7, one dataset) loading node 2 only.
TEST_F(ModelWriterTest, WorkedExample) {
  model->part_count = 1;
  model->parts[0] = {5, {'P', '0', '0', '0', '0', '0', '0', '5'}};
  model->node_count = 2;
  model->nodes[0] = {10, 1.0f, 2.5f, -0.5f};
  model->nodes[1] = {20, 0.0f, 0.0f, 3.0f};
  add_element(1);
  model->load_set_count = 1;
  model->load_set_ids[0] = 7;
  model->load_set_dataset_count[0] = 1;
  model->loads[0][1] = {{1.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 0.5f}};

  const std::string zeros(4 * 15, '\0');
  EXPECT_EQ(write(), hex("4B 0A 56 45 52 53 49 4F 4E 20 32 36 0A"  // VERSION 26
                         "08 01000000 02000000 08"                 // P, N
                         "08 50 30 30 30 30 30 30 35 08"           // P0000005
                         "04 05000000 04"                          // part ids
                         "14 0A000000 0000803F 00002040 000000BF 00000000 14"
                         "14 14000000 00000000 00000000 00004040 00000000 14"
                         "3C 01000000 02000000 01000000 02000000 01000000 02000000") +
                         zeros.substr(24) + hex("3C 3C") + zeros +
                         hex("3C 04 01000000 04"                          // M
                             "10 01000000 01000000 01000000 01000000 10"  // set numbering
                             "08 00000000 02000000 08"                    // S, N
                             "04 01000000 04"                             // L
                             "04 07000000 04"                             // load set ids
                             "08 01000000 00000000 08"                    // set 1
                             "1C 02000000 0000803F 00000000 000000C0 00000000 00000000 "
                             "0000003F 1C 82"));
}

TEST_F(ModelWriterTest, EmptyTablesAndUnlabelledSlot) {
  add_node(1);
  add_element(5);
  add_element(0);  // a row given back: no record
  add_element(6);
  const std::string bytes = write();
  EXPECT_EQ(bytes.substr(23, 4), hex("00 00 00 00"));  // records 3 and 4 without parts
  const std::vector<std::string> written = records();
  // 1, 2, 3, 4, node, two elements, element end, 8 (M = 0, no 9), 10 (S = 0, N = 1), 13 last.
  ASSERT_EQ(written.size(), 11u);
  EXPECT_EQ(written[5].substr(0, 4), le32(5));
  EXPECT_EQ(written[6].substr(0, 4), le32(6));
  EXPECT_EQ(written[7], std::string(60, '\0'));
  EXPECT_EQ(written[8], hex("00000000"));
  EXPECT_EQ(written[9], hex("00000000 01000000"));
  EXPECT_EQ(written[10], hex("00000000"));
}

TEST_F(ModelWriterTest, TwoRestraintSetsThreeLoadSets) {
  add_node(11);
  add_node(12);
  model->restraint_set_count = 2;
  model->restraint[0][0] = 123456;
  model->restraint[1][1] = 3;
  model->load_set_count = 3;
  model->load_set_ids[0] = 100;
  model->load_set_ids[1] = 200;
  model->load_set_ids[2] = 300;
  model->load_set_dataset_count[1] = 2;
  model->loads[0][1].moment[1] = -4.0f;                                // only one moment: loaded
  model->loads[1][0] = {{-0.0f, -0.0f, -0.0f}, {-0.0f, 0.0f, -0.0f}};  // zero: no record
  model->loads[2][0].force[2] = 1e-30f;

  const std::vector<std::string> written = records();
  // 1 to 4, 5 x2, 7, 8, 9, 10, 11, 12 x2, 13, 14, then 15 16 | 15 | 15 16.
  ASSERT_EQ(written.size(), 20u);
  EXPECT_EQ(written[7], hex("03000000"));  // M = max(S, L)
  EXPECT_EQ(written[8], hex("01000000 02000000 03000000 01000000 01000000 01000000 "
                            "01000000 02000000 03000000 03000000"));
  EXPECT_EQ(written[9], hex("02000000 02000000"));
  EXPECT_EQ(written[10], hex("01000000"));
  EXPECT_EQ(written[11], hex("40E20100 00000000"));  // set 1, then set 2
  EXPECT_EQ(written[12], hex("00000000 03000000"));
  EXPECT_EQ(written[14], hex("64000000 C8000000 2C010000"));
  EXPECT_EQ(written[16], hex("02000000 00000000 00000000 00000000 00000000 000080C0 00000000"));
  EXPECT_EQ(written[17], hex("02000000 00000000"));
  EXPECT_EQ(written[19].substr(0, 16), hex("01000000 00000000 00000000 6042A20D"));
}

TEST_F(ModelWriterTest, FullRestraintColumnIsOneRecord) {
  model->node_count = kMaxNodes;
  model->restraint_set_count = 1;
  model->restraint[0][0] = 1;
  model->restraint[0][kMaxNodes - 1] = 6;
  const std::string bytes = write();
  // Ahead of record 12: marker, records 1 to 4, the node records, records 7 to 11.
  const std::size_t start =
      1 + 12 + 10 + 2 + 2 + 22 * std::size_t{kMaxNodes} + 62 + 6 + 18 + 10 + 6;
  // 500,000 bytes in 3,907 segments, the last of 32 bytes, at the default capacity.
  const std::size_t payload = 4 * std::size_t{kMaxNodes};
  const std::size_t segments = (payload + 127) / 128;
  const std::size_t tail = payload - 128 * (segments - 1);
  ASSERT_EQ(bytes.size(), start + payload + 2 * segments + 6 + 1);
  EXPECT_EQ(bytes.substr(start, 3), hex("81 01 00"));
  const std::size_t last = start + (segments - 1) * 130;
  const std::string tail_length(1, static_cast<char>(tail));
  EXPECT_EQ(bytes.substr(last - 1, 2), hex("81") + tail_length);
  EXPECT_EQ(bytes.substr(last + tail - 3),
            hex("06 00 00 00") + tail_length + hex("04 00000000 04 82"));
  EXPECT_EQ(records()[4 + kMaxNodes + 5].size(), payload);
}

}  // namespace
}  // namespace vevadar::modelfile
