// recordfiles: the binary files of a run.
//
// What this area offers:
//   - BinaryFile: one file opened in binary mode with the open-or-create rule, buffered, with a
//     sticky write error and a seam that refuses the n-th write (for tests);
//   - SequentialRecordFile: the model file "velm.bin" (marker 0x4B, records framed in segments of
//     at most 128 bytes, end marker 0x82);
//   - FixedRecordFile: the node index file "velm.inn" (4-byte records addressed by number, a gap
//     reads as 0), with a block cache so that a lookup is not a system call each time;
//   - RecordCursor: model file bytes back into records one at a time, with the byte offset of
//     each and a message naming the offset, the record and what was expected where they break;
//   - read_model_records: all the records of model file bytes at once, for tests;
//   - coding.h: the 4-byte little-endian integers and reals both files hold, encoded and decoded
//     in one place.
//
// Model file layout, byte by byte:
//   4B                          file marker, written ahead of the first record
//   per record, per segment:    L, L payload bytes, L
//                               L = 0x81 (129): a full 128-byte segment, the record continues;
//                               L = 0..128: the last segment of the record; 1..128 after a
//                               continued one (0 only for an empty record)
//   82                          end marker, after the last record
// A record of N bytes has max(1, ceil(N / 128)) segments: 0 bytes -> 00 00; 10 bytes -> 0A ... 0A;
// 128 -> 80 ... 80; 129 -> 81 (128 bytes) 81 01 (1 byte) 01; 300 -> 81 .. 81 81 .. 81 2C .. 2C.
// A model file with no records is the two bytes 4B 82.
//
// Nothing here depends on any other area of the project.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "recordfiles/coding.h"

namespace vevadar::recordfiles {

inline constexpr std::uint8_t kFileMarker = 0x4B;
inline constexpr std::uint8_t kEndMarker = 0x82;
inline constexpr std::size_t kSegmentPayload = 128;
inline constexpr std::uint8_t kContinued = 129;
static_assert(kContinued == kSegmentPayload + 1);

// Refuses the n-th write counted from arming (1 = the next write); 0 = never. Tests arm it to
// check that a refused write is never a silent truncated file. Closing the file disarms it.
struct WriteFault {
  int fail_at = 0;
};

// One file in binary mode. Writes are collected in a buffer of the file's own and reach the C
// library in large pieces (the stream itself is unbuffered, so a read takes only what it asks
// for); a seek, a read, a cut and the close write them out first. The first write error is sticky
// and is reported by failed() and by close().
class BinaryFile {
 public:
  enum class Opened : std::uint8_t { kExisting, kCreated, kFailed };

  BinaryFile() = default;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile() { close(); }

  // Open-or-create: an existing file is opened without emptying it, at its start; a missing one
  // is created empty. Read-write, retried read-only, then write-only.
  [[nodiscard]] Opened open_or_create(const std::string& name);
  // Opens an existing file read-only (the universal file); false if it does not exist, cannot be
  // opened, or is a directory.
  [[nodiscard]] bool open_for_reading(const std::string& name);
  [[nodiscard]] bool is_open() const { return file_ != nullptr; }
  // Why the last open failed: the system's reason.
  [[nodiscard]] std::error_code open_error() const { return open_error_; }

  // Appends at the current position; false (and failed() from then on) if refused. A refusal
  // of the file system may also show only when the buffer is written out.
  bool write(const void* data, std::size_t size) {
    // The common write: a stream already writing, no fault armed, room in the buffer.
    if (file_ != nullptr && last_op_ == LastOp::kWrite && fault_.fail_at <= 0 &&
        size <= kBufferBytes - pending_ && size < kBufferBytes) {
      std::memcpy(buffer_ + pending_, data, size);
      pending_ += size;
      return true;
    }
    return write_through(data, size);
  }
  // Reads up to `size` bytes; `error` set on a read error (not on end of file).
  // Room for `size` bytes at the end of the write buffer, to be filled in place and then handed
  // over with commit(), which counts as one write() of them. nullptr where write() itself would
  // not simply copy into the buffer (a fault to count, a switch from reading, a full buffer): the
  // caller then writes its bytes with write().
  std::uint8_t* reserve(std::size_t size) {
    if (file_ == nullptr || last_op_ != LastOp::kWrite || fault_.fail_at > 0 ||
        size > kBufferBytes - pending_) {
      return nullptr;
    }
    return buffer_ + pending_;
  }
  // Precondition: the last reserve() returned room for at least `size` bytes, and no other call
  // came between.
  void commit(std::size_t size) { pending_ += size; }
  std::size_t read(void* data, std::size_t size, bool* error);
  bool seek(std::int64_t offset);
  // Cuts the file at length 0 and positions at its start.
  bool cut();
  // Whether cut_here() can shorten this file where it stands: a file open for reading and
  // writing on a system that can shorten an open file (POSIX).
  [[nodiscard]] bool can_cut_here() const;
  // Writes out what was collected and cuts the file off at the current position; false (and
  // failed() from then on) if that is refused.
  bool cut_here();
  // Flushes and closes; false if any write was refused or the flush failed. Idempotent.
  bool close();
  // Closes and removes the file.
  bool close_and_remove();

