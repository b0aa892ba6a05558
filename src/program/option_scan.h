// The option table, from which come the option scanner's letters, the
// handling of each option, the usage text's flags and option lines, and the
// letters that batch $options lines accept.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "core/options.h"
#include "program/cli.h"
#include "support/result.h"

namespace trawl {

// What the command line asks to be done once it is scanned.
enum class scan_action { run, show_usage, show_version, run_function };

struct option_scan {
  run_options& opts;
  cli_state& cli;
  scan_action action = scan_action::run;
  std::string function_input;  // -0: the text after "="
};

struct option_row {
  char letter;            // '\0' for an option with a long name only
  const char* long_name;  // the GNU long form, without its "--"
  bool takes_argument;
  // Applies the option; a refusal's text for the usage error.
  std::optional<std::string> (*apply)(option_scan& scan, const char* arg);
  const char* help;  // its lines in the usage text, or nullptr
  bool in_batch;     // also allowed on a batch $options line
};

// In the order of the usage text's option lines.
extern const std::span<const option_row> option_table;

// A word an option takes, and what it stands for.
template <typename T>
struct option_word {
  const char* word;
  T value;
};
extern const std::span<const option_word<presentation_format>> presentation_words;
extern const std::span<const option_word<transform>> transform_words;

// The scanner's option letters: every option, or those of $options lines.
std::string option_letters(bool batch_only);

// What the scanner returns for a row: its letter, or a code above every
// letter for an option with a long name only.
int option_code(const option_row& row);

// The row of a code option_code gave, or nullptr.
const option_row* find_row(int code);

// The next option of argv, long forms included (--name=VALUE, --name VALUE,
// any unambiguous prefix of a name, "--" ending the options): the code of its
// row (option_code) with the argument in optarg, -1 after the last option,
// or the refusal's text, which names the option: "option -r needs an
// argument", "unrecognized option '-x'", "unrecognized option '--jsn'", "option '--qu' is
// ambiguous (--query-limit, --quiet)", "option --rrset needs an argument",
// "option --json takes no argument". Callers set optind to 0 before the
// first call.
result<int> next_option(int argc, char* argv[], bool batch_only);

// Scans the whole argument vector into options and command-line state,
// stopping at -h, -v and -0; the first refusal's text otherwise.
result<scan_action> scan_options(int argc, char* argv[], option_scan& scan);

// Reads a non-negative decimal time-out; the refusal's text otherwise.
std::optional<std::string> set_timeout(run_options& opts, const char* text, const char* label);

}  // namespace trawl
