#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "trawl/backends.h"
#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/settings.h"
#include "trawl/trove_settings.h"

namespace trawl {

trove_settings trove;

void trove_auth(fetch& f) {
  if (!trove.api_key) return;
  const std::string header = "X-Api-Key: " + *trove.api_key;
  slist_append(f.headers, header.c_str());
}

const char* trove_status(const fetch& f) {
  if (psys->encap == encap_saf && f.rcode == 404) return "ERROR";
  return "NOERROR";
}

const char* trove_verb_ok(const char* verb_name, const qparam& qp) {
  if (strcasecmp(verb_name, "lookup") == 0) return nullptr;
  if (qp.offset != 0) return "only 'lookup' understands offsets";
  if (qp.explicit_output_limit != -1) return "only 'lookup' understands output limits";
  return nullptr;
}

const char* trove_setval(const char* key, const char* value) {
  if (strcmp(key, "apikey") == 0) {
    trove.api_key = value;
  } else if (strcmp(key, "server") == 0) {
    trove.server = value;
  } else {
    return "trove_setval() unrecognized key";
  }
  return nullptr;
}

const char* trove_ready() {
  if (const char* key = getenv("TROVE_API_KEY")) {
    trove.api_key = key;
    if (debug_level >= 1) debug_line(true, "conf env api_key was set\n");
  }
  if (const char* server = getenv("TROVE_SERVER")) {
    trove.server = server;
    if (debug_level >= 1) debug_line(true, "conf env trove_server = '%s'\n", server);
  }
  if (!trove.server) trove.server = psys->base_url;
  if (psys->encap == encap_saf && trove.server->find("/trove/v2") == std::string::npos)
    *trove.server += "/trove/v2";
  if (!trove.api_key) return "no API key given";
  return nullptr;
}

void trove_destroy() {
  trove.api_key.reset();
  trove.server.reset();
}

}  // namespace trawl
