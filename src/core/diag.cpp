#include "core/diag.h"

#include <cstdarg>
#include <cstdio>

#include "core/options.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// Borrowed: messages may be written from any layer, and threading the options
// into every one of them would buy nothing.
const run_options* attached = nullptr;

const char* program_name() {
  return attached != nullptr ? attached->program_name.c_str() : "trawl";
}

void vlog(const char* prefix, const char* fmt, va_list ap) {
  fprintf(stderr, "%s [%s]: %s", program_name(), timeval_str(nullptr, true), prefix);
  vfprintf(stderr, fmt, ap);
  fputc('\n', stderr);
}

}  // namespace

void diag_attach(const run_options& opts) {
  attached = &opts;
}

void log_line(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vlog("", fmt, ap);
  va_end(ap);
}

void warning(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vlog("warning: ", fmt, ap);
  va_end(ap);
}

bool debugging(int level) {
  return attached != nullptr && attached->debug_level >= level;
}

void debug_line(int level, const char* fmt, ...) {
  if (!debugging(level)) return;
  fprintf(stderr, "debug [%s]: ", timeval_str(nullptr, true));
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void debug_more(int level, const char* fmt, ...) {
  if (!debugging(level)) return;
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
}

}  // namespace trawl
