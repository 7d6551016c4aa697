// translator: one run of the translator, from the universal file to the model file.
//
// What this area offers:
//   - run_translation: a whole run against a Host (the entry RUV2IRU binds the host program's
//     callbacks; the command-line host and the tests bring their own Host);
//   - RunResult: how the run ended, for callers that need an exit status;
//   - RunObserver: an optional listener to what a run meets and passes over (vevadar's own notes
//     and info); the library's entry passes none;
//   - FileSource: an open universal file as a line reader's byte source.
// Inside: the run (idsuniv.cpp), the scanner, the host message layer and one reader per group of
// datasets, sharing the run state declared in EXTERNAL.h with the capacities of SCALE.h.
#pragma once

#include <cstdint>
#include <string_view>
#include <system_error>

#include "host/host.h"
#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"

namespace vevadar::translator {

// The model file a run writes, in its folder.
inline constexpr char kModelFileName[] = "velm.bin";

enum class RunEnd : std::uint8_t {
  kCompleted,        // summary sent, model file written
  kModelNotWritten,  // premature end, an input or run file that could not be opened, or a
                     // model file write the file system refused (velm.bin is then 4B 82)
  kBusy,             // another run was in progress in this process; nothing was touched
};

struct RunResult {
  RunEnd end = RunEnd::kCompleted;
  std::int32_t error_lines = 0;    // lines sent to Host::error that are not warnings
  std::int32_t warning_lines = 0;  // element type warnings
  bool premature_end = false;      // the file ended inside a dataset (velm.bin is untouched)
  std::int32_t datasets = 0;       // datasets met: dataset number lines, read or skipped
  // What the model file of a completed run holds, as its count records give it, and its element
  // records (the element rows that hold an element); all 0 for a run that wrote no model.
  modelfile::Counts counts;
  std::int32_t element_records = 0;
  // The file the run could not open, and the system's reason: the input (input_unopened), or
  // the run file unopened_run_file ("velm.bin", ...) that could not be opened or created.
  bool input_unopened = false;
  const char* unopened_run_file = nullptr;
  std::error_code open_error;
};

// What the scan passed over after an error line, or where a reader left the rest of its
// dataset unread.
struct SkippedRest {
  enum class Cause : std::uint8_t {
    kError,             // an error line that holds its line counter
    kErrorWithoutLine,  // an error line that does not (the missing node, the data type error)
    kLeftUnread,        // no error: the reader does not read the rest (dataset 754's kinds)
  };
  Cause cause = Cause::kError;
  std::int32_t dataset = 0;  // the dataset number; 0 when the number line held none
  std::int32_t line = 0;     // the line counter where it happened
  // The lines passed over, first to last (none when last < first), the delimiter line that ended
  // the pass not included.
  std::int32_t first = 0;
  std::int32_t last = 0;
  bool closed = true;  // false: the file ended before a delimiter line
};

// Hears what a run meets, for a program that shows more than the host's lines. Each call comes
// on the run's thread, in order with the host lines: a skipped rest after its error line, the
// tab lines of a dataset when its reader returns. Each does nothing unless overridden. A run
// without an observer (the entry's) pays nothing for one.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A dataset number line, the line counter `line`: `number` as read, 0 when it holds no dataset
  // number (an error line then says so).
  virtual void dataset(std::int32_t /*number*/, std::int32_t /*line*/) {}
  // An element header: its descriptor and whether the model can hold that element type (false:
  // dropped with a warning). A header whose element then fails to read was still met.
  virtual void element_header(std::int32_t /*descriptor*/, bool /*kept*/) {}
  // The end of a pass over the rest of a dataset.
  virtual void skipped(const SkippedRest& /*rest*/) {}
  // Lines of dataset `dataset` read by its reader that hold a tab among their 80 columns:
  // `lines` of them, the first at line counter `first_line`.
  virtual void tab_lines(std::int32_t /*dataset*/, std::int32_t /*lines*/,
                         std::int32_t /*first_line*/) {}
};

// Where the run's files go, test seams and observers; a normal run uses the defaults.
struct RunOptions {
  // The folder in which the run's files (velm.bin, velm.inn, temp.prt, rozedere.msg) are named;
  // empty: the current directory, as the host expects. The input's name is used as given. Error
  // lines name a run file as the run calls it ("velm.bin"), wherever it lies.
  std::string_view directory = {};
  recordfiles::WriteFault model_write_fault = {};  // refuse the n-th write to velm.bin
  RunObserver* observer = nullptr;
};

// An open universal file as the line reader's byte source. A read that fails part way delivers
// the bytes it got together with the failure: the line reader reports the failure right after
// them.
class FileSource final : public textfields::ByteSource {
 public:
  explicit FileSource(recordfiles::BinaryFile& file) : file_(file) {}
  Chunk read(char* buffer, std::size_t capacity) override;

 private:
  recordfiles::BinaryFile& file_;
};

// One complete translation of the universal file `input_name` (used as given; the caller trims
// it). The run's other files are in options.directory. Runs must not overlap: a call while
// another run is in progress reports "**ERROR : TRANSLATOR IS BUSY" and returns kBusy.
RunResult run_translation(host::Host& host, std::string_view input_name,
                          const RunOptions& options = {});

// The name argument of the entry: `length` characters at `name`, without trailing blanks and NUL
// characters. Empty for a null address or a length of 0 or below.
std::string_view trim_name_argument(const char* name, std::int32_t length);

}  // namespace vevadar::translator
