// A record line decoded without building a JSON tree: the values presenters
// read and the record's compact JSON text, for the lines whose result is known
// to match the reference decoder (tuple_make) byte for byte. Every other line
// is declined and goes through tuple_make, so that its error texts and odd
// cases stay those of the reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_keys.h"

namespace trawl {

// One value of the record data: an array element, or the one rdata string.
// bad marks an array element that is not a string (text is then empty).
struct rdata_entry {
  std::string_view text;
  bool bad = false;
};

// The parser, its padded copy of the line and the output buffer; kept from
// line to line so that the steady state allocates nothing.
struct fast_scratch;
struct fast_scratch_deleter {
  void operator()(fast_scratch* scratch) const;
};

// One decoded record. Presence is kept apart from the value: a record whose
// time_first is 0 has has.time_first set. Every view points into storage the
// view owns and stays valid until the next fast_decode into it.
struct record_view {
  record_presence has;
  // A plain line is always a record; a framed line only when it has obj.
  bool has_record = false;
  uint64_t time_first = 0;
  uint64_t time_last = 0;
  uint64_t zone_time_first = 0;
  uint64_t zone_time_last = 0;
  int64_t count = 0;
  int64_t num_results = 0;
  std::string_view cond;
  std::string_view msg;
  std::string_view bailiwick;
  std::string_view rrname;  // as received: the name transforms are the caller's
  std::string_view rrtype;
  std::string_view rdata;  // the rdata string; empty when absent or an array
  bool rdata_is_array = false;
  // One entry per array element, or one for the rdata string; none when the
  // record has no rdata.
  std::vector<rdata_entry> rdata_values;
  // The record object (framed: obj) encoded as json_dumpb with JSON_COMPACT
  // prints it; empty when there is no record.
  std::string_view record_text;

  std::unique_ptr<fast_scratch, fast_scratch_deleter> scratch;
};

enum class fast_status {
  decoded,     // out holds the record
  type_error,  // a key has the wrong type: message is tuple_make's text
  declined,    // not sure to match the reference: decode with tuple_make
};

struct fast_result {
  fast_status status = fast_status::declined;
  const char* message = nullptr;  // type_error only
};

// Lines longer than this are declined: the parser's memory grows with the
// longest line it has seen, and such lines are rare enough to leave to the
// reference decoder.
inline constexpr size_t fast_max_line = size_t{1} << 20;

// Decodes one line (no newline); framed lines carry their record in "obj".
// On anything but decoded, out holds no record. Without with_text the
// record's compact text is not made (record_text stays empty): what sorting
// needs of a record is its values.
fast_result fast_decode(std::string_view line, bool framed, record_view& out,
                        bool with_text = true);

// Empties every presence flag and value; keeps the scratch.
void record_view_clear(record_view& view);

// Appends text as a JSON string the way the reference encoder writes it:
// quotes and backslashes escaped, \b \f \n \r \t in short form, other bytes
// below 0x20 as \u00XX with upper-case hex, everything else as is.
void fast_json_string(std::string& out, std::string_view text);

}  // namespace trawl
