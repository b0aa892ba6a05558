// What the command line asks for beyond the run's options: the query, its
// parameters and the run mode's inputs.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "core/qparam.h"
#include "records/graph.h"
#include "support/file_handles.h"

namespace trawl {

struct cli_state {
  qdesc qd;
  // The bailiwick came after a second '/' of -r, -n, -N or -R, not from -b.
  bool slash_bailiwick = false;
  qparam qp = qparam_defaults;
  bool info = false;
  std::optional<std::string> system_name;
  std::optional<unique_fd> json_input;  // -J: the file, or a duplicate of standard input
  std::string json_name;                // as given
  int operands = 0;                     // arguments left after the options
  // The run's graph, for a graph presentation: written when the mode ends.
  std::unique_ptr<record_graph> graph;
};

}  // namespace trawl
