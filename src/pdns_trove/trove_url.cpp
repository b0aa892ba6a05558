#include <cstring>
#include <string>

#include "trawl/backends.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"
#include "trawl/trove_settings.h"
#include "trawl/verb.h"

namespace trawl {

namespace {

// Slashes after the scheme: a server URL with a path of its own takes the
// verb's place in the request.
int path_count(const std::string& server) {
  if (server.find("/trove/v2") != std::string::npos) return 0;
  const size_t scheme = server.find("://");
  const size_t from = scheme == std::string::npos ? 0 : scheme + 3;
  int count = 0;
  for (size_t i = from; i < server.size(); ++i)
    if (server[i] == '/') ++count;
  return count;
}

}  // namespace

std::optional<std::string> trove_url(const char* path, const qparam& qp, const time_fence& tf,
                                     bool info) {
  const std::string server = trove.server.value_or(psys->base_url);
  const char* scheme = server.find("://") != std::string::npos ? "" : "https://";
  const char* verb_fragment = "";
  if (path_count(server) == 0 && !(psys->encap == encap_saf && info)) {
    verb_fragment = (verb_selected != nullptr && verb_selected->url_fragment != nullptr)
                        ? verb_selected->url_fragment
                        : "/lookup";
  }
  std::string url = std::string(scheme) + server + verb_fragment + "/" + path +
                    "?swclient=trawl&version=" + version_string();
  if (qp.gravel) url += "&aggr=f";
  if (qp.offset > 0) url += "&offset=" + std::to_string(qp.offset);
  if (max_count > 0) url += "&max_count=" + std::to_string(max_count);
  if (qp.query_limit != -1) url += "&limit=" + std::to_string(qp.query_limit);
  if (tf.first_after != 0) url += "&time_first_after=" + std::to_string(tf.first_after);
  if (tf.first_before != 0) url += "&time_first_before=" + std::to_string(tf.first_before);
  if (tf.last_after != 0) url += "&time_last_after=" + std::to_string(tf.last_after);
  if (tf.last_before != 0) url += "&time_last_before=" + std::to_string(tf.last_before);
  return url;
}

}  // namespace trawl
