// The model file on disk: segment framing at every size boundary, marker and end marker, what
// opening does to new and existing files, and the reset after a refused write.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "recordfiles/recordfiles.h"
#include "support/test_support.h"

namespace vevadar::recordfiles {
namespace {

using namespace vevadar::testing;

std::vector<std::uint8_t> payload_of(std::size_t size) {
  std::vector<std::uint8_t> payload(size);
  for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return payload;
}

// The file after one record holding `payload`.
std::string file_with_record(const std::vector<std::uint8_t>& payload) {
  SequentialRecordFile file;
  EXPECT_TRUE(file.open("velm.bin"));
  file.begin_record();
  file.add(payload.data(), payload.size());
  file.end_record();
  EXPECT_TRUE(file.close_keep());
  return read_file("velm.bin");
}

TEST(SequentialRecordFile, SegmentBoundaries) {
  ScratchDirectory scratch;
  EXPECT_EQ(file_with_record({}), hex("4B 00 00 82"));
  EXPECT_EQ(file_with_record({'V', 'E', 'R', 'S', 'I', 'O', 'N', ' ', '2', '6'}),
            hex("4B 0A 56 45 52 53 49 4F 4E 20 32 36 0A 82"));
  const struct {
    std::size_t payload, stored;
    std::vector<std::pair<std::size_t, unsigned>> bytes;  // (file offset, byte)
  } cases[] = {
      {1, 5, {{1, 0x01}, {2, 0x03}, {3, 0x01}, {4, 0x82}}},
      {127, 131, {{1, 0x7F}, {129, 0x7F}, {130, 0x82}}},
      // Exactly 128: one segment, not a continued one and an empty one.
      {128, 132, {{1, 0x80}, {129, 0x7C}, {130, 0x80}, {131, 0x82}}},
      {129, 135, {{1, 0x81}, {130, 0x81}, {131, 0x01}, {132, 0x83}, {133, 0x01}}},
      {256, 262, {{1, 0x81}, {130, 0x81}, {131, 0x80}, {260, 0x80}, {261, 0x82}}},
      {257, 265, {{131, 0x81}, {260, 0x81}, {261, 0x01}, {263, 0x01}}},
      {300, 308, {{130, 0x81}, {131, 0x81}, {260, 0x81}, {261, 0x2C}, {306, 0x2C}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.payload) + " payload bytes");
    const std::string bytes = file_with_record(payload_of(c.payload));
    ASSERT_EQ(bytes.size(), c.stored);
    for (const auto& [at, expected] : c.bytes) EXPECT_EQ(byte_at(bytes, at), expected) << at;
    EXPECT_EQ(read_model_records(bytes),
              std::vector<std::vector<std::uint8_t>>{payload_of(c.payload)});
  }
}

// A whole record at once is stored as the same record added piece by piece: the first record of
// the file, and records of every size up to a segment across several write buffers' worth.
TEST(SequentialRecordFile, WholeRecordsAsPieceByPiece) {
  ScratchDirectory scratch;
  std::string written[2];
  for (const bool whole : {false, true}) {
    SequentialRecordFile file;
    ASSERT_TRUE(file.open("velm.bin"));
    for (std::size_t n = 0; n < 3000; ++n) {
      const std::vector<std::uint8_t> payload = payload_of((n * 37) % 129);
      if (whole) {
        file.add_record(payload.data(), payload.size());
      } else {
        file.begin_record();
        file.add(payload.data(), payload.size());
        file.end_record();
      }
      ASSERT_EQ(file.record_size(), payload.size());
    }
    ASSERT_TRUE(file.close_keep());
    written[whole ? 1 : 0] = read_file("velm.bin");
  }
  EXPECT_GT(written[0].size(), 3 * 64 * 1024U);
  EXPECT_EQ(written[1], written[0]);
}

TEST(SequentialRecordFile, FieldsCrossSegmentBoundaries) {
  ScratchDirectory scratch;
  SequentialRecordFile file;
  ASSERT_TRUE(file.open("velm.bin"));
  file.begin_record();
  file.add("\xA0\xA1\xA2", 3);
  for (std::int32_t i = 0; i < 31; ++i) file.add_int32(i);  // payload bytes 3..126
  file.add_int32(-2);                                       // 127..130, across the boundary
  file.add_float(-1.5f);
  file.add_text("AB", 5);
  file.add_text("PARTNAME-LONG", 8);
  file.end_record();
  file.begin_record();
  file.add_int32(0x12345678);
  file.end_record();
  ASSERT_TRUE(file.close_keep());
  // 148 payload bytes: a continued segment of 128 and a last one of 20 (0x14).
  EXPECT_EQ(read_file("velm.bin").substr(125),
            hex("1E 00 00 00 FE 81 14 FF FF FF 00 00 C0 BF 41 42 20 20 20 "
                "50 41 52 54 4E 41 4D 45 14 04 78 56 34 12 04 82"));
}

TEST(SequentialRecordFile, OpenKeepsEarlierModelUntilFirstRecord) {
  ScratchDirectory scratch;
  SequentialRecordFile file;
  ASSERT_TRUE(file.open("velm.bin"));
  EXPECT_EQ(read_file("velm.bin"), hex("4B 82"));  // a created file is at once an empty model
  file.release();
  EXPECT_EQ(read_file("velm.bin"), hex("4B 82"));

  write_file("velm.bin", "earlier model");
  ASSERT_TRUE(file.open("velm.bin"));
  file.release();
  EXPECT_EQ(read_file("velm.bin"), "earlier model");

  // A shorter second model leaves nothing of the first behind its end marker.
  (void)file_with_record(payload_of(300));
  EXPECT_EQ(file_with_record({0x11, 0x22}), hex("4B 02 11 22 02 82"));
}

void write_small_model(SequentialRecordFile& file) {
  const std::vector<std::uint8_t> long_record = payload_of(300);
  file.begin_record();
  file.add_text("VERSION 26", 10);
  file.end_record();
  file.begin_record();
  file.end_record();
  file.begin_record();
  file.add(long_record.data(), long_record.size());
  file.end_record();
}

// Refuse write 1, then 2, then 3 ...: until the fault lies beyond the last write, every run ends
// with a false close and the empty model, over a new file and over a longer earlier model alike
// (which the complete run written over it must not leave a byte of).
TEST(SequentialRecordFile, RefusedWriteLeavesEmptyModel) {
  ScratchDirectory scratch;
  SequentialRecordFile file;
  ASSERT_TRUE(file.open("velm.bin"));
  write_small_model(file);
  ASSERT_TRUE(file.close_keep());
  const std::string complete = read_file("velm.bin");

  for (const bool existing : {false, true}) {
    int fault = 1;
    for (; fault < 50; ++fault) {
      SCOPED_TRACE("write " + std::to_string(fault) + (existing ? ", existing file" : ""));
      std::filesystem::remove("velm.bin");
      if (existing) write_file("velm.bin", std::string(complete.size() + 1000, 'e'));
      ASSERT_TRUE(file.open("velm.bin"));
      file.arm_fault(WriteFault{fault});
      write_small_model(file);
      if (file.close_keep()) break;
      EXPECT_EQ(read_file("velm.bin"), hex("4B 82"));
    }
    EXPECT_GT(fault, 1);
    EXPECT_EQ(read_file("velm.bin"), complete);
  }
}

}  // namespace
}  // namespace vevadar::recordfiles