  [[nodiscard]] bool failed() const { return failed_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  void arm_fault(WriteFault fault) { fault_ = fault; }

 private:
  enum class Access : std::uint8_t { kReadWrite, kReadOnly, kWriteOnly };
  enum class LastOp : std::uint8_t { kNone, kRead, kWrite };
  static constexpr std::size_t kBufferBytes = std::size_t{64} * 1024;

  bool attach(std::FILE* file, Access access);
  // True, with open_error() set, for a name that is no file of ours: empty, or a directory.
  bool refuse_name(const std::string& name);
  // The C library needs a flush or a seek between a write and a read on one stream.
  bool switch_to(LastOp op);
  // Hands the collected writes to the C library.
  bool write_out();
  // write() where the buffer alone does not do: a fault to count, a switch from reading, a full
  // buffer, a large piece.
  bool write_through(const void* data, std::size_t size);

  std::FILE* file_ = nullptr;
  std::string name_;
  bool failed_ = false;
  std::error_code open_error_;
  WriteFault fault_;
  Access access_ = Access::kReadWrite;
  LastOp last_op_ = LastOp::kNone;
  // The write buffer: records are written a few bytes at a time, and a member array keeps the
  // buffer out of the heap (the files live in a static for the life of the library). Only its
  // first pending_ bytes are ever read, so it is left uninitialised: a run touches the pages it
  // writes, not the whole buffer.
  std::uint8_t buffer_[kBufferBytes];
  std::size_t pending_ = 0;  // bytes of buffer_ not yet handed to the C library
};

// The model file. Opened with the open-or-create rule and rewound: a file the open created is
// completed as an empty model (4B 82). The first record cuts the file at offset 0 and writes the
// marker; every later record is appended. Callers only open, add records, and close.
class SequentialRecordFile {
 public:
  [[nodiscard]] bool open(const std::string& name);

  void begin_record();
  void add(const void* bytes, std::size_t size);
  // A whole record of at most kSegmentPayload bytes, as begin_record(), add() and end_record()
  // would write it: the one segment straight into the write buffer where that has room.
  void add_record(const std::uint8_t* payload, std::size_t size) {
    assert(!in_record_ && size <= kSegmentPayload);
    std::uint8_t* const room = at_start_ ? nullptr : file_.reserve(size + 2);
    if (room == nullptr) {
      begin_record();
      add(payload, size);
      end_record();
      return;
    }
    room[0] = static_cast<std::uint8_t>(size);
    if (size > 0) std::memcpy(room + 1, payload, size);
    room[size + 1] = static_cast<std::uint8_t>(size);
    file_.commit(size + 2);
    record_size_ = size;
  }
  void add_int32(std::int32_t value) {
    std::uint8_t bytes[kScalarBytes];
    encode_int32(bytes, value);
    add_scalar(bytes);
  }
  void add_float(float value) {
    std::uint8_t bytes[kScalarBytes];
    encode_float(bytes, value);
    add_scalar(bytes);
  }
  // Several scalars, as the same number of add_int32 or add_float calls would add them, encoded
  // straight into the open segment where they fit it.
  void add_int32s(std::span<const std::int32_t> values);
  void add_floats(std::span<const float> values);
  // `text` padded with blanks (or cut) to `width` bytes.
  void add_text(std::string_view text, std::size_t width);
  void end_record();
  // Payload bytes added to the open record so far.
  [[nodiscard]] std::size_t record_size() const { return record_size_; }

  // Writes the end marker, flushes and closes, keeping the file. Returns false if the file
  // system refused any write of this run; the file is then reset to the empty model 4B 82.
  [[nodiscard]] bool close_keep();
  // Releases the file without writing anything more (a run that ends early).
  void release();

