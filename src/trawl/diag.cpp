#include "trawl/diag.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "trawl/asinfo.h"
#include "trawl/dedup_set.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"
#include "trawl/sort.h"
#include "trawl/time_values.h"

namespace trawl {

void log_line(const char* fmt, ...) {
  fprintf(stderr, "%s [%s]: ", program_name.c_str(), timeval_str(nullptr, true));
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  fputc('\n', stderr);
}

void debug_line(bool header, const char* fmt, ...) {
  if (header) fprintf(stderr, "debug [%s]: ", timeval_str(nullptr, true));
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
}

void usage_error(const char* fmt, ...) {
  fputs("error: ", stderr);
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  fputs("\n\n", stderr);
  fprintf(stderr, "try   %s -h   for a short description of program usage.\n",
          program_name.c_str());
  clean_exit(1);
}

void panic_exit(const char* operation) {
  const int saved = errno;
  log_line("panic (%s): %s", operation, strerror(saved));
  clean_exit(1);
}

void clean_exit(int status) {
  presentation_name.reset();
  if (minimal_set) dedup_set_destroy(minimal_set);
  writer_fini_all();
  engine_fini();
  config_file.reset();
  cookie_file.reset();
  if (psys != nullptr) psys->destroy();
  sort_keys_free();
  asinfo_close();
  if (debug_level >= 1) debug_line(true, "about to call exit(%d)\n", status);
  exit(status);
}

bool parse_decimal_long(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE) return false;
  *value = v;
  return true;
}

void set_timeout(const char* text, const char* label) {
  long v = 0;
  if (!parse_decimal_long(text, &v) || v < 0) usage_error("%s must be non-negative", label);
  timeout = v;
}

}  // namespace trawl
