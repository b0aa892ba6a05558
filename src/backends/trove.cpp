#include "backends/trove.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>

#include "core/diag.h"
#include "core/state.h"
#include "core/transfer.h"
#include "core/verb.h"
#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/writer.h"
#include "support/safe_text.h"

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

std::optional<std::string> trove_url(const pdns_system& sys, const run_options& opts,
                                     const system_settings& settings, const char* path,
                                     const qparam& qp, const time_fence& tf, bool info,
                                     std::string*) {
  const std::string server = settings.server.value_or(sys.base_url);
  const char* scheme = server.find("://") != std::string::npos ? "" : "https://";
  const char* verb_fragment = "";
  if (path_count(server) == 0 && !(sys.encap == encapsulation::saf && info)) {
    verb_fragment = (opts.verb_selected != nullptr && opts.verb_selected->url_fragment != nullptr)
                        ? opts.verb_selected->url_fragment
                        : "/lookup";
  }
  std::string url = std::string(scheme) + server + verb_fragment + "/" + path +
                    "?swclient=trawl&version=" + version_string();
  if (qp.gravel) url += "&aggr=f";
  if (qp.offset > 0) url += "&offset=" + std::to_string(qp.offset);
  if (opts.max_count > 0) url += "&max_count=" + std::to_string(opts.max_count);
  if (qp.query_limit != -1) url += "&limit=" + std::to_string(qp.query_limit);
  if (tf.first_after != 0) url += "&time_first_after=" + std::to_string(tf.first_after);
  if (tf.first_before != 0) url += "&time_first_before=" + std::to_string(tf.first_before);
  if (tf.last_after != 0) url += "&time_last_after=" + std::to_string(tf.last_after);
  if (tf.last_before != 0) url += "&time_last_before=" + std::to_string(tf.last_before);
  return url;
}

void trove_auth(const system_settings& settings, fetch& f) {
  if (!settings.api_key) return;
  const std::string header = "X-Api-Key: " + *settings.api_key;
  slist_append(f.headers, header.c_str());
}

// The version-1 API answers a search without results with 404; every other
// response that is not 200, of either API, is a failure.
const char* trove_status(const pdns_system& sys, const fetch& f) {
  if (sys.encap == encapsulation::none && f.rcode == 404) return "NOERROR";
  return "ERROR";
}

page_step trove_next_page(const pdns_system& sys, const run_options& opts,
                          const system_settings& settings, fetch& f) {
  page_state& page = f.page;
  const query& q = *f.qry;
  if (sys.encap == encapsulation::saf) {
    // Only a limited page has more behind it.
    if (f.cond != saf_cond::limited) return {};
    if (page.records == 0)
      return {page_outcome::incomplete,
              "the server ended a page without records at offset " + std::to_string(page.offset)};
  } else {
    // No framing says more is to come: a full page may have more behind it.
    if (q.detail.qp.query_limit <= 0 || page.records < q.detail.qp.query_limit) return {};
  }
  qparam next = q.detail.qp;
  next.offset = page.offset + page.records;
  std::string error;
  std::optional<std::string> url =
      trove_url(sys, opts, settings, page.path.c_str(), next, page.fence, false, &error);
  if (!url) return {page_outcome::incomplete, error};
  page.offset = next.offset;
  f.url = std::move(*url);
  return {page_outcome::next, {}};
}

const char* trove_verb_ok(const char* verb_name, const qparam& qp) {
  if (strcasecmp(verb_name, "lookup") == 0) return nullptr;
  if (qp.offset != 0) return "only 'lookup' understands offsets";
  if (qp.explicit_output_limit != -1) return "only 'lookup' understands output limits";
  return nullptr;
}

const char* trove_setval(system_settings& settings, const char* key, const char* value) {
  return settings_setval(settings, key, value) ? nullptr : "trove_setval() unrecognized key";
}

const char* trove_ready(const pdns_system& sys, const run_options& opts,
                        system_settings& settings) {
  if (const char* key = getenv("TROVE_API_KEY")) {
    settings.api_key = key;
    settings.api_key_origin = key_origin::environment;
    debug_line(1, "conf env api_key was set\n");
  }
  if (const char* server = getenv("TROVE_SERVER")) {
    settings.server = server;
    debug_line(1, "conf env trove_server = '%s'\n", server);
  }
  if (!settings.server) settings.server = sys.base_url;
  if (sys.encap == encapsulation::saf && settings.server->find("/trove/v2") == std::string::npos)
    *settings.server += "/trove/v2";
  // Saved records are re-presented without asking anyone.
  if (!settings.api_key) return opts.offline ? nullptr : "no API key given";
  // It goes into a request header: a line break there would end the header
  // and start one of the key's choosing.
  if (has_control_character(*settings.api_key)) return "API key contains a control character";
  return nullptr;
}

void trove_destroy(system_settings& settings) {
  settings = system_settings{};
}

// The response is collected whole by a meta writer: it is one JSON text,
// whatever its lines.
std::optional<std::string> trove_info(const run_options& opts, run_state& state) {
  debug_line(1, "trove_info()\n");
  writer& wr = writer_init(opts, state, -1, true);
  auto fresh = std::make_unique<query>();
  fresh->detail.descr = "rate_limit";
  query& q = writer_add_query(wr, std::move(fresh));
  std::string error;
  std::optional<std::string> url = state.psys->url(*state.psys, opts, state.settings, "rate_limit",
                                                   qparam_defaults, time_fence{}, true, &error);
  if (!url) throw fatal_error{error};
  fetch_init(opts, state, q, std::move(*url));
  io_engine(opts, state, 0);
  std::string response = std::move(wr.meta_body);
  writer_fini(state, wr);
  if (response.empty()) return std::nullopt;
  return response;
}

}  // namespace trawl
