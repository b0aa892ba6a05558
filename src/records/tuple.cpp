#include "records/tuple.h"

#include "core/diag.h"
#include "core/options.h"
#include "records/countoff.h"

namespace trawl {

namespace {

using tuple_nodes = decltype(pdns_tuple::node);

enum class json_kind { integer, string, object, string_or_array };

struct key_rule {
  const char* key;
  json_t* tuple_nodes::*node;
  json_kind kind;
  const char* message;
};

constexpr key_rule framing_rules[] = {
    {"cond", &tuple_nodes::cond, json_kind::string, "cond must be a string"},
    {"msg", &tuple_nodes::msg, json_kind::string, "msg must be a string"},
    {"obj", &tuple_nodes::obj, json_kind::object, "obj must be an object"},
};

// The order decides which message a record with several bad keys gets.
constexpr key_rule record_rules[] = {
    {"zone_time_first", &tuple_nodes::zone_time_first, json_kind::integer,
     "zone_time_first must be an integer"},
    {"zone_time_last", &tuple_nodes::zone_time_last, json_kind::integer,
     "zone_time_last must be an integer"},
    {"time_first", &tuple_nodes::time_first, json_kind::integer, "time_first must be an integer"},
    {"time_last", &tuple_nodes::time_last, json_kind::integer, "time_last must be an integer"},
    {"count", &tuple_nodes::count, json_kind::integer, "count must be an integer"},
    {"bailiwick", &tuple_nodes::bailiwick, json_kind::string, "bailiwick must be a string"},
    {"num_results", &tuple_nodes::num_results, json_kind::integer,
     "num_results must be an integer"},
    {"rrname", &tuple_nodes::rrname, json_kind::string, "rrname must be a string"},
    {"rrtype", &tuple_nodes::rrtype, json_kind::string, "rrtype must be a string"},
    {"rdata", &tuple_nodes::rdata, json_kind::string_or_array, "rdata must be a string or array"},
};

bool has_kind(const json_t* value, json_kind kind) {
  switch (kind) {
    case json_kind::integer:
      return json_is_integer(value);
    case json_kind::string:
      return json_is_string(value);
    case json_kind::object:
      return json_is_object(value);
    case json_kind::string_or_array:
      return json_is_string(value) || json_is_array(value);
  }
  return false;
}

// Fills the nodes named by rules from object (absent keys stay nullptr);
// the message of the first key of a wrong type, or nullptr.
template <size_t N>
const char* find_nodes(pdns_tuple& tup, json_t* object, const key_rule (&rules)[N]) {
  for (const key_rule& rule : rules) {
    json_t* value = json_object_get(object, rule.key);
    if (value == nullptr) continue;
    if (!has_kind(value, rule.kind)) return rule.message;
    tup.node.*rule.node = value;
  }
  return nullptr;
}

}  // namespace

std::optional<tuple_error> tuple_make(pdns_tuple& tup, std::string_view line,
                                      transform_set transforms, bool framed) {
  tup = pdns_tuple{};
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

  const char* failure = nullptr;
  if (framed) {
    failure = find_nodes(tup, tup.line_json.get(), framing_rules);
    tup.record_json = tup.node.obj;
  } else {
    tup.record_json = tup.line_json.get();
  }
  if (failure == nullptr && tup.record_json != nullptr)
    failure = find_nodes(tup, tup.record_json, record_rules);
  if (failure != nullptr) {
    tup = pdns_tuple{};
    return tuple_error{false, failure};
  }

  // The value accessors give 0 or nullptr for an absent node.
  tup.cond = json_string_value(tup.node.cond);
  tup.msg = json_string_value(tup.node.msg);
  tup.time_first = json_integer_value(tup.node.time_first);
  tup.time_last = json_integer_value(tup.node.time_last);
  tup.zone_time_first = json_integer_value(tup.node.zone_time_first);
  tup.zone_time_last = json_integer_value(tup.node.zone_time_last);
  tup.count = json_integer_value(tup.node.count);
  tup.num_results = json_integer_value(tup.node.num_results);
  tup.bailiwick = json_string_value(tup.node.bailiwick);
  tup.rrtype = json_string_value(tup.node.rrtype);
  tup.rdata = json_string_value(tup.node.rdata);
  if (tup.node.rrname != nullptr) {
    tup.rrname = json_string_value(tup.node.rrname);
    const bool reverse = transforms.has(transform::reverse);
    const bool chomp = transforms.has(transform::chomp);
    if (reverse || chomp) {
      tup.rrname_storage = transform_rrname(tup.rrname, reverse, chomp);
      tup.rrname = tup.rrname_storage.c_str();
    }
  }
  return std::nullopt;
}

bool tuple_is_record(const pdns_tuple& tup) {
  if (!json_is_object(tup.record_json)) return false;
  for (const key_rule& rule : record_rules)
    if (tup.node.*rule.node != nullptr) return true;
  return false;
}

void tuple_unmake(pdns_tuple& tup) {
  tup = pdns_tuple{};
}

}  // namespace trawl
