// The system table, and the selection of the current system.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "core/pdns_system.h"

namespace trawl {

struct run_state;

extern const pdns_system system_circl;
extern const pdns_system system_trove2;
extern const pdns_system system_trove1;

// The names a system is selected by: its own, and "trove" for trove2.
struct system_name {
  const char* name;
  const pdns_system* system;
};
extern const std::span<const system_name> system_names;

// The system called name (exactly), or nullptr.
const pdns_system* find_system(const char* name);

// Makes the named system current, nothing more; on failure the text to log.
std::optional<std::string> switch_system(run_state& state, const char* name, const char* context);

// Makes the named system current, reading the configuration file if there is
// one; on failure the text to log (empty when nothing is to be said), and the
// run cannot go on.
std::optional<std::string> pick_system(const run_options& opts, run_state& state, const char* name,
                                       const char* context);

}  // namespace trawl
