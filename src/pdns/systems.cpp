#include <cstring>

#include "trawl/backends.h"
#include "trawl/diag.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"

namespace trawl {

const pdns_system system_circl = {
    .name = "circl",
    .base_url = "https://www.circl.lu/pdns/query",
    .encap = encap_none,
    .url = circl_url,
    .info = nullptr,
    .auth = circl_auth,
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
    .encap = encap_saf,
    .url = trove_url,
    .info = trove_info,
    .auth = trove_auth,
    .status = trove_status,
    .verb_ok = trove_verb_ok,
    .setval = trove_setval,
    .ready = trove_ready,
    .destroy = trove_destroy,
};

const pdns_system system_trove1 = {
    .name = "trove1",
    .base_url = "https://api.trove.example",
    .encap = encap_none,
    .url = trove_url,
    .info = trove_info,
    .auth = trove_auth,
    .status = trove_status,
    .verb_ok = trove_verb_ok,
    .setval = trove_setval,
    .ready = trove_ready,
    .destroy = trove_destroy,
};

const pdns_system* find_system(const char* name) {
  if (strcmp(name, "trove1") == 0) return &system_trove1;
  if (strcmp(name, "trove2") == 0 || strcmp(name, "trove") == 0) return &system_trove2;
  if (strcmp(name, "circl") == 0) return &system_circl;
  return nullptr;
}

void pick_system(const char* name, const char* context) {
  if (debug_level >= 1) debug_line(true, "pick_system(%s)\n", name);
  const pdns_system* found = find_system(name);
  if (found == nullptr) {
    std::string text = std::string("unrecognized system name (") + name + ")";
    log_line("%s (in %s)\n", text.c_str(), context);
    clean_exit(1);
  }
  if (found == psys) return;
  if (psys != nullptr) psys->destroy();
  psys = found;
  if (config_file) read_config();
  if (const char* err = psys->ready()) {
    const std::string text = err;
    log_line("%s (in %s)\n", text.c_str(), context);
    clean_exit(1);
  }
}

}  // namespace trawl
