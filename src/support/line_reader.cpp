#include "support/line_reader.h"

#include <cerrno>
#include <cstring>

namespace trawl {

line_reader::line_reader(FILE* in, size_t max_line)
    : in_(in), max_line_(max_line), buffer_(size_t{64} << 10) {}

bool line_reader::fill() {
  if (at_end_) return false;
  start_ = 0;
  errno = 0;
  end_ = fread(buffer_.data(), 1, buffer_.size(), in_);
  if (end_ == 0) {
    at_end_ = true;
    if (ferror(in_)) error_ = errno != 0 ? errno : EIO;
    return false;
  }
  return true;
}

bool line_reader::next(std::string_view& line) {
  too_long_ = false;
  long_line_.clear();
  bool skipping = false;  // past the bound: the rest of the line is dropped
  for (;;) {
    if (start_ == end_ && !fill()) break;
    const char* from = buffer_.data() + start_;
    const size_t available = end_ - start_;
    const void* nl = memchr(from, '\n', available);
    const size_t take =
        nl != nullptr ? static_cast<size_t>(static_cast<const char*>(nl) - from) + 1 : available;
    start_ += take;
    if (!skipping && long_line_.size() + take > max_line_) {
      skipping = true;
      long_line_.clear();
    }
    if (nl != nullptr && !skipping && long_line_.empty()) {
      line = std::string_view(from, take);  // the whole line is in the buffer
      return true;
    }
    if (!skipping) long_line_.append(from, take);
    if (nl != nullptr) break;
  }
  if (skipping) {
    too_long_ = true;
    line = std::string_view();
    return true;
  }
  if (long_line_.empty()) return false;
  line = long_line_;
  return true;
}

}  // namespace trawl
