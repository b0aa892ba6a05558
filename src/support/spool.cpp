#include "support/spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace trawl {

namespace {

// An unnamed file in the temporary directory: gone when it is closed.
int unnamed_file() {
  const char* dir = getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') dir = "/tmp";
  const int fd = open(dir, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != ENOENT)) return fd;
  // A file system without O_TMPFILE: a named file, unlinked at once.
  std::string name = std::string(dir) + "/trawl-spool-XXXXXX";
  const int named = mkostemp(name.data(), O_CLOEXEC);
  if (named >= 0) unlink(name.c_str());
  return named;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

// Past the memory limit the buffer is the file's: written out whenever it
// fills.
bool spool::spill() {
  file_.reset(unnamed_file());
  if (!file_) {
    error_ = std::string("temporary file: ") + strerror(errno);
    return false;
  }
  return flush();
}

bool spool::flush() {
  if (!write_all(file_.get(), memory_)) {
    error_ = std::string("temporary file: ") + strerror(errno);
    return false;
  }
  memory_.clear();
  return true;
}

bool spool::append(std::string_view bytes) {
  if (failed()) return false;
  size_ += bytes.size();
  if (memory_.size() + bytes.size() > memory_limit_ && !(file_ ? flush() : spill())) return false;
  memory_.append(bytes);
  return true;
}

bool spool::read_back(size_t piece, const std::function<bool(std::string_view)>& sink) {
  if (failed() || (file_ && !memory_.empty() && !flush())) return false;
  if (!file_) {
    for (size_t at = 0; at < memory_.size(); at += piece)
      if (!sink(std::string_view(memory_).substr(at, piece))) return false;
    return true;
  }
  std::vector<char> buffer(piece);
  for (off_t at = 0;;) {
    const ssize_t n = pread(file_.get(), buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = std::string("temporary file: ") + strerror(errno);
      return false;
    }
    if (n == 0) return true;
    if (!sink(std::string_view(buffer.data(), static_cast<size_t>(n)))) return false;
    at += n;
  }
}

}  // namespace trawl
