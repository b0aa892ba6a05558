// What the command line asks for beyond the run's options: the query, its
// parameters and the run mode's inputs.
#pragma once

#include <optional>
#include <string>

#include "core/qparam.h"
#include "support/file_handles.h"

namespace trawl {

struct cli_state {
  qdesc qd;
  qparam qp = qparam_defaults;
  bool info = false;
  std::optional<std::string> system_name;
  std::optional<unique_fd> json_input;  // -J: the file, or a duplicate of standard input
  std::string json_name;                // as given
  int operands = 0;                     // arguments left after the options
};

}  // namespace trawl
