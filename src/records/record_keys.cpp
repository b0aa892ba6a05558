#include "records/record_keys.h"

namespace trawl {

const std::array<record_key_rule, key_total> record_keys = {{
    {"cond", key_kind::string, "cond must be a string", &record_presence::cond},
    {"msg", key_kind::string, "msg must be a string", &record_presence::msg},
    {"obj", key_kind::object, "obj must be an object", &record_presence::obj},
    {"zone_time_first", key_kind::integer, "zone_time_first must be an integer",
     &record_presence::zone_time_first},
    {"zone_time_last", key_kind::integer, "zone_time_last must be an integer",
     &record_presence::zone_time_last},
    {"time_first", key_kind::integer, "time_first must be an integer",
     &record_presence::time_first},
    {"time_last", key_kind::integer, "time_last must be an integer", &record_presence::time_last},
    {"count", key_kind::integer, "count must be an integer", &record_presence::count},
    {"bailiwick", key_kind::string, "bailiwick must be a string", &record_presence::bailiwick},
    {"num_results", key_kind::integer, "num_results must be an integer",
     &record_presence::num_results},
    {"rrname", key_kind::string, "rrname must be a string", &record_presence::rrname},
    {"rrtype", key_kind::string, "rrtype must be a string", &record_presence::rrtype},
    {"rdata", key_kind::string_or_array, "rdata must be a string or array",
     &record_presence::rdata},
}};

record_key find_record_key(std::string_view name, bool framing) {
  const int from = framing ? key_cond : first_record_key;
  const int to = framing ? first_record_key : key_total;
  for (int i = from; i < to; ++i)
    if (record_keys[i].name == name) return static_cast<record_key>(i);
  return key_none;
}

}  // namespace trawl
