// One decoded passive-DNS record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "trawl/json_ref.h"

namespace trawl {

struct pdns_tuple {
  json_ref line_json;             // owned parse result of the whole line
  json_t* record_json = nullptr;  // borrowed: the object holding the record keys
  struct {
    json_t* obj = nullptr;
    json_t* cond = nullptr;
    json_t* msg = nullptr;
    json_t* time_first = nullptr;
    json_t* time_last = nullptr;
    json_t* zone_time_first = nullptr;
    json_t* zone_time_last = nullptr;
    json_t* bailiwick = nullptr;
    json_t* rrname = nullptr;
    json_t* rrtype = nullptr;
    json_t* rdata = nullptr;
    json_t* count = nullptr;
    json_t* num_results = nullptr;
  } node;  // borrowed, one per key; nullptr when absent
  uint64_t time_first = 0;
  uint64_t time_last = 0;
  uint64_t zone_time_first = 0;
  uint64_t zone_time_last = 0;
  const char* bailiwick = nullptr;
  const char* rrtype = nullptr;
  const char* rdata = nullptr;  // set only when rdata is a string
  const char* cond = nullptr;
  const char* msg = nullptr;
  std::optional<std::string> rrname;  // transformed copy
  int64_t count = 0;
  int64_t num_results = 0;
};

enum class tuple_outcome {
  ok,        // decoded
  rejected,  // *message holds the reason; the caller reports it
  reported,  // not JSON; already reported with a warning
};

tuple_outcome tuple_make(pdns_tuple& tup, std::string_view line, const char** message);
void tuple_unmake(pdns_tuple& tup);

}  // namespace trawl
