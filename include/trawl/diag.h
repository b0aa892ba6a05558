// Diagnostics on standard error and the single way out of the program.
#pragma once

#include <string_view>

namespace trawl {

#define TRAWL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// One complete line: "NAME [STAMP]: message\n".
void log_line(const char* fmt, ...) TRAWL_PRINTF(1, 2);

// Debug text, with the "debug [STAMP]: " prefix when header is true; no newline added.
void debug_line(bool header, const char* fmt, ...) TRAWL_PRINTF(2, 3);

[[noreturn]] void usage_error(const char* fmt, ...) TRAWL_PRINTF(1, 2);
[[noreturn]] void panic_exit(const char* operation);
[[noreturn]] void clean_exit(int status);

// Reads a non-negative decimal time-out into the timeout setting, or ends the run.
void set_timeout(const char* text, const char* label);

// Reads a base-10 long as the option values are read: leading blanks and a
// sign allowed, trailing characters ignored. False when no digit was read or
// the value is out of range.
bool parse_decimal_long(const char* text, long* value);

}  // namespace trawl
