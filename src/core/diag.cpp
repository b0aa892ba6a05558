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

// Whether a status line is on the terminal now.
bool status_shown = false;

const char* program_name() {
  return attached != nullptr ? attached->program_name.c_str() : "trawl";
}

void vlog(const char* prefix, const char* fmt, va_list ap) {
  status_line_clear();
  fprintf(stderr, "%s [%s]: %s", program_name(), timeval_str(nullptr, true), prefix);
  vfprintf(stderr, fmt, ap);
  fputc('\n', stderr);
}

}  // namespace

void status_line_draw(const std::string& text) {
  // Back to the start of the row, the text, and the rest of the row erased:
  // one write, so the terminal never shows half of it.
  const std::string row = "\r" + text + "\x1b[K";
  fwrite(row.data(), 1, row.size(), stderr);
  status_shown = true;
}

void status_line_clear() {
  if (!status_shown) return;
  fputs("\r\x1b[K", stderr);
  status_shown = false;
}

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
  status_line_clear();
  fprintf(stderr, "debug [%s]: ", timeval_str(nullptr, true));
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void debug_more(int level, const char* fmt, ...) {
  if (!debugging(level)) return;
  status_line_clear();
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
}

}  // namespace trawl
