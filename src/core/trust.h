// Which certificate authorities a transfer trusts: the library's own unless
// a file or a directory of them is chosen.
#pragma once

#include <optional>
#include <string>

#include "core/options.h"

namespace trawl {

struct ca_choice {
  std::optional<std::string> file;  // a bundle of certificates (CURLOPT_CAINFO)
  std::optional<std::string> path;  // a hashed directory of them (CURLOPT_CAPATH)
};

// What the environment chooses: CURL_CA_BUNDLE, else SSL_CERT_FILE, for the
// file; SSL_CERT_DIR for the directory. Empty values choose nothing. Pure:
// the caller passes the getenv values.
ca_choice ca_environment(const char* curl_ca_bundle, const char* ssl_cert_file,
                         const char* ssl_cert_dir);

// Each of file and directory on its own: --cacert / --capath win over the
// environment, which wins over the configuration (TRAWL_CA_FILE,
// TRAWL_CA_PATH).
ca_choice choose_ca(const run_options& opts, const ca_choice& environment,
                    const ca_choice& configuration);

}  // namespace trawl
