#include "backends/systems.h"

#include <cstring>

#include "backends/circl.h"
#include "backends/config.h"
#include "backends/trove.h"
#include "core/diag.h"
#include "core/state.h"

namespace trawl {

const pdns_system system_circl = {
    .name = "circl",
    .base_url = "https://www.circl.lu/pdns/query",
    .encap = encapsulation::none,
    .filters_locally = true,
    .paged_by_size = false,
    .url = circl_url,
    .info = nullptr,
    .auth = circl_auth,
    .answer_headers = circl_answer_headers,
    .next_page = circl_next_page,
    .status = circl_status,
    .verb_ok = circl_verb_ok,
    .setval = circl_setval,
    .ready = circl_ready,
    .destroy = circl_destroy,
};

// The trove host is a placeholder: users name their service in TROVE_SERVER.
const pdns_system system_trove2 = {
    .name = "trove2",
    .base_url = "https://api.trove.example/trove/v2",
    .encap = encapsulation::saf,
    .filters_locally = false,
    .paged_by_size = false,
    .url = trove_url,
    .info = trove_info,
    .auth = trove_auth,
    .answer_headers = nullptr,
    .next_page = trove_next_page,
    .status = trove_status,
    .verb_ok = trove_verb_ok,
    .setval = trove_setval,
    .ready = trove_ready,
    .destroy = trove_destroy,
};

const pdns_system system_trove1 = {
    .name = "trove1",
    .base_url = "https://api.trove.example",
    .encap = encapsulation::none,
    .filters_locally = false,
    .paged_by_size = true,
    .url = trove_url,
    .info = trove_info,
    .auth = trove_auth,
    .answer_headers = nullptr,
    .next_page = trove_next_page,
    .status = trove_status,
    .verb_ok = trove_verb_ok,
    .setval = trove_setval,
    .ready = trove_ready,
    .destroy = trove_destroy,
};

namespace {

constexpr system_name system_name_table[] = {
    {"trove1", &system_trove1},
    {"trove2", &system_trove2},
    {"trove", &system_trove2},
    {"circl", &system_circl},
};

}  // namespace

const std::span<const system_name> system_names = system_name_table;

const pdns_system* find_system(const char* name) {
  for (const system_name& row : system_names)
    if (strcmp(name, row.name) == 0) return row.system;
  return nullptr;
}

std::optional<std::string> switch_system(run_state& state, const char* name, const char* context) {
  debug_line(1, "pick_system(%s)\n", name);
  const pdns_system* found = find_system(name);
  if (found == nullptr)
    return std::string("unrecognized system name (") + name + ") (in " + context + ")\n";
  if (found != state.psys) {
    if (state.psys != nullptr) state.psys->destroy(state.settings);
    state.psys = found;
  }
  return std::nullopt;
}

std::optional<std::string> pick_system(const run_options& opts, run_state& state, const char* name,
                                       const char* context) {
  const pdns_system* before = state.psys;
  if (std::optional<std::string> error = switch_system(state, name, context)) return error;
  if (state.psys == before) return std::nullopt;
  const pdns_system* named = state.psys;
  if (opts.config_file) {
    if (std::optional<std::string> error = read_config(opts, state)) return error;
  }
  // A system the configuration chose is checked in the configuration's name.
  const char* where = state.psys == named ? context : opts.config_file->c_str();
  if (const char* err = state.psys->ready(*state.psys, opts, state.settings))
    return std::string(err) + " (in " + where + ")\n";
  return std::nullopt;
}

}  // namespace trawl
