// Operations of the back ends, gathered into the system table.
#pragma once

#include <optional>
#include <string>

#include "trawl/pdns_system.h"

namespace trawl {

std::optional<std::string> trove_url(const char* path, const qparam& qp, const time_fence& tf,
                                     bool info);
void trove_info();
void trove_auth(fetch& f);
const char* trove_status(const fetch& f);
const char* trove_verb_ok(const char* verb_name, const qparam& qp);
const char* trove_setval(const char* key, const char* value);
const char* trove_ready();
void trove_destroy();

std::optional<std::string> circl_url(const char* path, const qparam& qp, const time_fence& tf,
                                     bool info);
void circl_auth(fetch& f);
const char* circl_status(const fetch& f);
const char* circl_verb_ok(const char* verb_name, const qparam& qp);
const char* circl_setval(const char* key, const char* value);
const char* circl_ready();
void circl_destroy();

}  // namespace trawl
