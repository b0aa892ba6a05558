// The keys a record line is read for: their names, the JSON type each must
// hold and the message for one of another type. Both record decoders read
// this one table, so that a key or a message changes in one place.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace trawl {

// Which keys a line holds; a key present with the right type sets its flag.
struct record_presence {
  bool obj = false;  // framed lines: the line has an obj member
  bool cond = false;
  bool msg = false;
  bool time_first = false;
  bool time_last = false;
  bool zone_time_first = false;
  bool zone_time_last = false;
  bool bailiwick = false;
  bool rrname = false;
  bool rrtype = false;
  bool rdata = false;
  bool count = false;
  bool num_results = false;
};

// In the order types are checked: the framing keys of a framed line, then the
// record keys. The order decides which message a line with several bad keys
// gets.
enum record_key : int {
  key_cond,
  key_msg,
  key_obj,
  key_zone_time_first,
  key_zone_time_last,
  key_time_first,
  key_time_last,
  key_count,
  key_bailiwick,
  key_num_results,
  key_rrname,
  key_rrtype,
  key_rdata,
  key_total,
  key_none = key_total,
};

// The framing keys are [key_cond, first_record_key), the record keys
// [first_record_key, key_total).
inline constexpr int first_record_key = key_zone_time_first;

// An integer is a JSON number without fraction or exponent.
enum class key_kind { integer, string, object, string_or_array };

struct record_key_rule {
  std::string_view name;
  key_kind kind;
  const char* message;  // the decoders' text for a value of another type
  bool record_presence::*flag;
};

extern const std::array<record_key_rule, key_total> record_keys;

// The key of that name among the framing keys (framing) or the record keys;
// key_none for any other name.
record_key find_record_key(std::string_view name, bool framing);

}  // namespace trawl
