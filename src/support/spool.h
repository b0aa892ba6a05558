// Bytes gathered as they stream, to be read back once complete: in memory
// while they are few, in an unnamed temporary file past that, so that a
// long answer keeps memory flat (the file is written a buffer at a time).
// A process that dies leaves nothing behind.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "support/file_handles.h"

namespace trawl {

class spool {
 public:
  explicit spool(size_t memory_limit = size_t{256} << 10) : memory_limit_(memory_limit) {}

  // Appends bytes; false when they could not be kept (no temporary file, a
  // full disk), after which the spool holds nothing usable and error() says
  // why.
  bool append(std::string_view bytes);

  size_t size() const { return size_; }
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

  // Hands the bytes over from the start, in pieces of at most `piece`
  // bytes; stops at the first piece the sink refuses (returns false) and
  // returns false then, or when reading failed.
  bool read_back(size_t piece, const std::function<bool(std::string_view)>& sink);

 private:
  bool spill();
  bool flush();

  size_t memory_limit_;
  size_t size_ = 0;
  std::string memory_;
  unique_fd file_;
  std::string error_;
};

}  // namespace trawl
