#include "program/exit.h"

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "engine/writer.h"

namespace trawl {

run& the_run() {
  static run instance;
  return instance;
}

void usage_error(const char* fmt, ...) {
  fputs("error: ", stderr);
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  fputs("\n\n", stderr);
  fprintf(stderr, "try   %s -h   for a short description of program usage.\n",
          the_run().opts.program_name.c_str());
  clean_exit(1);
}

void panic_exit(const char* operation, int error_number) {
  log_line("panic (%s): %s", operation, strerror(error_number));
  clean_exit(1);
}

namespace {

bool output_reported = false;

}  // namespace

void output_failure(int error_number) {
  if (error_number == EPIPE) {
    // The reader has gone, as when output is piped into head: end quietly,
    // the way every filter does.
    signal(SIGPIPE, SIG_DFL);
    raise(SIGPIPE);
  }
  if (!output_reported) log_line("write error: %s", strerror(error_number));
  output_reported = true;
}

void clean_exit(int status) {
  run_options& opts = the_run().opts;
  run_state& state = the_run().state;
  opts.presentation_name.reset();
  if (state.minimal_set) dedup_set_destroy(state.minimal_set);
  writer_fini_all(state);
  engine_fini(state);
  opts.config_file.reset();
  opts.cookie_file.reset();
  if (state.psys != nullptr) state.psys->destroy(state.settings);
  opts.sort_keys.clear();
  state.asinfo.close();
  // Whatever went out last is checked too: a full disk shows only here.
  if (!output_reported && (fflush(stdout) != 0 || ferror(stdout))) {
    output_failure(errno != 0 ? errno : EIO);
    status = 1;
  }
  debug_line(1, "about to call exit(%d)\n", status);
  exit(status);
}

void set_timeout(run_options& opts, const char* text, const char* label) {
  long v = 0;
  if (!parse_decimal_long(text, &v) || v < 0) usage_error("%s must be non-negative", label);
  opts.timeout = v;
}

}  // namespace trawl
