#include "program/progress.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/diag.h"

namespace trawl {

namespace {

constexpr auto first_draw_after = std::chrono::seconds(1);
constexpr auto redraw_every = std::chrono::milliseconds(100);

std::string clock_text(long elapsed_ms) {
  const long s = elapsed_ms / 1000;
  char text[48];
  if (s >= 3600)
    snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

std::string bytes_text(int64_t bytes) {
  char text[48];
  if (bytes < 1024) {
    snprintf(text, sizeof text, "%" PRId64 " bytes", bytes);
    return text;
  }
  constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(units)) {
    value /= 1024;
    ++unit;
  }
  snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

bool same_terminal(int a, int b) {
  struct stat sa {};
  struct stat sb {};
  return isatty(a) != 0 && isatty(b) != 0 && fstat(a, &sa) == 0 && fstat(b, &sb) == 0 &&
         sa.st_rdev == sb.st_rdev;
}

// A row longer than the terminal wraps, and "\r" would then redraw only
// its last part.
size_t terminal_columns() {
  winsize ws{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

}  // namespace

std::string progress_text(const progress_counts& counts, long elapsed_ms) {
  std::string text;
  if (counts.batch) {
    text = std::to_string(counts.lines_done) + (counts.lines_done == 1 ? " line" : " lines") +
           " done, " + std::to_string(counts.lines_failed) + " failed, ";
  }
  text += std::to_string(counts.records) + (counts.records == 1 ? " record, " : " records, ");
  if (!counts.batch) text += bytes_text(counts.bytes) + " received, ";
  return text + clock_text(elapsed_ms) + " elapsed";
}

bool progress_wanted(const run_options& opts) {
  if (opts.quiet || opts.no_progress || opts.debug_level > 0) return false;
  // Lines typed on the terminal would share the row with the progress line;
  // such a batch answers line by line anyway.
  if (opts.batching != batch_mode::none && isatty(STDIN_FILENO) != 0) return false;
  const char* term = getenv("TERM");
  if (term == nullptr || *term == '\0' || strcmp(term, "dumb") == 0) return false;
  return isatty(STDERR_FILENO) != 0;
}

progress_line::progress_line(const run_options& opts, run_state& run,
                             std::function<progress_counts()> source)
    : state(run), on(progress_wanted(opts)), counts(std::move(source)) {
  if (!on) return;
  state.engine.tick = [this] { update(); };
  if (same_terminal(state.sink.descriptor(), STDERR_FILENO))
    state.sink.before_write = status_line_clear;
}

progress_line::~progress_line() {
  if (!on) return;
  state.engine.tick = nullptr;
  state.sink.before_write = nullptr;
  status_line_clear();
}

void progress_line::update() {
  if (!on) return;
  const steady::time_point now = steady::now();
  if (now - started < first_draw_after) return;
  if (drawn != steady::time_point{} && now - drawn < redraw_every) return;
  drawn = now;
  const long elapsed = static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now - started).count());
  std::string text = progress_text(counts(), elapsed);
  const size_t columns = terminal_columns();
  if (text.size() >= columns) text.resize(columns - 1);
  status_line_draw(text);
}

}  // namespace trawl
