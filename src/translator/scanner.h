// The scan of the universal file: frames it into datasets by their delimiter lines, validates
// each dataset number, dispatches to the reader registered for it, and reports every error.
#pragma once

#include <cstdint>

#include "translator/EXTERNAL.h"
#include "translator/readers.h"

namespace vevadar::translator {

enum class ScanEnd : std::uint8_t {
  kCompleted,  // the end of the file was met where a dataset could begin
  kPremature,  // a reader met the end of the file inside its dataset
};

ScanEnd scan(RunState& state);

// The dataset entry (reader and facts) registered for a dataset number, or nullptr when none
// is.
const Dataset* reader_for(std::int32_t number);

}  // namespace vevadar::translator
