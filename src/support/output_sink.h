// Standard output's one door: every byte the program prints passes through
// an output_sink, which owns the buffer, decides when it leaves, and checks
// every write.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace trawl {

// Standard output cannot be written; error_number says why. Thrown once, by
// the write that failed; the run ends on it.
struct output_error {
  int error_number;
};

class output_sink {
 public:
  // Bytes gathered before they are written in one piece.
  static constexpr size_t default_capacity = size_t{64} << 10;

  // line_flushed: each completed line leaves at once, for a person watching
  // a terminal; otherwise output leaves when the buffer fills or a caller
  // says an answer is complete.
  explicit output_sink(int fd, bool line_flushed = false, size_t capacity = default_capacity);
  output_sink(const output_sink&) = delete;
  output_sink& operator=(const output_sink&) = delete;

  // Appends text; throws output_error when a write it makes fails. After a
  // failure every later write is dropped: the run is already ending.
  void write(std::string_view text);

  // Writes out everything gathered; throws output_error on failure.
  void flush();

  // The errno of the write that failed, or 0.
  int error() const { return error_; }

  // The descriptor written to, for a look at what it is.
  int descriptor() const { return fd_; }

  // Called before bytes leave: a terminal that standard error shares has
  // its status line erased first, so that lines never run into it.
  std::function<void()> before_write;

 private:
  void write_through(std::string_view text);

  int fd_;
  bool line_flushed_;
  size_t capacity_;
  std::string buffer_;
  int error_ = 0;
};

}  // namespace trawl
