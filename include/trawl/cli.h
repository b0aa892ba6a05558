// What the command line asks for, beyond the program-wide settings.
#pragma once

#include <optional>
#include <string>

#include "trawl/qparam.h"

namespace trawl {

struct cli_state {
  qdesc qd;
  qparam qp = qparam_defaults;
  bool info = false;
  std::optional<std::string> system_name;
  int json_fd = -1;  // -1: no -J input
};

// Scans the whole argument vector into settings and state; ends the run for
// -h, -v, -0 and every refused option.
void scan_options(int argc, char* argv[], cli_state& cli);

// Checks and set-up after scanning, up to and including the run-mode
// conflicts; then runs the selected mode.
void run_checks_and_dispatch(int argc, cli_state& cli);

// "rrset/name/..." path of a descriptor with every term escaped.
std::string build_path(const qdesc& qd);

// Checks a record-type list; nullptr when it is acceptable.
const char* rrtype_list_check(const char* list);

struct time_fence;
time_fence time_fence_of(const qparam& qp);

struct writer;
struct query;
query* launch_query(const qdesc& qd, const qparam& qp, writer& wr);

void do_json_input(const cli_state& cli);
void do_batch(const qparam& cmdline_qp);

}  // namespace trawl
