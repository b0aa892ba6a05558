// Diagnostics on standard error, and the failures of the system or of a
// library that a lower layer hands up: the program layer alone reports
// them, once, and ends the run.
#pragma once

#include <string>

namespace trawl {

struct run_options;

#define TRAWL_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))

// Every message carries the program name and obeys the debug level of these
// options; they must outlive the run.
void diag_attach(const run_options& opts);

// One complete line: "NAME [STAMP]: message\n".
void log_line(const char* fmt, ...) TRAWL_PRINTF(1, 2);

// log_line with "warning: " before the message.
void warning(const char* fmt, ...) TRAWL_PRINTF(1, 2);

// True when debug output of this level is written.
bool debugging(int level);

// Debug text starting a line ("debug [STAMP]: "), written only when the debug
// level reaches level; no newline is added.
void debug_line(int level, const char* fmt, ...) TRAWL_PRINTF(2, 3);

// Debug text continuing the current line.
void debug_more(int level, const char* fmt, ...) TRAWL_PRINTF(2, 3);

// A line kept at the foot of a terminal on standard error (the progress
// line): drawn over its earlier text, and erased before any diagnostic is
// written, so that messages never mix with it. Its owner decides when it is
// drawn; it must fit on one row.
void status_line_draw(const std::string& text);

// Erases the status line, if one is shown.
void status_line_clear();

// A system call failed: reported as "panic (OPERATION): ERROR".
struct panic_error {
  std::string operation;
  int error_number;
};

// A library refused what the run cannot do without; message is logged
// unless empty.
struct fatal_error {
  std::string message;
};

}  // namespace trawl
