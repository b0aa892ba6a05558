// One decoded passive-DNS record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/options.h"
#include "records/fast_record.h"
#include "support/json_ref.h"

namespace trawl {

// What presenters read, whichever decoder made it. The fast decoder fills
// view alone; the reference decoder (the JSON library) fills view from its
// tree and keeps the tree, whose record object then stands for view's
// record_text. Presence is judged by view.has, never by a value.
struct pdns_tuple {
  record_view view;
  json_ref line_json;             // the reference decoder's parse of the whole line
  json_t* record_json = nullptr;  // borrowed from line_json: the object holding the record
  bool renamed = false;           // a name transform applies: rrname_storage holds the name
  std::string rrname_storage;

  // The owner name as transformed; empty when the record has none.
  std::string_view rrname() const { return renamed ? rrname_storage : view.rrname; }
};

// Why a line gave no tuple.
struct tuple_error {
  bool not_json;     // the line does not parse as JSON
  std::string text;  // the parser's report, or the key that has the wrong type
};

// Decodes one line; framed lines carry their record in "obj". The owner name
// is transformed as transforms ask (reverse, chomp). The fast decoder is
// tried first; what it declines goes to the reference decoder, as does every
// line while debugging at level 4 (which shows the reference's parse) or when
// TRAWL_JSON_FAST=0 is in the environment.
std::optional<tuple_error> tuple_make(pdns_tuple& tup, std::string_view line,
                                      transform_set transforms, bool framed);
// The same without the record's compact text (view.record_text stays empty
// when the fast decoder takes the line): all a sort line needs are the
// values, and the record is presented from its line later.
std::optional<tuple_error> tuple_make_values(pdns_tuple& tup, std::string_view line,
                                             transform_set transforms, bool framed);
// The reference decoder alone.
std::optional<tuple_error> tuple_make_reference(pdns_tuple& tup, std::string_view line,
                                                transform_set transforms, bool framed);
void tuple_unmake(pdns_tuple& tup);

// True when the line held a record: an object with at least one of the
// record's keys (saved output may hold other JSON).
bool tuple_is_record(const pdns_tuple& tup);

// False when TRAWL_JSON_FAST=0 was in the environment at the first call.
bool tuple_fast_enabled();

// What a record data value that is not a string prints as.
inline constexpr std::string_view bad_value_text = "[bad value]";

// Calls visit once per array element, or once with the rdata string, or once
// with nullptr when the record has no rdata.
template <typename Visit>
void for_each_rdata(const pdns_tuple& tup, Visit visit) {
  if (!tup.view.has.rdata) {
    visit(static_cast<const rdata_entry*>(nullptr));
    return;
  }
  for (const rdata_entry& value : tup.view.rdata_values) visit(&value);
}

// The text a data value prints as: "[bad value]" for an element that is not
// a string.
inline std::string_view shown_rdata(const rdata_entry& value) {
  return value.bad ? bad_value_text : value.text;
}

}  // namespace trawl
