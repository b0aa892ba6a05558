// trawl's own settings (TRAWL_... variables) that the environment or the
// configuration file may give: the environment's value wins.
#pragma once

#include <optional>
#include <string>

#include "core/state.h"
#include "support/result.h"

namespace trawl {

// The value of the variable, from the environment or else from what the
// configuration set; nothing when neither sets it (or sets it empty).
std::optional<std::string> trawl_setting(const run_state& state, const char* name);

// The variable as a count of at least `least`; nothing when unset, the
// refusal's text ("NAME must be at least 1: ...") when it is not one.
result<std::optional<long>> trawl_count_setting(const run_state& state, const char* name,
                                                long least);

// The variable as yes or no (also true/false, on/off, 1/0, in either case);
// nothing when unset, the refusal's text when it is neither.
result<std::optional<bool>> trawl_flag_setting(const run_state& state, const char* name);

}  // namespace trawl
