#include "textfields/textfields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <limits>

#include "textfields/field_internal.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vevadar::textfields {
namespace {

constexpr std::array<char, kLineWidth> kBlanks = [] {
  std::array<char, kLineWidth> blanks{};
  blanks.fill(' ');
  return blanks;
}();

}  // namespace

// Reads once into the buffer, which must be used up. False when the read failed without
// delivering a byte. A failed read that did deliver bytes counts as those bytes followed by the
// failure. Two failures in a row that deliver nothing end the input: a source that keeps failing
// can never hold a scan on one line.
bool LineReader::refill() {
  const ByteSource::Chunk chunk = source_.read(buffer_, kBufferSize);
  position_ = 0;
  filled_ = std::min(chunk.size, kBufferSize);
  if (filled_ > 0) {
    failures_in_a_row_ = 0;
    failure_after_buffer_ = chunk.failed;
    return true;
  }
  if (!chunk.failed) {
    ended_ = true;
    return true;
  }
  if (++failures_in_a_row_ >= 2) ended_ = true;
  return false;
}

void LineReader::restart() {
  std::fill(std::begin(line_), std::end(line_), ' ');
  line_pending_ = false;
  characters_length_ = 0;
  line_counter_ = 0;
  tab_lines_ = {};
  position_ = 0;
  filled_ = 0;
  ended_ = false;
  failures_in_a_row_ = 0;
  failure_after_buffer_ = false;
}

// The common line: its line feed, or a carriage return right before its line feed, within the
// buffer and within the first 82 bytes, no byte below 0x0E before it (no tab: a line with one
// goes the long way). The line stays where the input buffer holds it (line_data() copies it into
// the 80-column buffer when asked); any other line, and a line near the end of the buffer, is
// read in pieces.
bool LineReader::take_whole_line() {
  if constexpr (std::endian::native != std::endian::little) return false;
  constexpr std::size_t kWidth = kLineWidth;
  if (filled_ - position_ <= kWidth) return false;
  const char* const begin = buffer_ + position_;
  std::size_t length = kWidth;  // the columns before the first byte below 0x0E
#if defined(__SSE2__)
  // Sixteen columns at a time: a byte is at most '\r' when its minimum with '\r' is itself.
  const __m128i carriage_returns = _mm_set1_epi8('\r');
  for (std::size_t i = 0; i < kWidth; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
    const int found =
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(bytes, carriage_returns), bytes));
    if (found != 0) {
      length = i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(found)));
      break;
    }
  }
#else
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  for (std::size_t i = 0; i < kWidth; i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, begin + i, sizeof word);
    // The lowest byte flagged here is exactly the first byte below 0x0E ('\r' + 1).
    const std::uint64_t found = (word - kOnes * ('\r' + 1)) & ~word & kHigh;
    if (found != 0) {
      length = i + static_cast<std::size_t>(std::countr_zero(found)) / 8;
      break;
    }
  }
#endif
  std::size_t line_feed = length;
  if (begin[length] != '\n') [[unlikely]] {
    if (begin[length] != '\r' || length + 1 >= filled_ - position_ || begin[length + 1] != '\n') {
      return false;
    }
    line_feed = length + 1;
  }
  line_pending_ = true;
  characters_ = begin;
  characters_length_ = static_cast<std::int64_t>(length);
  position_ += line_feed + 1;
  line_counter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(line_counter_) + 1U);
  return true;
}

bool LineReader::d_fields(double* values) const {
  constexpr std::int64_t kColumns = 75;
  const char* const line = characters_length_ >= kColumns ? characters_ : line_data();
  return internal::three_d_fields(line, values);
}

void LineReader::fill_line() const {
  // The characters, then blanks: 80 columns at once each, the second copy from the line's end.
  std::memcpy(line_, characters_, kLineWidth);
  std::memcpy(line_ + characters_length_, kBlanks.data(), kLineWidth);
  line_pending_ = false;
}

LineReader::Outcome LineReader::next_in_pieces() {
  constexpr std::size_t kWidth = kLineWidth;
  characters_length_ = 0;
  line_pending_ = false;
  std::size_t taken = 0;  // characters of this line placed in line_
  bool taking = true;     // false once a carriage return or column 80 is passed
  bool started = false;   // a byte of this line (its line feed included) was consumed
  bool failed = false;    // a read failed inside this line: the rest of it is passed over
  bool tab = false;       // a tab among the characters taken
  for (;;) {
    if (position_ == filled_) {
      if (failure_after_buffer_) {
        failure_after_buffer_ = false;
        failed = true;
        continue;
      }
      if (ended_) break;
      if (!refill()) failed = true;
      continue;
    }
    const char* begin = buffer_ + position_;
    const auto available = filled_ - position_;
    const auto* line_feed = static_cast<const char*>(std::memchr(begin, '\n', available));
    const std::size_t length =
        line_feed != nullptr ? static_cast<std::size_t>(line_feed - begin) : available;
    started = true;
    if (taking && !failed) {
      std::size_t count = std::min(length, kWidth - taken);
      if (const void* cr = std::memchr(begin, '\r', count); cr != nullptr) {
        count = static_cast<std::size_t>(static_cast<const char*>(cr) - begin);
        taking = false;
      }
      std::memcpy(line_ + taken, begin, count);
      // Only lines read in pieces can hold a tab: a tab is below 0x0E, so the whole-line path
      // takes no line with one.
      tab = tab || std::memchr(begin, '\t', count) != nullptr;
      taken += count;
      if (taken == kWidth) taking = false;
    }
    position_ += length;
    if (line_feed != nullptr) {
      ++position_;
      break;
    }
  }
  if (failed) {
    // The failed line's characters are not kept: the buffer shows no half line.
    std::fill(line_, line_ + kLineWidth, ' ');
    return Outcome::kFailure;
  }
  if (!started) return Outcome::kEnd;
  std::fill(line_ + taken, line_ + kLineWidth, ' ');
  line_counter_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(line_counter_) + 1U);
  if (tab) {
    if (tab_lines_.lines == 0) tab_lines_.first_line = line_counter_;
    if (tab_lines_.lines < std::numeric_limits<std::int32_t>::max()) ++tab_lines_.lines;
  }
  return Outcome::kLine;
}

}  // namespace vevadar::textfields
