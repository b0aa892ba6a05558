#include "core/trust.h"

namespace trawl {

namespace {

std::optional<std::string> set(const char* value) {
  if (value == nullptr || value[0] == '\0') return std::nullopt;
  return std::string(value);
}

const std::optional<std::string>& first_of(const std::optional<std::string>& a,
                                           const std::optional<std::string>& b,
                                           const std::optional<std::string>& c) {
  return a ? a : b ? b : c;
}

}  // namespace

ca_choice ca_environment(const char* curl_ca_bundle, const char* ssl_cert_file,
                         const char* ssl_cert_dir) {
  ca_choice env;
  env.file = set(curl_ca_bundle);
  if (!env.file) env.file = set(ssl_cert_file);
  env.path = set(ssl_cert_dir);
  return env;
}

ca_choice choose_ca(const run_options& opts, const ca_choice& environment,
                    const ca_choice& configuration) {
  ca_choice chosen;
  chosen.file = first_of(opts.ca_file, environment.file, configuration.file);
  chosen.path = first_of(opts.ca_path, environment.path, configuration.path);
  return chosen;
}

}  // namespace trawl
