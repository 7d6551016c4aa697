// RecordCursor and read_model_records: model file bytes back into record payloads, rejecting
// anything a writer of the format could not have produced, and saying where and why.
#include "recordfiles/recordfiles.h"

#include <cinttypes>
#include <cstdio>

namespace vevadar::recordfiles {
namespace {

std::string hex_byte(std::uint8_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::string plural_bytes(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

}  // namespace

RecordCursor::RecordCursor(std::string_view bytes) : bytes_(bytes) {}

std::uint8_t RecordCursor::byte_at(std::size_t at) const {
  return static_cast<std::uint8_t>(bytes_[at]);
}

RecordCursor::Step RecordCursor::fail(std::size_t offset, bool with_record,
                                      const std::string& what) {
  char where[64];
  if (with_record) {
    std::snprintf(where, sizeof where, "offset %zu, record %" PRId64 ": ", offset, records_ + 1);
  } else {
    std::snprintf(where, sizeof where, "offset %zu: ", offset);
  }
  problem_ = where + what;
  broken_ = true;
  return Step::kBroken;
}

RecordCursor::Step RecordCursor::next(std::string_view expected) {
  struct Words final : Expected {
    explicit Words(std::string_view words) : words_(words) {}
    [[nodiscard]] std::string text() const override { return std::string(words_); }
    std::string_view words_;
  };
  return next(Words(expected));
}

RecordCursor::Step RecordCursor::next(const Expected& expected) {
  if (broken_) return Step::kBroken;
  if (at_ == 0) {
    if (bytes_.empty()) return fail(0, false, "file marker 0x4B expected, file is empty");
    if (byte_at(0) != kFileMarker) {
      return fail(0, false, "file marker 0x4B expected, found " + hex_byte(byte_at(0)));
    }
    at_ = 1;
  }
  record_offset_ = at_;
  if (at_ >= bytes_.size()) return fail(at_, true, expected.text() + " expected, file ends");
  // 0x82 is the end marker only where a record may begin; it must be the last byte.
  if (byte_at(at_) == kEndMarker) {
    if (at_ + 1 != bytes_.size()) {
      return fail(at_ + 1, false,
                  "the file's end expected after the end marker 0x82, found " +
                      std::to_string(bytes_.size() - at_ - 1) + " more bytes");
    }
    return Step::kEnd;
  }
  payload_.clear();
  bool first = true;
  while (true) {
    if (at_ >= bytes_.size()) {
      return fail(at_, true, "the next segment of a continued record expected, file ends");
    }
    const std::uint8_t length = byte_at(at_);
    if (length > kContinued) {
      return fail(at_, true,
                  (first ? expected.text() : std::string("the next segment's length byte")) +
                      " expected, found the byte " + hex_byte(length));
    }
    // A writer closes a full segment as continued only when more payload follows, so the
    // segment after a continued one holds at least one byte: 81 <128 bytes> 81 00 00 is not a
    // 128-byte record (that is 80 <128 bytes> 80).
    if (!first && length == 0) {
      return fail(at_, true,
                  "the next segment's length byte 0x01 to 0x81 expected, found 0x00 (an empty "
                  "segment after a continued one)");
    }
    const std::size_t size = length == kContinued ? kSegmentPayload : length;
    if (bytes_.size() - at_ < size + 2) {
      // Where the record began its context says what it is; a later segment is its own.
      return fail(at_, true,
                  (first ? expected.text() + ": " : std::string("a continued segment: ")) +
                      std::to_string(size) + " payload bytes and the closing length byte " +
                      "expected, only " + plural_bytes(bytes_.size() - at_ - 1) +
                      " follow the length byte");
    }
    if (byte_at(at_ + 1 + size) != length) {
      return fail(at_ + 1 + size, true,
                  "closing length byte " + hex_byte(length) + " (as the opening one) expected, " +
                      "found " + hex_byte(byte_at(at_ + 1 + size)));
    }
    const auto* piece = reinterpret_cast<const std::uint8_t*>(bytes_.data() + at_ + 1);
    at_ += size + 2;
    if (first && length != kContinued) {
      view_ = {piece, size};  // the common record: one segment, read where it lies
      break;
    }
    payload_.insert(payload_.end(), piece, piece + size);
    view_ = payload_;
    first = false;
    if (length != kContinued) break;
  }
  ++records_;
  return Step::kRecord;
}

std::optional<std::vector<std::vector<std::uint8_t>>> read_model_records(std::string_view bytes) {
  RecordCursor cursor(bytes);
  std::vector<std::vector<std::uint8_t>> records;
  while (true) {
    switch (cursor.next("a record or the end marker 0x82")) {
      case RecordCursor::Step::kRecord:
        records.emplace_back(cursor.payload().begin(), cursor.payload().end());
        break;
      case RecordCursor::Step::kEnd:
        return records;
      case RecordCursor::Step::kBroken:
        return std::nullopt;
    }
  }
}

}  // namespace vevadar::recordfiles
