// Random numeric input fields for comparing the fast field conversions with the exact ones: the
// shapes the universal files are written in, the same shapes spoilt by one character, and the
// values where a conversion is most easily wrong (halfway between two neighbours of the target
// precision, the ends of the normal range, the limits of the 32-bit integers).
#pragma once

#include <cstdint>
#include <random>
#include <string>

namespace vevadar::testing {

struct RealSample {
  std::string field;
  int implied_digits = 0;
  int scale = 0;
};

class FieldSampler {
 public:
  explicit FieldSampler(std::uint64_t seed) : random_(seed) {}

  // A field of 1 to 12 columns, most often 10.
  std::string integer_field();
  // A field of 13 columns (d = 5) or 25 columns (d = 16, scale factor 1), now and then another
  // width, d or k.
  RealSample real_field();

 private:
  int below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  std::string digits(int count);
  std::string mantissa_text();
  std::string spoilt(std::string text);
  std::string placed(std::string text, int width);

  std::mt19937_64 random_;
};

// Runs the fast and the exact conversions over `count` integer fields and `count` real fields
// (each real field in both precisions) drawn from `seed`, and fails the current test at the first
// field a fast path takes with another result than the exact one. The tally says how many fields
// each fast path took, so that a caller can see it was exercised.
struct FastPathTally {
  long integers_taken = 0;
  long label_lines_taken = 0;  // lines of eight 10-column fields taken at once
  long d_lines_taken = 0;      // lines of three 25-column D fields taken at once
  long floats_taken = 0;
  long doubles_taken = 0;
};
FastPathTally compare_fast_paths(std::uint64_t seed, long count);

}  // namespace vevadar::testing
