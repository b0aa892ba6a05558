// The back-end systems and their table of operations.
#pragma once

#include <optional>
#include <string>

#include "trawl/qparam.h"

namespace trawl {

struct fetch;

enum encapsulation { encap_none = 0, encap_saf = 1 };

// The four time keys of a request, 0 meaning no bound.
struct time_fence {
  uint64_t first_after = 0;
  uint64_t first_before = 0;
  uint64_t last_after = 0;
  uint64_t last_before = 0;
};

struct pdns_system {
  const char* name;
  const char* base_url;
  encapsulation encap;
  std::optional<std::string> (*url)(const char* path, const qparam& qp, const time_fence& tf,
                                    bool info);
  void (*info)();
  void (*auth)(fetch& f);
  const char* (*status)(const fetch& f);
  const char* (*verb_ok)(const char* verb_name, const qparam& qp);
  const char* (*setval)(const char* key, const char* value);
  const char* (*ready)();
  void (*destroy)();
};

extern const pdns_system system_circl;
extern const pdns_system system_trove2;
extern const pdns_system system_trove1;

// Makes the named system current, reading the configuration; ends the run on failure.
void pick_system(const char* name, const char* context);

// The system called name ("trove" is trove2), or nullptr.
const pdns_system* find_system(const char* name);

// Runs the configuration script over config_file and feeds its lines to psys.
void read_config();

// The shell command that sources path and echoes the settings back.
std::string config_script(const std::string& path);

// path quoted for the shell so that it stands for itself whatever it contains.
std::string shell_single_quote(const std::string& path);

}  // namespace trawl
