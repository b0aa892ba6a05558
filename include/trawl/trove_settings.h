// Settings shared by the trove1 and trove2 systems.
#pragma once

#include <optional>
#include <string>

namespace trawl {

struct trove_settings {
  std::optional<std::string> api_key;
  std::optional<std::string> server;
};

extern trove_settings trove;

}  // namespace trawl