  [[nodiscard]] bool is_open() const { return file_.is_open(); }
  [[nodiscard]] std::error_code open_error() const { return file_.open_error(); }
  void arm_fault(WriteFault fault) { file_.arm_fault(fault); }

 private:
  // A scalar that fits the open segment is stored in place; one that does not takes add().
  void add_scalar(const std::uint8_t (&bytes)[kScalarBytes]) {
    if (segment_fill_ + kScalarBytes > kSegmentPayload) {
      add(bytes, kScalarBytes);
      return;
    }
    assert(in_record_);
    std::memcpy(payload_ + segment_fill_, bytes, kScalarBytes);
    segment_fill_ += kScalarBytes;
    record_size_ += kScalarBytes;
  }
  void start_segment();
  void flush_segment(std::uint8_t length_byte);
  template <class T, class Encode>
  void add_encoded(std::span<const T> values, Encode encode);

  BinaryFile file_;
  bool at_start_ = true;  // nothing written since open: the first record cuts and marks
  // The first record wrote over the earlier content in place, which the close then cuts off at
  // the end marker. Truncating a file to nothing and writing it again costs the file system far
  // more (its blocks are freed and allocated again, and ext4 flushes the new data at the close).
  bool cut_at_close_ = false;
  bool in_record_ = false;
  // The open segment as it is stored: its leading length byte, payload from its second byte on,
  // then its trailing length byte. It is built in the file's write buffer where that has room
  // for a whole segment, so the bytes are never copied; else in segment_, written as a whole.
  std::uint8_t segment_[kSegmentPayload + 2] = {};
  std::uint8_t* segment_start_ = segment_;
  std::uint8_t* payload_ = segment_ + 1;
  std::size_t segment_fill_ = 0;
  std::size_t record_size_ = 0;
};

// The node index file: record n (n >= 1) is the 4 bytes at offset (n - 1) * 4. A record inside
// the file that was never written reads as 0; a read past the end or below record 1 fails.
class FixedRecordFile {
 public:
  enum class ReadStatus : std::uint8_t { kOk, kEndOfFile, kOutOfRange };
  struct [[nodiscard]] ReadResult {
    ReadStatus status = ReadStatus::kOk;
    std::int32_t value = 0;
  };
  // Largest record number whose offset fits a signed 32-bit file offset.
  static constexpr std::int32_t kMaxRecord = 536'870'912;

  FixedRecordFile() = default;
  FixedRecordFile(const FixedRecordFile&) = delete;
  FixedRecordFile& operator=(const FixedRecordFile&) = delete;

  // Open-or-create; with `empty` the file is cut to length 0 so no earlier record is found.
  [[nodiscard]] bool open(const std::string& name, bool empty);
  // Writes record `record` (1..kMaxRecord; others are refused and return false). A record of a
  // cached block is written here, without a call; every other write takes write_block.
  bool write(std::int32_t record, std::int32_t value) {
    if (record >= 1 && record <= kMaxRecord) {
      const std::int64_t index = record - 1;
      const std::int64_t number = index / static_cast<std::int64_t>(kBlockRecords);
      const auto slot = static_cast<std::size_t>(number) % kCacheBlocks;
      if (slots_[slot].number == number) {
        encode_int32(cache_[slot].bytes + (index % static_cast<std::int64_t>(kBlockRecords)) *
                                              static_cast<std::int64_t>(kScalarBytes),
                     value);
        slots_[slot].dirty = true;
        if (record > records_in_file_) records_in_file_ = record;
        return true;
      }
    }
    return write_block(record, value);
  }
  // A record of a cached block is read here, without a call; every other read takes read_block.
  ReadResult read(std::int32_t record) {
    std::int32_t value = 0;
    if (read_cached(record, value)) return {ReadStatus::kOk, value};
    return read_block(record);
  }
  // read() for a record that lies inside the file and in a cached block: true with its value.
  // False for every other record, which read() then takes.
  bool read_cached(std::int32_t record, std::int32_t& value) const {
    if (record < 1 || record > records_in_file_) return false;
    const std::int64_t index = record - 1;
    const std::int64_t number = index / static_cast<std::int64_t>(kBlockRecords);
    const auto slot = static_cast<std::size_t>(number) % kCacheBlocks;
    if (slots_[slot].number != number) return false;
    value = decode_int32(cache_[slot].bytes + (index % static_cast<std::int64_t>(kBlockRecords)) *
                                                  static_cast<std::int64_t>(kScalarBytes));
    return true;
  }
  // Writes the cached blocks back, closes and keeps the file.
  void close_keep();
  // Closes and removes the file without writing anything more.
  void close_delete();
  [[nodiscard]] bool is_open() const { return file_.is_open(); }
  [[nodiscard]] std::error_code open_error() const { return file_.open_error(); }

