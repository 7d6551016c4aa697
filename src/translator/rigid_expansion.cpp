#include "translator/readers.h"

namespace vevadar::translator {

ReaderOutcome expand_rigid_element(RunState& /*state*/, std::int32_t /*row*/) {
  return {Route::kNoReader};
}

}  // namespace vevadar::translator
