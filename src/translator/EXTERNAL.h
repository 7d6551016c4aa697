// The run state shared by the run, the scanner and the dataset readers. One instance per
// process (runs never overlap); everything in it is set afresh at the start of every run.
#pragma once

#include <cstdint>

#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"
#include "textfields/textfields.h"
#include "translator/SCALE.h"

namespace vevadar::translator {

class Messages;
class RunObserver;

// Run counters that are not table counts (those live in the Model). All start at 0.
struct RunCounters {
  std::int32_t largest_part_id = 0;
  std::int32_t largest_element_label = 0;
  std::int32_t generated_rigid_count = 0;  // spokes made from rigid elements so far
  std::int32_t datasets = 0;               // dataset number lines met, read or skipped
  // Columns of the restraint and load tables the run has written to: the highest set index.
  std::int32_t restraint_columns = 0;
  std::int32_t load_columns = 0;
};

struct RunState {
  textfields::LineReader& lines;
  modelfile::Model& model;
  RunCounters& counters;
  recordfiles::FixedRecordFile& node_index;  // velm.inn: record = node label, value = node index
  Messages& messages;
  RunObserver* observer = nullptr;  // RunOptions::observer
};

}  // namespace vevadar::translator
