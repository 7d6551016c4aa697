// The node index file: addressing, gaps reading as 0, end-of-file and range failures, emptying on
// open, and the block cache against a plain map.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "recordfiles/recordfiles.h"
#include "support/test_support.h"

namespace vevadar::recordfiles {
namespace {

using namespace vevadar::testing;
using Status = FixedRecordFile::ReadStatus;

// "status value" of one read, so that a failing check shows both.
std::string read_text(FixedRecordFile& file, std::int32_t record) {
  const FixedRecordFile::ReadResult result = file.read(record);
  if (result.status == Status::kEndOfFile) return "end";
  if (result.status == Status::kOutOfRange) return "range";
  return std::to_string(result.value);
}

void expect_record_1000_only(FixedRecordFile& file) {
  EXPECT_EQ(read_text(file, 1), "0");
  EXPECT_EQ(read_text(file, 999), "0");
  EXPECT_EQ(read_text(file, 1000), "-123456");
  EXPECT_EQ(read_text(file, 1001), "end");
  EXPECT_EQ(read_text(file, 0), "range");
  EXPECT_EQ(read_text(file, -5), "range");
}

TEST(FixedRecordFile, Record1000AndRange) {
  ScratchDirectory scratch;
  auto file = std::make_unique<FixedRecordFile>();  // large: the library keeps one in a static
  write_file("velm.inn", hex("07 00 00 00"));       // an earlier run's record 1
  ASSERT_TRUE(file->open("velm.inn", true));
  EXPECT_EQ(read_text(*file, 1), "end");
  ASSERT_TRUE(file->write(1000, -123456));
  expect_record_1000_only(*file);  // from the cache
  file->close_keep();
  const std::string bytes = read_file("velm.inn");
  ASSERT_EQ(bytes.size(), 4000u);
  EXPECT_EQ(bytes.find_first_not_of('\0'), 3996u);
  EXPECT_EQ(bytes.substr(3996), hex("C0 1D FE FF"));

  ASSERT_TRUE(file->open("velm.inn", false));
  expect_record_1000_only(*file);  // from the disk
  EXPECT_FALSE(file->write(0, 1));
  EXPECT_FALSE(file->write(FixedRecordFile::kMaxRecord + 1, 1));
  // The largest record is accepted; deleted unwritten, as its file would be 2 GiB.
  EXPECT_TRUE(file->write(FixedRecordFile::kMaxRecord, 9));
  EXPECT_EQ(read_text(*file, FixedRecordFile::kMaxRecord), "9");
  file->close_delete();
  EXPECT_FALSE(file_exists("velm.inn"));
}

// Random writes and reads over far more blocks than the cache holds: blocks are evicted dirty,
// read back from disk, and loaded partly or wholly past the end of the file.
TEST(FixedRecordFile, CacheAgreesWithMap) {
  ScratchDirectory scratch;
  auto file = std::make_unique<FixedRecordFile>();
  std::mt19937 random(12345);
  std::uniform_int_distribution<std::int32_t> pick(1, 300 * 1024);
  std::map<std::int32_t, std::int32_t> expected;
  const auto expected_text = [&](std::int32_t n) {
    if (expected.empty() || n > expected.rbegin()->first) return std::string("end");
    const auto found = expected.find(n);
    return std::to_string(found == expected.end() ? 0 : found->second);
  };
  ASSERT_TRUE(file->open("velm.inn", true));
  for (int step = 0; step < 40'000; ++step) {
    const std::int32_t n = pick(random);
    if (step % 3 == 0) {
      expected[n] = static_cast<std::int32_t>(random());
      ASSERT_TRUE(file->write(n, expected[n]));
    } else {
      ASSERT_EQ(read_text(*file, n), expected_text(n)) << n;
    }
  }
  file->close_keep();
  ASSERT_EQ(read_file("velm.inn").size(), 4 * static_cast<std::size_t>(expected.rbegin()->first));
  ASSERT_TRUE(file->open("velm.inn", false));
  for (std::int32_t n = 1; n <= expected.rbegin()->first + 1; ++n) {
    ASSERT_EQ(read_text(*file, n), expected_text(n)) << n;
  }
  file->close_delete();
}

}  // namespace
}  // namespace vevadar::recordfiles
