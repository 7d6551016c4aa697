// The fast field conversions against the exact ones (the long sweep runs many more fields).
#include <gtest/gtest.h>

#include "support/field_samples.h"

namespace vevadar::testing {
namespace {

TEST(FastPaths, AgreeWithTheExactConversions) {
  constexpr long kFields = 200'000;
  const FastPathTally tally = compare_fast_paths(1, kFields);
  // Most fields are of the common shapes: a fast path that took none would prove nothing.
  EXPECT_GT(tally.integers_taken, kFields / 2);
  EXPECT_GT(tally.label_lines_taken, kFields / 8 / 4);
  EXPECT_GT(tally.d_lines_taken, kFields / 8 / 4);
  EXPECT_GT(tally.floats_taken, kFields / 2);
  EXPECT_GT(tally.doubles_taken, kFields / 2);
}

}  // namespace
}  // namespace vevadar::testing
