// The run's options: fixed once option scanning and the checks after it are
// done, then passed by const reference to whatever reads them.
#pragma once

#include <sys/time.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace trawl {

struct verb;
struct presenter;

enum presentation_format {
  format_unset = 0,
  format_text = 1,
  format_json = 2,
  format_csv = 3,
  format_minimal = 4,
};

enum batch_mode { batch_none = 0, batch_plain = 1, batch_tagged = 2 };

enum sort_mode { sort_none = 0, sort_ascending = 1, sort_descending = 2 };

enum transform_bit : unsigned {
  transform_reverse = 1,
  transform_datefix = 2,
  transform_chomp = 4,
  transform_qdetail = 8,
};

// The AS-information zone used when -D is not given.
inline constexpr const char* default_asinfo_domain = "origin.asn.cymru.com";

struct sort_key {
  std::string name;      // as typed
  std::string argument;  // passed to the sort program, direction included
};

inline constexpr size_t max_sort_keys = 7;

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
  presentation_format presentation = format_unset;
  std::optional<std::string> presentation_name;
  const presenter* presenter_selected = nullptr;
  batch_mode batching = batch_none;
  bool multiple = false;
  sort_mode sorting = sort_none;
  std::vector<sort_key> sort_keys;
  long max_count = 0;
  unsigned transforms = 0;
  bool quiet = false;
  bool no_verify = false;
  int debug_level = 0;
  bool allow_8bit = false;

  bool transform(transform_bit bit) const { return (transforms & bit) != 0; }
};

// The program's version string, a build constant.
inline const char* version_string() {
  return TRAWL_VERSION;
}

}  // namespace trawl
