// SequentialRecordFile: the model file. A record's payload is collected one segment at a time,
// between the places of its two length bytes; a segment goes to the file whole, in one write,
// once it is known to be the last of its record (end_record) or to be followed by more payload
// (add). No length byte is ever written provisionally, so nothing is patched afterwards.
#include "recordfiles/recordfiles.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "recordfiles/coding.h"

namespace vevadar::recordfiles {
namespace {

static_assert(kSegmentPayload <= 0xFF && kContinued != kEndMarker,
              "a last segment's length byte must never read as a continuation or the end");

}  // namespace

bool SequentialRecordFile::open(const std::string& name) {
  at_start_ = true;
  cut_at_close_ = false;
  in_record_ = false;
  segment_fill_ = 0;
  const BinaryFile::Opened opened = file_.open_or_create(name);
  if (opened == BinaryFile::Opened::kFailed) return false;
  if (opened == BinaryFile::Opened::kCreated) {
    // A created file is at once a valid model without records, so that a run ending before its
    // first record leaves a file the host can read. The seek below flushes it.
    const std::uint8_t empty_model[] = {kFileMarker, kEndMarker};
    file_.write(empty_model, sizeof empty_model);
  }
  file_.seek(0);
  return true;
}

void SequentialRecordFile::begin_record() {
  assert(file_.is_open() && !in_record_);
  if (at_start_) {
    // Nothing of an earlier model survives the first record of this one: it is written over from
    // the start and cut off after the end marker, or, where a file cannot be cut there, cut now.
    at_start_ = false;
    if (file_.can_cut_here()) {
      cut_at_close_ = file_.seek(0);
    }
    if (!cut_at_close_) file_.cut();
    file_.write(&kFileMarker, 1);
  }
  in_record_ = true;
  record_size_ = 0;
  start_segment();
}

void SequentialRecordFile::start_segment() {
  segment_fill_ = 0;
  std::uint8_t* room = file_.reserve(kSegmentPayload + 2);
  segment_start_ = room != nullptr ? room : segment_;
  payload_ = segment_start_ + 1;
}

void SequentialRecordFile::add(const void* bytes, std::size_t size) {
  assert(in_record_);
  const auto* next = static_cast<const std::uint8_t*>(bytes);
  record_size_ += size;
  while (size > 0) {
    // A full segment is closed as continued only now that more payload is known to follow: a
    // record of exactly 128 bytes is one segment of length 128.
    if (segment_fill_ == kSegmentPayload) flush_segment(kContinued);
    const std::size_t take = std::min(size, kSegmentPayload - segment_fill_);
    std::memcpy(payload_ + segment_fill_, next, take);
    segment_fill_ += take;
    next += take;
    size -= take;
  }
}

// Values that fit the open segment are encoded into it in place. Others are encoded into a local
// buffer and added a bufferful at a time (a buffer of its own lets the compiler keep the record's
// counters in registers).
template <class T, class Encode>
void SequentialRecordFile::add_encoded(std::span<const T> values, Encode encode) {
  const std::size_t size = values.size() * kScalarBytes;
  if (size <= kSegmentPayload - segment_fill_) {
    std::uint8_t* const out = payload_ + segment_fill_;
    for (std::size_t i = 0; i < values.size(); ++i) encode(out + i * kScalarBytes, values[i]);
    segment_fill_ += size;
    record_size_ += size;
    return;
  }
  constexpr std::size_t kPerPiece = 64;
  std::uint8_t bytes[kPerPiece * kScalarBytes];
  while (!values.empty()) {
    const std::size_t count = std::min(values.size(), kPerPiece);
    for (std::size_t i = 0; i < count; ++i) encode(bytes + i * kScalarBytes, values[i]);
    add(bytes, count * kScalarBytes);
    values = values.subspan(count);
  }
}

void SequentialRecordFile::add_int32s(std::span<const std::int32_t> values) {
  add_encoded(values, [](std::uint8_t* dst, std::int32_t value) { encode_int32(dst, value); });
}

void SequentialRecordFile::add_floats(std::span<const float> values) {
  add_encoded(values, [](std::uint8_t* dst, float value) { encode_float(dst, value); });
}

void SequentialRecordFile::add_text(std::string_view text, std::size_t width) {
  const std::size_t kept = std::min(text.size(), width);
  add(text.data(), kept);
  static constexpr std::uint8_t kBlanks[16] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                               ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  for (std::size_t left = width - kept; left > 0;) {
    const std::size_t take = std::min(left, sizeof kBlanks);
    add(kBlanks, take);
    left -= take;
  }
}

void SequentialRecordFile::end_record() {
  assert(in_record_);
  // The last segment carries its own length, 0..128; an empty record is the segment 00 00.
  flush_segment(static_cast<std::uint8_t>(segment_fill_));
  in_record_ = false;
}

void SequentialRecordFile::flush_segment(std::uint8_t length_byte) {
  segment_start_[0] = length_byte;
  payload_[segment_fill_] = length_byte;
  if (segment_start_ == segment_) {
    file_.write(segment_, segment_fill_ + 2);
  } else {
    file_.commit(segment_fill_ + 2);
  }
  // A continued record goes on in a new segment; after the last one nothing is reserved.
  if (length_byte == kContinued) start_segment();
  segment_fill_ = 0;
}

bool SequentialRecordFile::close_keep() {
  if (!file_.is_open()) return false;
  assert(!in_record_);
  if (at_start_) {
    // Closed without a record: the model written is the empty one, whatever the file held.
    at_start_ = false;
    file_.cut();
    file_.write(&kFileMarker, 1);
  }
  file_.write(&kEndMarker, 1);
  if (cut_at_close_) {
    cut_at_close_ = false;
    (void)file_.cut_here();  // a refusal shows in close()
  }
  const std::string name = file_.name();
  if (file_.close()) return true;

  // Some write of this run was refused, so the file may hold part of a model. The host must
  // never read that: leave the empty model instead (best effort; the disk may still refuse).
  if (file_.open_or_create(name) != BinaryFile::Opened::kFailed && file_.cut()) {
    const std::uint8_t empty_model[] = {kFileMarker, kEndMarker};
    file_.write(empty_model, sizeof empty_model);
  }
  (void)file_.close();
  return false;
}

void SequentialRecordFile::release() {
  // Records written over an earlier model must not leave its tail behind them.
  if (cut_at_close_) (void)file_.cut_here();
  cut_at_close_ = false;
  in_record_ = false;
  segment_fill_ = 0;
  segment_start_ = segment_;
  payload_ = segment_ + 1;
  (void)file_.close();
}

}  // namespace vevadar::recordfiles
