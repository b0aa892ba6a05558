// The run's state: what changes while the run goes on, in one record passed
// to whatever changes it.
#pragma once

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/pdns_system.h"
#include "core/present.h"
#include "core/transfer.h"
#include "core/trust.h"
#include "support/answer_store.h"
#include "support/dedup_set.h"
#include "support/output_sink.h"

namespace trawl {

struct run_state {
  explicit run_state(output_sink& out) : sink(out) {}
  run_state(const run_state&) = delete;
  run_state& operator=(const run_state&) = delete;

  output_sink& sink;                  // standard output, the run's only one
  const pdns_system* psys = nullptr;  // the current system
  bool psys_specified = false;
  system_settings settings;  // the current system's
  // The configuration script's output lines once it has run: it runs at most
  // once a run, and a later selection replays them.
  std::optional<std::vector<std::string>> config_lines;
  // TRAWL_RETRY as the configuration set it, read only when neither an
  // option nor the environment sets the count.
  std::optional<std::string> config_retries;
  ca_choice ca_configured;  // the configuration's TRAWL_CA_FILE and TRAWL_CA_PATH
  // The configuration's other TRAWL_ variables, by name (core/settings.h).
  std::map<std::string, std::string, std::less<>> config_settings;
  ca_choice ca;  // the certificate authorities every transfer trusts
  int exit_status = 0;
  std::unique_ptr<dedup_set> minimal_set;  // values printed so far by -p minimal
  as_annotation asinfo;
  // The answer store while it is usable; a store that fails is warned about
  // once and let go of, and the run goes on without it.
  std::unique_ptr<answer_store> store;
  bool store_writable = true;  // a store that refused a write still answers
  presentation present;
  std::list<std::unique_ptr<writer>> writers;  // every open writer, newest first
  transfer_engine engine;
};

}  // namespace trawl
