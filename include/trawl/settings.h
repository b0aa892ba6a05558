// Program-wide settings fixed at start-up and by option scanning.
#pragma once

#include <sys/time.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace trawl {

struct verb;
struct presenter;
struct pdns_system;
struct dedup_set;

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

extern std::string program_name;
extern timeval start_time;
extern size_t read_chunk;
extern bool iso_time;
extern std::optional<std::string> config_file;
extern long timeout;
extern int ip_family;
extern std::optional<std::string> cookie_file;
extern const char* asinfo_domain;
extern bool asinfo_lookup;
extern const verb* verb_selected;
extern presentation_format presentation;
extern std::optional<std::string> presentation_name;
extern const presenter* presenter_selected;
extern batch_mode batching;
extern bool multiple;
extern sort_mode sorting;
extern long max_count;
extern unsigned transforms;
extern bool quiet;
extern bool no_verify;
extern int debug_level;
extern bool allow_8bit;
extern const pdns_system* psys;
extern bool psys_specified;
extern int exit_status;
extern std::unique_ptr<dedup_set> minimal_set;

// The program's version string, a build constant.
const char* version_string();

}  // namespace trawl
