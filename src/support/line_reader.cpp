#include "support/line_reader.h"

#include <sys/types.h>

#include <cstdlib>

namespace trawl {

line_reader::~line_reader() {
  free(data_);
}

bool line_reader::next(std::string_view& line) {
  const ssize_t n = getline(&data_, &capacity_, in_);
  if (n <= 0) return false;
  line = std::string_view(data_, static_cast<size_t>(n));
  return true;
}

}  // namespace trawl
