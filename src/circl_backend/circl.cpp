#include <strings.h>

#include <cstring>

#include "trawl/backends.h"
#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/settings.h"

namespace trawl {

namespace {

struct circl_settings {
  std::optional<std::string> auth;
  std::optional<std::string> server;
};

circl_settings circl;

// The only searches the service answers, tried in this order.
constexpr const char* circl_prefixes[] = {"rrset/name/", "rdata/name/", "rdata/ip/"};

}  // namespace

std::optional<std::string> circl_url(const char* path, const qparam&, const time_fence&, bool) {
  if (!circl.server) circl.server = psys->base_url;
  const char* rest = nullptr;
  for (const char* prefix : circl_prefixes) {
    if (strncasecmp(path, prefix, strlen(prefix)) == 0) {
      rest = path + strlen(prefix);
      break;
    }
  }
  if (rest == nullptr) {
    log_line("unsupported type of query for CIRCL pDNS: %s", path);
    clean_exit(1);
  }
  if (strchr(rest, '/') != nullptr) {
    log_line("qualifiers not supported by CIRCL pDNS: %s", rest);
    clean_exit(1);
  }
  return *circl.server + "/" + rest;
}

void circl_auth(fetch& f) {
  if (!f.easy) return;
  curl_easy_setopt(f.easy.get(), CURLOPT_USERPWD, circl.auth ? circl.auth->c_str() : nullptr);
  curl_easy_setopt(f.easy.get(), CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
}

const char* circl_status(const fetch&) {
  return "ERROR";
}

const char* circl_verb_ok(const char* verb_name, const qparam&) {
  if (strcasecmp(verb_name, "lookup") == 0) return nullptr;
  return "the CIRCL system only understands 'lookup'";
}

const char* circl_setval(const char* key, const char* value) {
  if (strcmp(key, "apikey") == 0) {
    circl.auth = value;
  } else if (strcmp(key, "server") == 0) {
    circl.server = value;
  } else {
    return "circl_setval() unrecognized key";
  }
  return nullptr;
}

const char* circl_ready() {
  return nullptr;
}

void circl_destroy() {
  circl.server.reset();
  circl.auth.reset();
}

}  // namespace trawl
