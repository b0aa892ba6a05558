#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "trawl/diag.h"
#include "trawl/line_reader.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"
#include "trawl/tokenizer.h"

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

// Takes one line "SYSTEM KEY VALUE" of the script's output.
void config_line(int line_no, const char* line) {
  const std::vector<std::string> words = tokenizer_split(line, " \n");
  if (words.size() < 2) {
    log_line("conf line #%d: malformed", line_no);
    clean_exit(1);
  }
  if (words.size() < 3) return;  // the variable was empty or unset
  const std::string& system = words[0];
  const std::string& key = words[1];
  const std::string& value = words[2];
  if (system == "trawl") {
    if (key == "system" && !psys_specified) pick_system(value.c_str(), config_file->c_str());
    return;
  }
  if (debug_level >= 1) {
    if (key == "apikey") {
      const std::string shown = "[" + std::to_string(value.size()) + "]";
      log_line("line #%d: sets %s|%s|%s", line_no, system.c_str(), key.c_str(), shown.c_str());
    } else {
      log_line("line #%d: sets %s|%s|%s", line_no, system.c_str(), key.c_str(), value.c_str());
    }
  }
  if (system == psys->name) {
    if (const char* err = psys->setval(key.c_str(), value.c_str())) {
      log_line("setval: %s", err);
      clean_exit(1);
    }
  }
}

}  // namespace

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

std::string config_script(const std::string& path) {
  // The shell's "." looks a name without a slash up in PATH: a relative name
  // must mean the file in the current directory, never another one.
  const std::string sourced = path.find('/') == std::string::npos ? "./" + path : path;
  return "set -e; . " + shell_single_quote(sourced) +
         ";echo trawl system ${TRAWL_SYSTEM:-trove2}"
         ";echo trove1 apikey ${TROVE_API_KEY:-$APIKEY}"
         ";echo trove1 server $TROVE_SERVER"
         ";echo trove2 apikey ${TROVE_API_KEY:-$APIKEY}"
         ";echo trove2 server $TROVE_SERVER"
         ";echo circl apikey $CIRCL_AUTH"
         ";echo circl server $CIRCL_SERVER"
         ";exit";
}

void read_config() {
  const std::string script = config_script(*config_file);
  // The script must see an APIKEY only when the file sets one.
  unsetenv("APIKEY");
  fflush(stdout);
  shell_pipe shell(script.c_str());
  if (shell.stream == nullptr) {
    log_line("[%s]: %s", script.c_str(), strerror(errno));
    clean_exit(1);
  }
  if (debug_level >= 1) debug_line(true, "conf cmd = '%s'\n", script.c_str());

  line_reader reader(shell.stream);
  std::string_view line;
  int line_no = 0;
  while (reader.next(line)) {
    ++line_no;
    if (line.back() != '\n') {
      log_line("conf line #%d: too long", line_no);
      clean_exit(1);
    }
    config_line(line_no, std::string(line).c_str());
  }
  const int status = shell.close();
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) clean_exit(1);
}

}  // namespace trawl
