// Reads lines from a descriptor, each at most a bound long, through one
// reused buffer: a line that fits in the buffer is never copied.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace trawl {

// Far above any real record or query line; a peer that never sends a
// newline cannot make us hold more than this.
inline constexpr size_t max_line_bytes = size_t{64} << 20;

class line_reader {
 public:
  explicit line_reader(int fd, size_t max_line = max_line_bytes);
  line_reader(const line_reader&) = delete;
  line_reader& operator=(const line_reader&) = delete;

  // The next line with its newline, if it has one (only the last line of
  // the input may lack it); false at the end of the input or on a read
  // error. A line longer than the bound comes back empty with too_long()
  // set, its bytes skipped.
  bool next(std::string_view& line);

  bool too_long() const { return too_long_; }

  // The errno of a failed read, or 0.
  int error() const { return error_; }

 private:
  bool fill();

  int fd_;
  size_t max_line_;
  std::vector<char> buffer_;
  size_t start_ = 0;  // unread bytes are buffer_[start_, end_)
  size_t end_ = 0;
  std::string long_line_;  // a line that spans reads
  bool too_long_ = false;
  bool at_end_ = false;
  int error_ = 0;
};

}  // namespace trawl
