// BinaryFile: one file in binary mode over the C library's stream, with the open-or-create rule,
// a sticky write error and the write fault seam.
#include "recordfiles/recordfiles.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define VEVADAR_HAS_FTRUNCATE 1
#endif

namespace vevadar::recordfiles {
namespace {

bool is_directory(const std::string& name) {
  std::error_code error;
  return std::filesystem::is_directory(name, error);
}

bool exists(const std::string& name) {
  std::error_code error;
  return std::filesystem::exists(name, error);
}

// The file's full path as it is when it is opened. Later reopening (cut) and removal use it, so
// they reach the same file even if the host changes the current directory during the run.
std::string full_path(const std::string& name) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(name, error);
  return error ? name : path.string();
}

}  // namespace

bool BinaryFile::attach(std::FILE* file, Access access) {
  file_ = file;
  access_ = access;
  last_op_ = LastOp::kNone;
  pending_ = 0;
  if (file_ == nullptr) {
    const int reason = errno;
    open_error_ = reason != 0 ? std::error_code(reason, std::generic_category())
                              : std::make_error_code(std::errc::io_error);
    return false;
  }
  open_error_.clear();
  // Writes collect in buffer_; a failed setvbuf only leaves the library's own buffer in place.
  (void)std::setvbuf(file_, nullptr, _IONBF, 0);
  return true;
}

BinaryFile::Opened BinaryFile::open_or_create(const std::string& name) {
  close();
  name_ = full_path(name);
  failed_ = false;
  // Opening a directory for reading succeeds on some systems; it is never a file of ours.
  if (refuse_name(name)) return Opened::kFailed;

  if (attach(std::fopen(name.c_str(), "r+b"), Access::kReadWrite)) return Opened::kExisting;
  if (exists(name)) {
    if (attach(std::fopen(name.c_str(), "rb"), Access::kReadOnly)) return Opened::kExisting;
    // The C library has no write-only mode that neither empties nor appends; appending keeps
    // the content, and cut() reopens the file for ordinary writing.
    if (attach(std::fopen(name.c_str(), "ab"), Access::kWriteOnly)) return Opened::kExisting;
    return Opened::kFailed;
  }
  if (attach(std::fopen(name.c_str(), "w+b"), Access::kReadWrite)) return Opened::kCreated;
  if (attach(std::fopen(name.c_str(), "wb"), Access::kWriteOnly)) return Opened::kCreated;
  return Opened::kFailed;
}

bool BinaryFile::open_for_reading(const std::string& name) {
  close();
  name_ = name;
  failed_ = false;
  if (refuse_name(name)) return false;
  return attach(std::fopen(name.c_str(), "rb"), Access::kReadOnly);
}

bool BinaryFile::refuse_name(const std::string& name) {
  if (name.empty()) {
    open_error_ = std::make_error_code(std::errc::no_such_file_or_directory);
    return true;
  }
  if (is_directory(name)) {
    open_error_ = std::make_error_code(std::errc::is_a_directory);
    return true;
  }
  return false;
}

bool BinaryFile::write_out() {
  if (pending_ == 0) return true;
  const std::size_t size = pending_;
  pending_ = 0;
  if (std::fwrite(buffer_, 1, size, file_) != size) {
    failed_ = true;
    return false;
  }
  return true;
}

bool BinaryFile::switch_to(LastOp op) {
  // A refused write is sticky; the read or seek itself still goes ahead.
  if (op != LastOp::kWrite) (void)write_out();
  if (last_op_ != LastOp::kNone && last_op_ != op) {
    // Positioning at the current offset satisfies the C library's rule in both directions.
    if (std::fseek(file_, 0, SEEK_CUR) != 0) return false;
  }
  last_op_ = op;
  return true;
}

bool BinaryFile::write_through(const void* data, std::size_t size) {
  if (fault_.fail_at > 0 && --fault_.fail_at == 0) {
    failed_ = true;
    return false;
  }
  if (file_ == nullptr || !switch_to(LastOp::kWrite)) {
    failed_ = true;
    return false;
  }
  if (size > kBufferBytes - pending_ && !write_out()) return false;
  if (size >= kBufferBytes) {
    if (std::fwrite(data, 1, size, file_) != size) {
      failed_ = true;
      return false;
    }
    return true;
  }
  std::memcpy(buffer_ + pending_, data, size);
  pending_ += size;
  return true;
}

std::size_t BinaryFile::read(void* data, std::size_t size, bool* error) {
  if (file_ == nullptr || !switch_to(LastOp::kRead)) {
    if (error != nullptr) *error = true;
    return 0;
  }
  // Each read reports its own error: the stream's error flag would otherwise stay set after one
  // failed read and turn every later short read at the end of the file into a failure.
  std::clearerr(file_);
  const std::size_t got = std::fread(data, 1, size, file_);
  if (error != nullptr) *error = got < size && std::ferror(file_) != 0;
  return got;
}

bool BinaryFile::seek(std::int64_t offset) {
  if (file_ == nullptr || offset < 0 || offset > LONG_MAX) return false;
  // A refused write is sticky; the seek itself still goes ahead.
  (void)write_out();
  if (std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) return false;
  last_op_ = LastOp::kNone;
  return true;
}

bool BinaryFile::cut() {
  if (file_ == nullptr || access_ == Access::kReadOnly) {
    failed_ = true;
    return false;
  }
  // What was written before the cut goes to the file first, as the C library would do it.
  (void)write_out();
  // Reopening with "w" empties the file; freopen closes the old stream whatever happens.
  const char* mode = access_ == Access::kReadWrite ? "w+b" : "wb";
  if (!attach(std::freopen(name_.c_str(), mode, file_), access_)) {
    failed_ = true;
    return false;
  }
  return true;
}

bool BinaryFile::can_cut_here() const {
#if defined(VEVADAR_HAS_FTRUNCATE)
  return file_ != nullptr && access_ == Access::kReadWrite;
#else
  return false;
#endif
}

bool BinaryFile::cut_here() {
#if defined(VEVADAR_HAS_FTRUNCATE)
  if (can_cut_here() && write_out()) {
    const long position = std::ftell(file_);
    if (position >= 0 && ::ftruncate(fileno(file_), static_cast<off_t>(position)) == 0) {
      return true;
    }
  }
#endif
  failed_ = true;
  return false;
}

bool BinaryFile::close() {
  fault_ = WriteFault{};
  if (file_ == nullptr) return true;
  const bool flushed = write_out() && std::fflush(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return flushed && closed && !failed_;
}

bool BinaryFile::close_and_remove() {
  const bool closed = close();
  std::error_code error;
  const bool removed = std::filesystem::remove(name_, error);
  return closed && removed;
}

}  // namespace vevadar::recordfiles
