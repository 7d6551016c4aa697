// read_model_records: well-formed files decode; every way a file can break is rejected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recordfiles/recordfiles.h"
#include "support/test_support.h"

namespace vevadar::recordfiles {
namespace {

using testing::hex;

const std::string kFull(128, 'A');  // the payload of one continued segment

TEST(ReadModelRecords, WellFormed) {
  ASSERT_EQ(read_model_records(hex("4B 82")), std::vector<std::vector<std::uint8_t>>{});
  // An empty record, a record holding the end marker's value, a continued one.
  const auto records =
      read_model_records(hex("4B 00 00 01 82 01 81") + kFull + hex("81 01 41 01 82"));
  ASSERT_TRUE(records.has_value());
  ASSERT_EQ(records->size(), 3u);
  EXPECT_TRUE((*records)[0].empty());
  EXPECT_EQ((*records)[1], std::vector<std::uint8_t>{0x82});
  EXPECT_EQ((*records)[2], std::vector<std::uint8_t>(129, 'A'));
}

TEST(ReadModelRecords, Malformed) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"wrong file marker", hex("4C 82")},
      {"no end marker", hex("4B 00 00")},
      {"bytes after the end marker", hex("4B 82 00")},
      {"unequal length bytes", hex("4B 01 41 02 82")},
      {"payload cut short", hex("4B 05 41 41 82")},
      {"trailing length byte missing", hex("4B 02 41 41")},
      {"length byte above 129", hex("4B 83 41 83 82")},
      {"end marker inside a continued record", hex("4B 81") + kFull + hex("81 82")},
      {"continued record at the end of the bytes", hex("4B 81") + kFull + hex("81")},
      {"continued segment closed as a last one", hex("4B 81") + kFull + hex("80 82")},
      {"empty segment after a continued one", hex("4B 81") + kFull + hex("81 00 00 82")},
  };
  for (const auto& c : cases) EXPECT_FALSE(read_model_records(c.bytes).has_value()) << c.what;
}

}  // namespace
}  // namespace vevadar::recordfiles
