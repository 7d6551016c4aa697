#include "translator/readers.h"

namespace vevadar::translator {

ReaderOutcome read_element_dataset(RunState& /*state*/, std::int32_t /*dataset*/) {
  return {Route::kNoReader};
}

}  // namespace vevadar::translator
