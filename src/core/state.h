// The run's state: what changes while the run goes on, in one record passed
// to whatever changes it.
#pragma once

#include <exception>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/pdns_system.h"
#include "core/transfer.h"
#include "support/asinfo.h"
#include "support/curl_handles.h"
#include "support/dedup_set.h"

namespace trawl {

struct run_state {
  const pdns_system* psys = nullptr;  // the current system
  bool psys_specified = false;
  system_settings settings;  // the current system's
  // The configuration script's output lines once it has run: it runs at most
  // once a run, and a later selection replays them.
  std::optional<std::vector<std::string>> config_lines;
  int exit_status = 0;
  std::unique_ptr<dedup_set> minimal_set;      // values printed so far by -p minimal
  std::list<std::unique_ptr<writer>> writers;  // every open writer, newest first
  curl_multi_ptr multi;                        // the transfer engine's; none when it is not started
  bool curl_started = false;
  // A failure met inside a transfer-library callback, rethrown once the
  // library has returned: no exception may unwind through its frames.
  std::exception_ptr callback_failure;
  asinfo_resolver asinfo;
  std::string out;  // one record's output, built whole and written at once
};

}  // namespace trawl
