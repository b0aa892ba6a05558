// The option table, from which come the option scanner's letters, the
// handling of each option and the option lines of the usage text.
#pragma once

#include "core/options.h"
#include "program/cli.h"

namespace trawl {

struct option_scan {
  run_options& opts;
  cli_state& cli;
};

struct option_row {
  char letter;
  bool takes_argument;
  void (*apply)(option_scan& scan, const char* arg);
  const char* help;  // its lines in the usage text, or nullptr
  bool in_batch;     // also allowed on a batch $options line
};

// In the order of the usage text's option lines; ends with a row of letter 0.
extern const option_row option_table[];

// The scanner's option letters: every option, or those of $options lines.
std::string option_letters(bool batch_only);

// Scans the whole argument vector into options and command-line state; ends
// the run for -h, -v, -0 and every refused option.
void scan_options(int argc, char* argv[], run_options& opts, cli_state& cli);

}  // namespace trawl
