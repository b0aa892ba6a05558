#include "support/output_sink.h"

#include <unistd.h>

#include <cerrno>

namespace trawl {

output_sink::output_sink(int fd, bool line_flushed, size_t capacity)
    : fd_(fd), line_flushed_(line_flushed), capacity_(capacity) {
  buffer_.reserve(capacity_);
}

void output_sink::write_through(std::string_view text) {
  if (before_write) before_write();
  while (!text.empty()) {
    const ssize_t n = ::write(fd_, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      buffer_.clear();
      throw output_error{error_};
    }
    text.remove_prefix(static_cast<size_t>(n));
  }
}

void output_sink::write(std::string_view text) {
  if (error_ != 0) return;
  if (buffer_.size() + text.size() > capacity_) {
    // A piece larger than the buffer goes out directly, after what came
    // before it: no copy, and no buffer that grows with a record.
    flush();
    if (text.size() >= capacity_) {
      write_through(text);
      return;
    }
  }
  buffer_.append(text);
  if (line_flushed_ && text.find('\n') != std::string_view::npos) flush();
}

void output_sink::flush() {
  if (error_ != 0 || buffer_.empty()) return;
  write_through(buffer_);
  buffer_.clear();
}

}  // namespace trawl
