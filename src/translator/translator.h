// translator: one run of the translator, from the universal file to the model file.
//
// What this area offers:
//   - run_translation: a whole run against a Host (the entry RUV2IRU binds the host program's
//     callbacks; the command-line host and the tests bring their own Host);
//   - RunResult: how the run ended, for callers that need an exit status;
//   - ElementObserver: an optional listener to the element headers a run meets (vevadar info);
//   - FileSource: an open universal file as a line reader's byte source.
// Inside: the run (idsuniv.cpp), the scanner, the host message layer and one reader per group of
// datasets, sharing the run state declared in EXTERNAL.h with the capacities of SCALE.h.
#pragma once

#include <cstdint>
#include <string_view>

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
};

// Hears of every element header the element readers meet, for an inventory of a file: its
// descriptor and whether the model can hold that element type (false: it was dropped with a
// warning). A header whose element then fails to read was still met.
class ElementObserver {
 public:
  virtual ~ElementObserver() = default;
  virtual void element_header(std::int32_t descriptor, bool kept) = 0;
};

// Where the run's files go, test seams and observers; a normal run uses the defaults.
struct RunOptions {
  // The folder in which the run's files (velm.bin, velm.inn, temp.prt, rozedere.msg) are named;
  // empty: the current directory, as the host expects. The input's name is used as given. Error
  // lines name a run file as the run calls it ("velm.bin"), wherever it lies.
  std::string_view directory = {};
  recordfiles::WriteFault model_write_fault = {};  // refuse the n-th write to velm.bin
  ElementObserver* element_observer = nullptr;
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
