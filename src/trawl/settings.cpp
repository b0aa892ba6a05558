#include "trawl/settings.h"

#include "trawl/dedup_set.h"

namespace trawl {

std::string program_name = "trawl";
timeval start_time{};
size_t read_chunk = 0;
bool iso_time = false;
std::optional<std::string> config_file;
long timeout = 0;
int ip_family = 0;
std::optional<std::string> cookie_file;
const char* asinfo_domain = default_asinfo_domain;
bool asinfo_lookup = false;
const verb* verb_selected = nullptr;
presentation_format presentation = format_unset;
std::optional<std::string> presentation_name;
const presenter* presenter_selected = nullptr;
batch_mode batching = batch_none;
bool multiple = false;
sort_mode sorting = sort_none;
long max_count = 0;
unsigned transforms = 0;
bool quiet = false;
bool no_verify = false;
int debug_level = 0;
bool allow_8bit = false;
const pdns_system* psys = nullptr;
bool psys_specified = false;
int exit_status = 0;
std::unique_ptr<dedup_set> minimal_set;

const char* version_string() {
  return TRAWL_VERSION;
}

}  // namespace trawl
