#include "backends/circl.h"

#include <strings.h>

#include <cstring>

#include "core/transfer.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

// The only searches the service answers, tried in this order.
constexpr const char* circl_prefixes[] = {"rrset/name/", "rdata/name/", "rdata/ip/"};

}  // namespace

std::optional<std::string> circl_url(const pdns_system& sys, const run_options&,
                                     const system_settings& settings, const char* path,
                                     const qparam&, const time_fence&, bool, std::string* error) {
  const char* rest = nullptr;
  for (const char* prefix : circl_prefixes) {
    if (strncasecmp(path, prefix, strlen(prefix)) == 0) {
      rest = path + strlen(prefix);
      break;
    }
  }
  if (rest == nullptr) {
    *error = std::string("unsupported type of query for CIRCL pDNS: ") + path;
    return std::nullopt;
  }
  if (strchr(rest, '/') != nullptr) {
    *error = std::string("qualifiers not supported by CIRCL pDNS: ") + rest;
    return std::nullopt;
  }
  return settings.server.value_or(sys.base_url) + "/" + rest;
}

void circl_auth(const system_settings& settings, fetch& f) {
  if (!f.easy) return;
  curl_easy_setopt(f.easy.get(), CURLOPT_USERPWD,
                   settings.api_key ? settings.api_key->c_str() : nullptr);
  curl_easy_setopt(f.easy.get(), CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
}

const char* circl_status(const pdns_system&, const fetch&) {
  return "ERROR";
}

const char* circl_verb_ok(const char* verb_name, const qparam&) {
  if (strcasecmp(verb_name, "lookup") == 0) return nullptr;
  return "the CIRCL system only understands 'lookup'";
}

const char* circl_setval(system_settings& settings, const char* key, const char* value) {
  return settings_setval(settings, key, value) ? nullptr : "circl_setval() unrecognized key";
}

const char* circl_ready(const pdns_system&, const run_options&, system_settings& settings) {
  if (settings.api_key && has_control_character(*settings.api_key))
    return "CIRCL credentials contain a control character";
  return nullptr;
}

void circl_destroy(system_settings& settings) {
  settings = system_settings{};
}

}  // namespace trawl
