#include <cstring>

#include "trawl/backends.h"
#include "trawl/diag.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"

namespace trawl {

const pdns_system system_circl = {
    "circl",       "https://www.circl.lu/pdns/query",
    encap_none,    circl_url,
    nullptr,       circl_auth,
    circl_status,  circl_verb_ok,
    circl_setval,  circl_ready,
    circl_destroy,
};

const pdns_system system_trove2 = {
    "trove2",      "https://api.trove.example/trove/v2",
    encap_saf,     trove_url,
    nullptr,       trove_auth,
    trove_status,  trove_verb_ok,
    trove_setval,  trove_ready,
    trove_destroy,
};

const pdns_system system_trove1 = {
    "trove1",      "https://api.trove.example",
    encap_none,    trove_url,
    nullptr,       trove_auth,
    trove_status,  trove_verb_ok,
    trove_setval,  trove_ready,
    trove_destroy,
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
