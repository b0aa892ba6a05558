// The trove systems: the service's version-1 API (plain JSON lines) and its
// version-2 API (framed streams), which share everything but the framing.
#pragma once

#include <optional>
#include <string>

#include "core/pdns_system.h"

namespace trawl {

std::optional<std::string> trove_url(const pdns_system& sys, const run_options& opts,
                                     const system_settings& settings, const char* path,
                                     const qparam& qp, const time_fence& tf, bool info,
                                     std::string* error);
void trove_auth(const system_settings& settings, fetch& f);
const char* trove_status(const pdns_system& sys, const fetch& f);
// Pages by offset: the version-2 API ends a page "limited", the version-1
// API fills a page of exactly the page size (-l).
page_step trove_next_page(const pdns_system& sys, const run_options& opts,
                          const system_settings& settings, fetch& f);
const char* trove_verb_ok(const char* verb_name, const qparam& qp);
const char* trove_setval(system_settings& settings, const char* key, const char* value);
const char* trove_ready(const pdns_system& sys, const run_options& opts, system_settings& settings);
void trove_destroy(system_settings& settings);

// The account's rate limits: one "rate_limit" request; the whole response,
// or nothing when no answer came.
std::optional<std::string> trove_info(const run_options& opts, run_state& state);

}  // namespace trawl
