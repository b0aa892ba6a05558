#include "support/json_ref.h"

#include <cstdlib>

namespace trawl {

void free_deleter::operator()(void* p) const {
  free(p);
}

}  // namespace trawl
