#include "records/annotation.h"

#include "core/state.h"

namespace trawl {

asinfo_result asinfo_from_rr(const run_options&, run_state&, const char*, const char*) {
  // Annotation lookups are not made yet: every value goes unannotated.
  return {};
}

}  // namespace trawl