 private:
  static constexpr std::size_t kBlockBytes = 4096;
  static constexpr std::size_t kBlockRecords = kBlockBytes / 4;
  // 512 KiB: the records of labels 1 to 131,072, a full node table labelled from 1, all fit, so
  // such a model never writes a block back or reads one again during its run.
  static constexpr std::size_t kCacheBlocks = 128;
  // A cache slot's block number in the file (-1 when the slot is empty) and whether its bytes
  // are newer than the file's. The slots are kept apart from the bytes, so that opening the file
  // touches one small table and a run touches only the blocks it uses.
  struct Slot {
    std::int64_t number = -1;
    bool dirty = false;
  };
  // A block's bytes: filled from the file, and zeroed past its end, when the block enters the
  // cache; never read before.
  struct Block {
    std::uint8_t bytes[kBlockBytes];
  };
  bool write_block(std::int32_t record, std::int32_t value);
  ReadResult read_block(std::int32_t record);
  // The bytes of block `number`, read in first when it is not cached; nullptr when the block
  // cannot be read or the dirty block in its slot cannot be written back.
  std::uint8_t* block_for(std::int64_t number);
  bool write_back(std::size_t slot);

  BinaryFile file_;
  std::int64_t records_in_file_ = 0;  // the file's length in records, cached blocks included
  std::int64_t bytes_on_disk_ = 0;
  Slot slots_[kCacheBlocks];
  Block cache_[kCacheBlocks];
};

// Walks model file bytes record by record, as the host reads them: the file marker, then per
// record its segments, then the end marker as the last byte. The payload of the current record
// is valid until the next step.
class RecordCursor {
 public:
  enum class Step : std::uint8_t {
    kRecord,  // payload() holds the next record
    kEnd,     // the end marker, and nothing after it
    kBroken,  // problem() says where and what
  };
  // What the caller needs at a record start ("the element end record"), put into words only
  // when the bytes break there: a reader of a large file pays nothing for it per record.
  class Expected {
   public:
    virtual ~Expected() = default;
    [[nodiscard]] virtual std::string text() const = 0;
  };

  explicit RecordCursor(std::string_view bytes);

  // Reads the next record. `expected` is part of the problem when the file ends or holds no
  // record here.
  Step next(const Expected& expected);
  Step next(std::string_view expected);
  // next() for the common record, read without a call: one segment of exactly `size` bytes
  // (at most a segment's payload) after the file marker. True with the record taken; false,
  // nothing taken, for anything else, which next() then reads and, where it breaks, reports.
  bool next_of_size(std::size_t size) {
    if (broken_ || at_ == 0 || size > kSegmentPayload || bytes_.size() - at_ < size + 2) {
      return false;
    }
    const auto* const bytes = reinterpret_cast<const std::uint8_t*>(bytes_.data() + at_);
    if (bytes[0] != size || bytes[size + 1] != size) return false;
    record_offset_ = at_;
    view_ = {bytes + 1, size};
    at_ += size + 2;
    ++records_;
    return true;
  }
  [[nodiscard]] std::span<const std::uint8_t> payload() const { return view_; }
  // The offset of the current record's first length byte, or of the end marker.
  [[nodiscard]] std::size_t record_offset() const { return record_offset_; }
  // Records read so far; the current record's number after kRecord.
  [[nodiscard]] std::int64_t records() const { return records_; }
  // "offset 1145, record 38: end marker 0x82 expected, file ends".
  [[nodiscard]] const std::string& problem() const { return problem_; }

 private:
  std::uint8_t byte_at(std::size_t at) const;
  Step fail(std::size_t offset, bool with_record, const std::string& what);

  std::string_view bytes_;
  std::size_t at_ = 0;
  std::size_t record_offset_ = 0;
  std::int64_t records_ = 0;
  std::vector<std::uint8_t> payload_;   // the segments of a continued record, joined
  std::span<const std::uint8_t> view_;  // the payload: in bytes_ for a record of one segment
  std::string problem_;
  bool broken_ = false;
};

// Decodes model file bytes into the payloads of its records. nullopt if the bytes are not a
// well-formed model file (no marker, unequal length bytes, missing end marker, trailing bytes).
[[nodiscard]] std::optional<std::vector<std::vector<std::uint8_t>>> read_model_records(
    std::string_view bytes);

}  // namespace vevadar::recordfiles
