// The CIRCL system: plain records, lookups by owner name, data name and
// address only, with basic authentication.
#pragma once

#include <optional>
#include <string>

#include "core/pdns_system.h"

namespace trawl {

std::optional<std::string> circl_url(const pdns_system& sys, const run_options& opts,
                                     const system_settings& settings, const char* path,
                                     const qparam& qp, const time_fence& tf, bool info,
                                     std::string* error);
void circl_auth(const system_settings& settings, fetch& f);
const char* circl_status(const pdns_system& sys, const fetch& f);
const char* circl_verb_ok(const char* verb_name, const qparam& qp);
const char* circl_setval(system_settings& settings, const char* key, const char* value);
const char* circl_ready(const pdns_system& sys, const run_options& opts, system_settings& settings);
void circl_destroy(system_settings& settings);

}  // namespace trawl
