#include "backends/config.h"

#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "backends/systems.h"
#include "core/diag.h"
#include "core/state.h"
#include "support/line_reader.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

// The configuration shell, reaped with pclose so its status can be checked.
struct shell_pipe {
  FILE* stream = nullptr;
  explicit shell_pipe(const char* command) : stream(popen(command, "r")) {}
  shell_pipe(const shell_pipe&) = delete;
  shell_pipe& operator=(const shell_pipe&) = delete;
  int close() {
    const int status = pclose(stream);
    stream = nullptr;
    return status;
  }
  ~shell_pipe() {
    if (stream != nullptr) pclose(stream);
  }
};

// Takes one setting for the current system; lines for others are skipped.
std::optional<std::string> apply_setting(run_state& state, const std::string& system,
                                         const std::string& key, const std::string& value) {
  if (system != state.psys->name) return std::nullopt;
  if (const char* err = state.psys->setval(state.settings, key.c_str(), value.c_str()))
    return std::string("setval: ") + err;
  return std::nullopt;
}

// A system that the configuration selects starts from empty settings, yet
// lines for it may have come before the line that selects it: those are
// applied now, so that every line for the system finally selected counts
// whatever the order of the lines.
std::optional<std::string> apply_earlier_lines(run_state& state, int line_no) {
  if (!state.config_lines) return std::nullopt;
  const std::vector<std::string>& lines = *state.config_lines;
  const size_t earlier = std::min(lines.size(), static_cast<size_t>(line_no - 1));
  for (size_t i = 0; i < earlier; ++i) {
    const std::vector<std::string> words = tokenizer_split(lines[i].c_str(), " \n");
    if (words.size() < 3 || words[0] == "trawl") continue;
    if (std::optional<std::string> error = apply_setting(state, words[0], words[1], words[2]))
      return error;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> config_line(const run_options& opts, run_state& state, int line_no,
                                       const char* line) {
  const std::vector<std::string> words = tokenizer_split(line, " \n");
  if (words.size() < 2) return "conf line #" + std::to_string(line_no) + ": malformed";
  if (words.size() < 3) return std::nullopt;  // the variable was empty or unset
  const std::string& system = words[0];
  const std::string& key = words[1];
  const std::string& value = words[2];
  if (system == "trawl" && key == "retry") {
    state.config_retries = value;
    return std::nullopt;
  }
  if (system == "trawl" && key.starts_with("TRAWL_")) {
    state.config_settings[key] = value;
    return std::nullopt;
  }
  if (system == "trawl" && (key == "cafile" || key == "capath")) {
    // Trust is the same for every system.
    std::optional<std::string>& field =
        key == "cafile" ? state.ca_configured.file : state.ca_configured.path;
    field = value;
    debug_line(1, "conf %s: '%s'\n", key.c_str(), value.c_str());
    return std::nullopt;
  }
  if (system == "trawl") {
    // Selects without reading the configuration again: a file that names a
    // system must not make the selection read it, select, read it, ...
    if (key != "system" || state.psys_specified) return std::nullopt;
    const pdns_system* before = state.psys;
    if (std::optional<std::string> error =
            switch_system(state, value.c_str(), opts.config_file->c_str()))
      return error;
    if (state.psys == before) return std::nullopt;
    return apply_earlier_lines(state, line_no);
  }
  if (debugging(1)) {
    // The key's length only: debug output ends up in bug reports.
    std::string shown = value;
    if (key == "apikey") {
      shown = '[';
      shown += std::to_string(value.size());
      shown += ']';
    }
    log_line("line #%d: sets %s|%s|%s", line_no, system.c_str(), key.c_str(), shown.c_str());
  }
  return apply_setting(state, system, key, value);
}

std::string shell_single_quote(const std::string& path) {
  // Close the quote, write an escaped quote, reopen: nothing in the path can
  // end the quoting early.
  std::string quoted = "'";
  for (char c : path) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  quoted += '\'';
  return quoted;
}

namespace {

// The settings the script echoes back, one line each, in this order: the
// system to select, each system's credential and server, then trawl's own
// settings: retries and the trust, the same for every system.
struct echoed_setting {
  const char* system;
  const char* key;
  const char* value;  // as the shell expands it
};

constexpr echoed_setting echoed_settings[] = {
    {"trawl", "system", "${TRAWL_SYSTEM:-trove2}"},
    {"trove1", "apikey", "${TROVE_API_KEY:-$APIKEY}"},
    {"trove1", "server", "$TROVE_SERVER"},
    {"trove2", "apikey", "${TROVE_API_KEY:-$APIKEY}"},
    {"trove2", "server", "$TROVE_SERVER"},
    {"circl", "apikey", "$CIRCL_AUTH"},
    {"circl", "server", "$CIRCL_SERVER"},
    {"trawl", "retry", "$TRAWL_RETRY"},
    // Trust, the same for every system.
    {"trawl", "cafile", "$TRAWL_CA_FILE"},
    {"trawl", "capath", "$TRAWL_CA_PATH"},
    // Settings read by name (core/settings.h).
    {"trawl", "TRAWL_ASINFO_CACHE", "$TRAWL_ASINFO_CACHE"},
    {"trawl", "TRAWL_PASSIVE", "$TRAWL_PASSIVE"},
    {"trawl", "TRAWL_CACHE", "$TRAWL_CACHE"},
    {"trawl", "TRAWL_CACHE_FILE", "$TRAWL_CACHE_FILE"},
    {"trawl", "TRAWL_CACHE_TTL", "$TRAWL_CACHE_TTL"},
    {"trawl", "TRAWL_CACHE_MAX", "$TRAWL_CACHE_MAX"},
};

}  // namespace

std::string config_script(const std::string& path) {
  // The shell's "." looks a name without a slash up in PATH: a relative name
  // must mean the file in the current directory, never another one.
  const std::string sourced = path.find('/') == std::string::npos ? "./" + path : path;
  std::string script = "set -e; . " + shell_single_quote(sourced);
  for (const echoed_setting& e : echoed_settings) {
    script += ";echo ";
    script += e.system;
    script += ' ';
    script += e.key;
    script += ' ';
    script += e.value;
  }
  return script + ";exit";
}

std::optional<std::string> read_config(const run_options& opts, run_state& state) {
  if (state.config_lines) {
    int line_no = 0;
    for (const std::string& line : *state.config_lines)
      if (std::optional<std::string> error = config_line(opts, state, ++line_no, line.c_str()))
        return error;
    return std::nullopt;
  }
  const std::string script = config_script(*opts.config_file);
  // The script must see an APIKEY only when the file sets one.
  unsetenv("APIKEY");
  shell_pipe shell(script.c_str());
  if (shell.stream == nullptr) return "[" + script + "]: " + strerror(errno);
  debug_line(1, "conf cmd = '%s'\n", script.c_str());

  state.config_lines.emplace();
  line_reader reader(fileno(shell.stream));
  std::string_view line;
  int line_no = 0;
  while (reader.next(line)) {
    ++line_no;
    if (reader.too_long() || line.back() != '\n')
      return "conf line #" + std::to_string(line_no) + ": too long";
    state.config_lines->emplace_back(line);
    if (std::optional<std::string> error =
            config_line(opts, state, line_no, state.config_lines->back().c_str()))
      return error;
  }
  const int status = shell.close();
  // The shell has said what went wrong, but not that it was in this file.
  const std::string failed = "configuration file " + *opts.config_file + " failed";
  if (status == -1) return failed + " (" + strerror(errno) + ")";
  if (WIFSIGNALED(status)) return failed + " (signal " + std::to_string(WTERMSIG(status)) + ")";
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return failed + " (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
  return std::nullopt;
}

}  // namespace trawl
