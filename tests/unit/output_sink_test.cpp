#include "support/output_sink.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace trawl {
namespace {

// A pipe whose read end never blocks, so that a test sees exactly what has
// left the sink so far.
struct pipe_pair {
  int read_end = -1;
  int write_end = -1;
  pipe_pair() {
    int fds[2];
    EXPECT_EQ(pipe2(fds, O_NONBLOCK), 0);
    read_end = fds[0];
    write_end = fds[1];
  }
  ~pipe_pair() {
    if (read_end >= 0) close(read_end);
    if (write_end >= 0) close(write_end);
  }
  std::string drain() const {
    std::string got;
    char buf[4096];
    ssize_t n;
    while ((n = read(read_end, buf, sizeof buf)) > 0) got.append(buf, static_cast<size_t>(n));
    return got;
  }
};

TEST(OutputSink, LeavesWhenFlushedFullOrAtLineEndsOnATerminal) {
  struct row {
    bool line_flushed;
    size_t capacity;
    const char* first;
    const char* before_flush;  // what has left after the write, before flush()
  };
  const row rows[] = {
      {false, 64, "a\nb\n", ""},           // gathered, whatever the newlines
      {true, 64, "a\nb", "a\nb"},          // a completed line takes what is gathered
      {true, 64, "ab", ""},                // no line completed yet
      {false, 4, "abcdefgh", "abcdefgh"},  // larger than the buffer: straight through
  };
  for (const row& r : rows) {
    pipe_pair p;
    output_sink sink(p.write_end, r.line_flushed, r.capacity);
    sink.write(r.first);
    EXPECT_EQ(p.drain(), r.before_flush) << r.first;
    sink.flush();
    EXPECT_EQ(r.before_flush + p.drain(), r.first) << r.first;
  }
}

TEST(OutputSink, KeepsOrderAcrossAFullBuffer) {
  pipe_pair p;
  output_sink sink(p.write_end, false, 8);
  sink.write("12345");
  sink.write("6789");  // does not fit: what was gathered leaves first
  EXPECT_EQ(p.drain(), "12345");
  sink.write("0123456789");  // larger than the buffer
  EXPECT_EQ(p.drain(), "67890123456789");
  sink.flush();
  EXPECT_EQ(p.drain(), "");
}

TEST(OutputSink, AFailedWriteThrowsOnceWithItsError) {
  // The reader has gone (EPIPE), or the disk is full (ENOSPC).
  struct sigaction ignore = {}, saved = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);
  pipe_pair gone;
  close(gone.read_end);
  gone.read_end = -1;
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  const struct {
    int fd;
    int error;
  } rows[] = {{gone.write_end, EPIPE}, {full, ENOSPC}};
  for (const auto& r : rows) {
    output_sink sink(r.fd, false, 8);
    sink.write("1234");
    try {
      sink.write("56789");  // mid-run: the buffer fills and is written
      FAIL() << "no error for " << r.error;
    } catch (const output_error& e) {
      EXPECT_EQ(e.error_number, r.error);
    }
    EXPECT_EQ(sink.error(), r.error);
    // The run is ending: later output is dropped without a second report.
    EXPECT_NO_THROW(sink.write("more than eight bytes"));
    EXPECT_NO_THROW(sink.flush());
  }
  close(full);
  sigaction(SIGPIPE, &saved, nullptr);
}

}  // namespace
}  // namespace trawl
