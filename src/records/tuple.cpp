#include "records/tuple.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "core/diag.h"
#include "core/options.h"
#include "records/countoff.h"
#include "records/record_keys.h"

namespace trawl {

namespace {

// The reference decoder's borrowed value of each key; nullptr when absent.
using tuple_nodes = std::array<json_t*, key_total>;

bool has_kind(const json_t* value, key_kind kind) {
  switch (kind) {
    case key_kind::integer:
      return json_is_integer(value);
    case key_kind::string:
      return json_is_string(value);
    case key_kind::object:
      return json_is_object(value);
    case key_kind::string_or_array:
      return json_is_string(value) || json_is_array(value);
  }
  return false;
}

// Fills the nodes of the keys [from, to) from object (absent keys stay
// nullptr); the message of the first key of a wrong type, or nullptr.
const char* find_nodes(tuple_nodes& node, json_t* object, int from, int to) {
  for (int i = from; i < to; ++i) {
    const record_key_rule& rule = record_keys[i];
    // The names are literals: data() ends in a NUL.
    json_t* value = json_object_get(object, rule.name.data());
    if (value == nullptr) continue;
    if (!has_kind(value, rule.kind)) return rule.message;
    node[i] = value;
  }
  return nullptr;
}

// Empties the tuple but keeps the fast decoder's scratch for the next line.
void tuple_clear(pdns_tuple& tup) {
  record_view_clear(tup.view);
  tup.line_json.reset();
  tup.record_json = nullptr;
  tup.renamed = false;
  tup.rrname_storage.clear();
}

std::string_view string_of(const json_t* value) {
  return std::string_view(json_string_value(value), json_string_length(value));
}

// The view of what the reference decoder found: nodes become presence,
// their values the view's values.
void fill_view(pdns_tuple& tup, const tuple_nodes& node) {
  record_view& v = tup.view;
  for (int i = 0; i < key_total; ++i) v.has.*record_keys[i].flag = node[i] != nullptr;
  v.has_record = tup.record_json != nullptr;
  // The value accessors give 0 or nullptr for an absent node.
  if (v.has.cond) v.cond = string_of(node[key_cond]);
  if (v.has.msg) v.msg = string_of(node[key_msg]);
  v.time_first = json_integer_value(node[key_time_first]);
  v.time_last = json_integer_value(node[key_time_last]);
  v.zone_time_first = json_integer_value(node[key_zone_time_first]);
  v.zone_time_last = json_integer_value(node[key_zone_time_last]);
  v.count = json_integer_value(node[key_count]);
  v.num_results = json_integer_value(node[key_num_results]);
  if (v.has.bailiwick) v.bailiwick = string_of(node[key_bailiwick]);
  if (v.has.rrname) v.rrname = string_of(node[key_rrname]);
  if (v.has.rrtype) v.rrtype = string_of(node[key_rrtype]);
  if (json_is_array(node[key_rdata])) {
    v.rdata_is_array = true;
    size_t index;
    json_t* element;
    json_array_foreach(node[key_rdata], index, element) {
      const bool bad = !json_is_string(element);
      v.rdata_values.push_back(rdata_entry{bad ? std::string_view() : string_of(element), bad});
    }
  } else if (v.has.rdata) {
    v.rdata = string_of(node[key_rdata]);
    v.rdata_values.push_back(rdata_entry{v.rdata, false});
  }
}

void transform_owner(pdns_tuple& tup, transform_set transforms) {
  if (!tup.view.has.rrname) return;
  const bool reverse = transforms.has(transform::reverse);
  const bool chomp = transforms.has(transform::chomp);
  if (!reverse && !chomp) return;
  tup.rrname_storage = transform_rrname(std::string(tup.view.rrname), reverse, chomp);
  tup.renamed = true;
}

}  // namespace

bool tuple_fast_enabled() {
  static const bool enabled = [] {
    const char* setting = getenv("TRAWL_JSON_FAST");
    return setting == nullptr || strcmp(setting, "0") != 0;
  }();
  return enabled;
}

std::optional<tuple_error> tuple_make_reference(pdns_tuple& tup, std::string_view line,
                                                transform_set transforms, bool framed) {
  tuple_clear(tup);
  const int length = static_cast<int>(line.size());
  debug_line(4, "[%d] '%-*.*s'\n", length, length, length, line.data());

  json_error_t error;
  tup.line_json.reset(json_loadb(line.data(), line.size(), 0, &error));
  if (!tup.line_json) {
    return tuple_error{true, std::to_string(error.line) + ":" + std::to_string(error.column) +
                                 ": " + error.text + " " + error.source};
  }
  if (debugging(4)) {
    c_text dump(json_dumps(tup.line_json.get(), JSON_INDENT(2)));
    log_line("%s", dump ? dump.get() : "");
  }

  tuple_nodes node{};
  const char* failure = nullptr;
  if (framed) {
    failure = find_nodes(node, tup.line_json.get(), key_cond, first_record_key);
    tup.record_json = node[key_obj];
  } else {
    tup.record_json = tup.line_json.get();
  }
  if (failure == nullptr && tup.record_json != nullptr)
    failure = find_nodes(node, tup.record_json, first_record_key, key_total);
  if (failure != nullptr) {
    tuple_clear(tup);
    return tuple_error{false, failure};
  }
  fill_view(tup, node);
  transform_owner(tup, transforms);
  return std::nullopt;
}

namespace {

std::optional<tuple_error> decode(pdns_tuple& tup, std::string_view line, transform_set transforms,
                                  bool framed, bool with_text) {
  if (debugging(4) || !tuple_fast_enabled())
    return tuple_make_reference(tup, line, transforms, framed);
  tuple_clear(tup);
  const fast_result fast = fast_decode(line, framed, tup.view, with_text);
  switch (fast.status) {
    case fast_status::decoded:
      transform_owner(tup, transforms);
      return std::nullopt;
    case fast_status::type_error:
      return tuple_error{false, fast.message};
    case fast_status::declined:
      break;
  }
  return tuple_make_reference(tup, line, transforms, framed);
}

}  // namespace

std::optional<tuple_error> tuple_make(pdns_tuple& tup, std::string_view line,
                                      transform_set transforms, bool framed) {
  return decode(tup, line, transforms, framed, true);
}

std::optional<tuple_error> tuple_make_values(pdns_tuple& tup, std::string_view line,
                                             transform_set transforms, bool framed) {
  return decode(tup, line, transforms, framed, false);
}

bool tuple_is_record(const pdns_tuple& tup) {
  if (!tup.view.has_record) return false;
  if (tup.record_json != nullptr && !json_is_object(tup.record_json)) return false;
  const auto& has = tup.view.has;
  return has.time_first || has.time_last || has.zone_time_first || has.zone_time_last ||
         has.bailiwick || has.rrname || has.rrtype || has.rdata || has.count || has.num_results;
}

void tuple_unmake(pdns_tuple& tup) {
  tuple_clear(tup);
}

}  // namespace trawl
