// FixedRecordFile: the node index file, 4-byte records behind a direct-mapped cache of 4 KiB
// blocks. Every node label of a run costs one write and every later reference one read, so a
// lookup of a cached block must not reach the C library at all: the file's length in records is
// kept here, and a block is read from disk only when it enters the cache.
//
// Invariants: a dirty block holds the newest bytes of its part of the file; the file on disk is
// bytes_on_disk_ long and never longer than records_in_file_ * 4; bytes of a block beyond the
// end on disk are zero (a gap in the file reads as zero bytes too).
#include "recordfiles/recordfiles.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "recordfiles/coding.h"

namespace vevadar::recordfiles {
namespace {

constexpr auto kRecordBytes = static_cast<std::int64_t>(kScalarBytes);
static_assert(static_cast<std::int64_t>(FixedRecordFile::kMaxRecord - 1) * kRecordBytes <=
                  INT32_MAX,
              "every record offset fits a signed 32-bit file offset");

}  // namespace

bool FixedRecordFile::open(const std::string& name, bool empty) {
  std::fill(std::begin(slots_), std::end(slots_), Slot{});
  records_in_file_ = 0;
  bytes_on_disk_ = 0;
  if (file_.open_or_create(name) == BinaryFile::Opened::kFailed) return false;
  if (empty) {
    // Records of an earlier run must not be found by this run's lookups.
    if (!file_.cut()) return false;
    return true;
  }
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(name, error);
  if (error) return true;  // found empty: nothing can be read back, writes still work
  bytes_on_disk_ = static_cast<std::int64_t>(std::min<std::uintmax_t>(size, INT64_MAX));
  // A partial record at the end is not a record.
  records_in_file_ = bytes_on_disk_ / kRecordBytes;
  return true;
}

std::uint8_t* FixedRecordFile::block_for(std::int64_t number) {
  const auto index = static_cast<std::size_t>(number) % kCacheBlocks;
  Slot& slot = slots_[index];
  std::uint8_t* const bytes = cache_[index].bytes;
  if (slot.number == number) return bytes;
  if (slot.dirty && !write_back(index)) return nullptr;

  slot.number = -1;
  const std::int64_t offset = number * static_cast<std::int64_t>(kBlockBytes);
  std::size_t on_disk = 0;
  if (offset < bytes_on_disk_) {
    const auto wanted = static_cast<std::size_t>(
        std::min<std::int64_t>(bytes_on_disk_ - offset, static_cast<std::int64_t>(kBlockBytes)));
    bool error = false;
    if (!file_.seek(offset)) return nullptr;
    on_disk = file_.read(bytes, wanted, &error);
    if (error) return nullptr;
  }
  std::memset(bytes + on_disk, 0, kBlockBytes - on_disk);
  slot.number = number;
  return bytes;
}

bool FixedRecordFile::write_back(std::size_t index) {
  Slot& slot = slots_[index];
  const std::int64_t offset = slot.number * static_cast<std::int64_t>(kBlockBytes);
  // Only the records inside the file: the file ends with the largest record written.
  const std::int64_t size = std::min<std::int64_t>(records_in_file_ * kRecordBytes - offset,
                                                   static_cast<std::int64_t>(kBlockBytes));
  if (size > 0) {
    if (!file_.seek(offset) || !file_.write(cache_[index].bytes, static_cast<std::size_t>(size))) {
      return false;
    }
    bytes_on_disk_ = std::max(bytes_on_disk_, offset + size);
  }
  slot.dirty = false;
  return true;
}

bool FixedRecordFile::write_block(std::int32_t record, std::int32_t value) {
  // Outside the range a record number would name bytes of another record, or none.
  if (record < 1 || record > kMaxRecord) return false;
  const std::int64_t index = record - 1;
  const std::int64_t number = index / static_cast<std::int64_t>(kBlockRecords);
  std::uint8_t* const bytes = block_for(number);
  if (bytes == nullptr) return false;
  encode_int32(bytes + (index % static_cast<std::int64_t>(kBlockRecords)) * kRecordBytes, value);
  slots_[static_cast<std::size_t>(number) % kCacheBlocks].dirty = true;
  records_in_file_ = std::max<std::int64_t>(records_in_file_, record);
  return true;
}

FixedRecordFile::ReadResult FixedRecordFile::read_block(std::int32_t record) {
  if (record < 1) return {ReadStatus::kOutOfRange, 0};
  if (record > records_in_file_) return {ReadStatus::kEndOfFile, 0};
  const std::int64_t index = record - 1;
  const std::uint8_t* const bytes = block_for(index / static_cast<std::int64_t>(kBlockRecords));
  // A block that cannot be read holds no record this run can find.
  if (bytes == nullptr) return {ReadStatus::kEndOfFile, 0};
  return {ReadStatus::kOk,
          decode_int32(bytes + (index % static_cast<std::int64_t>(kBlockRecords)) * kRecordBytes)};
}

void FixedRecordFile::close_keep() {
  if (!file_.is_open()) return;
  for (std::size_t index = 0; index < kCacheBlocks; ++index) {
    if (slots_[index].dirty) (void)write_back(index);
    slots_[index].number = -1;
  }
  (void)file_.close();
}

void FixedRecordFile::close_delete() {
  std::fill(std::begin(slots_), std::end(slots_), Slot{});
  records_in_file_ = 0;
  bytes_on_disk_ = 0;
  if (file_.is_open()) (void)file_.close_and_remove();
}

}  // namespace vevadar::recordfiles
