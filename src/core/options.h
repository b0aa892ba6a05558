// The run's options: fixed once option scanning and the checks after it are
// done, then passed by const reference to whatever reads them.
#pragma once

#include <sys/time.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trawl {

struct verb;
struct presenter;

enum class presentation_format { unset, text, json, csv, minimal, dot, graphml, gexf };

// The presentations that draw one graph of the whole run.
inline bool is_graph(presentation_format format) {
  return format == presentation_format::dot || format == presentation_format::graphml ||
         format == presentation_format::gexf;
}

enum class batch_mode { none, plain, tagged };

enum class sort_mode { none, ascending, descending };

// The -T transforms; their bit values appear in no output.
enum class transform : unsigned {
  reverse = 1,
  datefix = 2,
  chomp = 4,
  qdetail = 8,
  unicode = 16,  // names shown in Unicode: text, CSV and minimal output only
};

struct transform_set {
  unsigned bits = 0;

  constexpr transform_set() = default;
  constexpr transform_set(transform t) : bits(static_cast<unsigned>(t)) {}  // NOLINT: a set of one

  bool has(transform t) const { return (bits & static_cast<unsigned>(t)) != 0; }
  void add(transform t) { bits |= static_cast<unsigned>(t); }
};

constexpr transform_set operator|(transform_set a, transform_set b) {
  transform_set both;
  both.bits = a.bits | b.bits;
  return both;
}

constexpr transform_set operator|(transform a, transform b) {
  return transform_set(a) | transform_set(b);
}

// The AS-information zone used when -D is not given.
inline constexpr const char* default_asinfo_domain = "origin.asn.cymru.com";

struct sort_key {
  std::string name;      // as typed
  std::string argument;  // passed to the sort program, direction included
};

inline constexpr size_t max_sort_keys = 7;

// The answer store (--cache and its settings), fixed before the mode runs.
struct cache_settings {
  std::optional<bool> asked;  // --cache or --offline (true), --no-cache (false)
  bool on = false;            // the store is used this run
  bool refresh = false;       // --refresh: ask the server, and store what it says
  bool offline = false;       // --offline: answer from the store only
  long ttl = 86400;           // seconds an answer stays fresh (--cache-ttl, TRAWL_CACHE_TTL)
  std::optional<std::string> ttl_text;     // --cache-ttl as given
  uint64_t max_bytes = uint64_t{1} << 30;  // TRAWL_CACHE_MAX
  std::string file;                        // TRAWL_CACHE_FILE, or the default path
  bool info = false;                       // --cache-info
  bool clear = false;                      // --cache-clear
};

struct run_options {
  std::string program_name = "trawl";
  timeval start_time{};
  size_t read_chunk = 16384;
  bool iso_time = false;
  std::optional<std::string> config_file;
  long timeout = 0;
  int ip_family = 0;  // 0 any, 1 IPv4 only, 2 IPv6 only
  std::optional<std::string> cookie_file;
  std::string asinfo_domain = default_asinfo_domain;
  bool asinfo_lookup = false;
  const verb* verb_selected = nullptr;
  presentation_format presentation = presentation_format::unset;
  std::optional<std::string> presentation_name;
  const presenter* presenter_selected = nullptr;
  batch_mode batching = batch_mode::none;
  bool multiple = false;
  sort_mode sorting = sort_mode::none;
  std::vector<sort_key> sort_keys;
  long max_count = 0;
  transform_set transforms;
  bool quiet = false;
  bool no_verify = false;
  int debug_level = 0;
  bool allow_8bit = false;
  bool offline = false;                // nothing is fetched (-J): no credentials are needed
  long retries = 0;                    // --retry: how often a failed query is asked again
  bool no_progress = false;            // --no-progress: no progress line on a terminal
  std::optional<std::string> ca_file;  // --cacert
  std::optional<std::string> ca_path;  // --capath
  bool all = false;                    // --all: an answer is followed across its pages
  bool passive = false;                // --passive: the service is asked not to resolve live
  int pivot = 0;                       // --pivot: the depth of a crawl; 0 for none
  long budget = 100;                   // --budget: the crawl's requests at most
  long fanout = 50;                    // --fanout: new queries one answer may lead to
  cache_settings cache;

  bool transform_on(transform t) const { return transforms.has(t); }
};

// The program's version string, a build constant.
inline const char* version_string() {
  return TRAWL_VERSION;
}

}  // namespace trawl
