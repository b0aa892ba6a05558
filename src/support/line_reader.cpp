#include "support/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace trawl {

line_reader::line_reader(int fd, size_t max_line)
    : fd_(fd), max_line_(max_line), buffer_(size_t{64} << 10) {}

// What has arrived is taken as it comes: a program that writes one line and
// waits for its answer must not wait for a buffer to fill.
bool line_reader::fill() {
  if (at_end_) return false;
  start_ = 0;
  end_ = 0;
  ssize_t n;
  do {
    n = read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    at_end_ = true;
    if (n < 0) error_ = errno;
    return false;
  }
  end_ = static_cast<size_t>(n);
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
