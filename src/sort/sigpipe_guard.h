// Keeps a dead sort child from killing the program through SIGPIPE.
#pragma once

#include <csignal>

namespace trawl {

// While alive, a write into a pipe whose reader is gone fails with EPIPE
// instead of raising SIGPIPE. A sort program that could not be started is
// reported from its exit status, and the writes into its pipe, buffered by
// stdio, may happen anywhere, including outside the transfer library's own
// SIGPIPE handling.
class sigpipe_guard {
 public:
  sigpipe_guard() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &saved_);
  }
  ~sigpipe_guard() { sigaction(SIGPIPE, &saved_, nullptr); }
  sigpipe_guard(const sigpipe_guard&) = delete;
  sigpipe_guard& operator=(const sigpipe_guard&) = delete;

 private:
  struct sigaction saved_ = {};
};

}  // namespace trawl
