// One decoded passive-DNS record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/options.h"
#include "support/json_ref.h"

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
  // The owner name as transformed: the record's own text when no transform
  // applies, else rrname_storage; nullptr when the record has none.
  const char* rrname = nullptr;
  std::string rrname_storage;
  int64_t count = 0;
  int64_t num_results = 0;
};

// Why a line gave no tuple.
struct tuple_error {
  bool not_json;     // the line does not parse as JSON
  std::string text;  // the parser's report, or the key that has the wrong type
};

// Decodes one line; framed lines carry their record in "obj". The owner name
// is transformed as transforms ask (reverse, chomp).
std::optional<tuple_error> tuple_make(pdns_tuple& tup, std::string_view line,
                                      transform_set transforms, bool framed);
void tuple_unmake(pdns_tuple& tup);

// True when the line held a record: an object with at least one of the
// record's keys (saved output may hold other JSON).
bool tuple_is_record(const pdns_tuple& tup);

// One value of a record's data as presenters walk them: text is nullptr when
// the record has no data; bad marks an array element that is not a string.
struct rdata_value {
  const char* text;
  bool bad;
};

// What a record data value that is not a string prints as.
inline constexpr const char* bad_value_text = "[bad value]";

// Calls visit once per array element, or once with the rdata string.
template <typename Visit>
void for_each_rdata(const pdns_tuple& tup, Visit visit) {
  if (json_is_array(tup.node.rdata)) {
    size_t index;
    json_t* element;
    json_array_foreach(tup.node.rdata, index, element) {
      const char* text = json_string_value(element);
      visit(rdata_value{text, text == nullptr});
    }
    return;
  }
  visit(rdata_value{tup.rdata, false});
}

}  // namespace trawl
