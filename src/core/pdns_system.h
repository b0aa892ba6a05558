// The back-end interface: one constant record of operations per system.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/qparam.h"

namespace trawl {

struct fetch;
struct run_state;

enum class encapsulation { none, saf };

// Where the credential came from, for the hint when a server refuses it.
enum class key_origin { none, configuration_file, environment };

// What the configuration and the environment tell the current system: its
// credential (an API key, or "user:password") and its server.
struct system_settings {
  std::optional<std::string> api_key;
  std::optional<std::string> server;
  key_origin api_key_origin = key_origin::none;
};

// Takes the configuration keys every system knows, "apikey" and "server";
// false for any other key.
inline bool settings_setval(system_settings& settings, const char* key, const char* value) {
  const std::string_view name = key;
  if (name == "apikey") {
    settings.api_key = value;
    settings.api_key_origin = key_origin::configuration_file;  // its only caller reads the file
  } else if (name == "server") {
    settings.server = value;
  } else {
    return false;
  }
  return true;
}

// What follows a page of an answer followed with --all.
enum class page_outcome {
  complete,    // the answer has ended
  next,        // another page is asked: the fetch's page state and URL say which
  incomplete,  // the answer stopped short: reason says why
};

struct page_step {
  page_outcome outcome = page_outcome::complete;
  std::string reason;
};

struct pdns_system {
  const char* name;
  const char* base_url;
  encapsulation encap;
  // The service cannot narrow by time or skip results: the record stream
  // applies the time window and the offset itself.
  bool filters_locally;
  // An answer's pages have no end marker: a page of fewer results than the
  // page size (-l) is the last, so paging needs one.
  bool paged_by_size;
  // The full URL of a request path; nullopt, with *error set, when the
  // system cannot ask for it.
  std::optional<std::string> (*url)(const pdns_system& sys, const run_options& opts,
                                    const system_settings& settings, const char* path,
                                    const qparam& qp, const time_fence& tf, bool info,
                                    std::string* error);
  // Runs the account-information request and returns the response, or
  // nothing when no answer came (the engine has said why); nullptr when the
  // system has none.
  std::optional<std::string> (*info)(const run_options& opts, run_state& state);
  void (*auth)(const system_settings& settings, fetch& f);
  // The system's own request headers that shape the answer (paging,
  // passive lookups), appended to headers; nullptr when it has none.
  void (*answer_headers)(const run_options& opts, const fetch& f,
                         std::vector<std::string>& headers);
  // With --all, once a page of f's answer has arrived whole (HTTP 200, the
  // transfer complete): whether the answer goes on, and if so the page
  // state and URL of the next request.
  page_step (*next_page)(const pdns_system& sys, const run_options& opts,
                         const system_settings& settings, fetch& f);
  // The status of a query whose response code was not 200.
  const char* (*status)(const pdns_system& sys, const fetch& f);
  const char* (*verb_ok)(const char* verb_name, const qparam& qp);
  const char* (*setval)(system_settings& settings, const char* key, const char* value);
  // Completes the settings once the configuration has been read; an error text, or nullptr.
  const char* (*ready)(const pdns_system& sys, const run_options& opts, system_settings& settings);
  void (*destroy)(system_settings& settings);
};

}  // namespace trawl
