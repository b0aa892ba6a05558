// The configuration file: sourced by the system shell, whose output names
// the settings of each system as lines "SYSTEM KEY VALUE".
#pragma once

#include <optional>
#include <string>

#include "core/options.h"

namespace trawl {

struct run_state;

// Runs the configuration script over the options' configuration file and
// feeds its lines to the current system; on failure the text to log (empty
// when the shell has said it already).
std::optional<std::string> read_config(const run_options& opts, run_state& state);

// Takes line line_no (from 1) "SYSTEM KEY VALUE\n" of the script's output;
// the failure text, if the run cannot go on. When the line selects another
// system, the earlier lines kept in the state's config_lines for that system
// are applied too.
std::optional<std::string> config_line(const run_options& opts, run_state& state, int line_no,
                                       const char* line);

// The shell command that sources path and echoes the settings back.
std::string config_script(const std::string& path);

// path quoted for the shell so that it stands for itself whatever it contains.
std::string shell_single_quote(const std::string& path);

}  // namespace trawl
