#include "core/config_paths.h"

#include <pwd.h>
#include <unistd.h>

namespace trawl {

std::vector<std::string> config_candidates(const char* home, const char* xdg_config_home) {
  const bool has_home = home == nullptr || home[0] != '\0';
  const std::string tilde = home != nullptr ? home : "~";
  std::vector<std::string> paths;
  if (has_home) {
    paths.push_back(tilde + "/.vela-trove-query.conf");
    paths.push_back(tilde + "/.trove-query.conf");
  }
  paths.push_back("/etc/vela-trove-query.conf");
  paths.push_back("/etc/trove-query.conf");
  if (xdg_config_home != nullptr && xdg_config_home[0] == '/')
    paths.push_back(std::string(xdg_config_home) + "/trawl/config");
  else if (has_home)
    paths.push_back(tilde + "/.config/trawl/config");
  return paths;
}

std::optional<std::string> cache_file_default(const char* home, const char* xdg_cache_home) {
  if (xdg_cache_home != nullptr && xdg_cache_home[0] == '/')
    return std::string(xdg_cache_home) + "/trawl/answers.sqlite";
  if (home == nullptr || home[0] == '\0') return std::nullopt;
  return std::string(home) + "/.cache/trawl/answers.sqlite";
}

std::optional<std::string> account_home() {
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr)
    return std::nullopt;
  return std::string(found->pw_dir);
}

}  // namespace trawl
