// The translator's fixed limits. The model tables' capacities come from the model file area;
// the limits below belong to the readers.
#pragma once

#include <cstdint>

#include "modelfile/modelfile.h"
#include "recordfiles/recordfiles.h"

namespace vevadar::translator {

using modelfile::kMaxElements;
using modelfile::kMaxNodes;
using modelfile::kMaxParts;
using modelfile::kMaxSetIds;
using modelfile::kMaxSets;

inline constexpr std::int32_t kMaxRigidNodes = 32;       // node buffer of one rigid element
inline constexpr std::int32_t kMaxDependentNodes = 100;  // dependent node list of a 754 record
inline constexpr std::int32_t kFirstSpokeLabel = 5'000'002;
inline constexpr std::int32_t kMaxDatasetNumber = 32'767;
inline constexpr std::int32_t kProgressEvery = 1'000;

// Node labels that can be node index file records: (label - 1) * 4 fits a signed 32-bit offset.
inline constexpr std::int32_t kMaxNodeLabel = recordfiles::FixedRecordFile::kMaxRecord;

}  // namespace vevadar::translator
