// Reads lines of any length from a stdio stream into one reused buffer.
#pragma once

#include <cstdio>
#include <string_view>

namespace trawl {

class line_reader {
 public:
  explicit line_reader(FILE* in) : in_(in) {}
  line_reader(const line_reader&) = delete;
  line_reader& operator=(const line_reader&) = delete;
  ~line_reader();

  // The next line with its newline, if it has one; false at end of input.
  bool next(std::string_view& line);

 private:
  FILE* in_;
  char* data_ = nullptr;  // getline's storage, owned by the C library's allocator
  size_t capacity_ = 0;
};

}  // namespace trawl
