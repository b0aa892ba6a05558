// The CIRCL system: plain records, lookups by owner name, data name and
// address only, with basic authentication.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/pdns_system.h"

namespace trawl {

std::optional<std::string> circl_url(const pdns_system& sys, const run_options& opts,
                                     const system_settings& settings, const char* path,
                                     const qparam& qp, const time_fence& tf, bool info,
                                     std::string* error);
void circl_auth(const system_settings& settings, fetch& f);
const char* circl_status(const pdns_system& sys, const fetch& f);
// Paging headers with --all, and the one that asks for no live lookup with
// --passive.
void circl_answer_headers(const run_options& opts, const fetch& f,
                          std::vector<std::string>& headers);
// Pages by the cursor the service names in each response; its report of an
// answer it cut makes the answer incomplete.
page_step circl_next_page(const pdns_system& sys, const run_options& opts,
                          const system_settings& settings, fetch& f);
const char* circl_verb_ok(const char* verb_name, const qparam& qp);
const char* circl_setval(system_settings& settings, const char* key, const char* value);
const char* circl_ready(const pdns_system& sys, const run_options& opts, system_settings& settings);
void circl_destroy(system_settings& settings);

}  // namespace trawl
