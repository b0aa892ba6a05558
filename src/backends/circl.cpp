#include "backends/circl.h"

#include <strings.h>

#include <cstring>

#include "core/transfer.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

// The only searches the service answers, tried in this order.
constexpr const char* circl_prefixes[] = {"rrset/name/", "rdata/name/", "rdata/ip/"};

}  // namespace

std::optional<std::string> circl_url(const pdns_system& sys, const run_options&,
                                     const system_settings& settings, const char* path,
                                     const qparam&, const time_fence&, bool, std::string* error) {
  const char* rest = nullptr;
  for (const char* prefix : circl_prefixes) {
    if (strncasecmp(path, prefix, strlen(prefix)) == 0) {
      rest = path + strlen(prefix);
      break;
    }
  }
  if (rest == nullptr) {
    *error = std::string("unsupported type of query for CIRCL pDNS: ") + path;
    return std::nullopt;
  }
  if (strchr(rest, '/') != nullptr) {
    *error = std::string("qualifiers not supported by CIRCL pDNS: ") + rest;
    return std::nullopt;
  }
  return settings.server.value_or(sys.base_url) + "/" + rest;
}

void circl_auth(const system_settings& settings, fetch& f) {
  if (!f.easy) return;
  curl_easy_setopt(f.easy.get(), CURLOPT_USERPWD,
                   settings.api_key ? settings.api_key->c_str() : nullptr);
  curl_easy_setopt(f.easy.get(), CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
}

const char* circl_status(const pdns_system&, const fetch&) {
  return "ERROR";
}

namespace {

// Records asked of each page.
constexpr const char* page_count_header = "dribble-paginate-count: 1000";

// A cursor goes back in a request header: nothing in it may end the header
// or split it.
bool sendable_cursor(std::string_view cursor) {
  for (char c : cursor)
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7f) return false;
  return true;
}

}  // namespace

void circl_answer_headers(const run_options& opts, const fetch& f,
                          std::vector<std::string>& headers) {
  if (f.page.follow) {
    headers.emplace_back(page_count_header);
    if (f.page.cursor) headers.push_back("dribble-paginate-cursor: " + *f.page.cursor);
  }
  if (opts.passive) headers.emplace_back("dribble-disable-active-query: 1");
}

page_step circl_next_page(const pdns_system&, const run_options&, const system_settings&,
                          fetch& f) {
  page_state& page = f.page;
  if (page.cut_report)
    return {page_outcome::incomplete,
            "the service cut the answer: " + quoted_value(*page.cut_report)};
  const std::optional<std::string>& next = page.next_cursor;
  if (!next || next->empty() || *next == "0") return {};
  if (!sendable_cursor(*next))
    return {page_outcome::incomplete,
            "the service named a cursor that cannot be sent back: " + quoted_value(*next)};
  if (page.cursor && *page.cursor == *next)
    return {page_outcome::incomplete, "the service named the same cursor again"};
  page.cursor = *next;
  return {page_outcome::next, {}};
}

const char* circl_verb_ok(const char* verb_name, const qparam&) {
  if (strcasecmp(verb_name, "lookup") == 0) return nullptr;
  return "the CIRCL system only understands 'lookup'";
}

const char* circl_setval(system_settings& settings, const char* key, const char* value) {
  return settings_setval(settings, key, value) ? nullptr : "circl_setval() unrecognized key";
}

const char* circl_ready(const pdns_system&, const run_options&, system_settings& settings) {
  if (settings.api_key && has_control_character(*settings.api_key))
    return "CIRCL credentials contain a control character";
  return nullptr;
}

void circl_destroy(system_settings& settings) {
  settings = system_settings{};
}

}  // namespace trawl
