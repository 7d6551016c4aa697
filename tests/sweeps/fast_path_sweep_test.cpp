// The fast field conversions against the exact ones over many millions of generated fields.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/field_samples.h"

namespace vevadar::testing {
namespace {

TEST(FastPathSweep, AgreeWithTheExactConversions) {
  constexpr long kFields = 20'000'000;
  const FastPathTally tally = compare_fast_paths(20'260'000, kFields);
  EXPECT_GT(tally.integers_taken, kFields / 2);
  EXPECT_GT(tally.floats_taken, kFields / 2);
  EXPECT_GT(tally.doubles_taken, kFields / 2);
  std::printf(
      "fast paths took %ld of %ld integer fields, %ld and %ld of %ld real fields (single, "
      "double)\n",
      tally.integers_taken, kFields, tally.floats_taken, tally.doubles_taken, kFields);
}

}  // namespace
}  // namespace vevadar::testing
