#include "records/account_info.h"

#include <strings.h>

#include <cstring>
#include <iterator>

#include "core/diag.h"
#include "records/present_json.h"
#include "support/json_ref.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

namespace {

constexpr const char* rate_keys[] = {"reset",       "expires",    "limit",      "remaining",
                                     "results_max", "offset_max", "burst_size", "burst_window"};
constexpr int burst_size_index = 6;
constexpr int burst_window_index = 7;

const char* rate_text(const rate_tuple& t) {
  return t.rk == rate_kind::unlimited ? "unlimited" : "n/a";
}

std::string per(unsigned long n, const char* unit) {
  return std::to_string(n) + " per " + unit;
}

std::string per(unsigned long n, unsigned long count, const char* units) {
  return std::to_string(n) + " per " + std::to_string(count) + " " + units;
}

bool present_text(std::string_view response, bool iso, output_sink& sink) {
  const int len = static_cast<int>(response.size());
  debug_line(3, "[%d] '%-*.*s'\n", len, len, len, response.data());
  json_error_t error;
  json_ref parsed(json_loadb(response.data(), response.size(), 0, &error));
  if (!parsed) {
    warning("json_loadb: %d:%d: %s %s", error.line, error.column, safe_text(error.text).c_str(),
            error.source);
    return false;
  }
  if (debugging(4)) {
    c_text dump(json_dumps(parsed.get(), JSON_INDENT(2)));
    log_line("%s", dump ? dump.get() : "");
  }
  const json_t* rate = json_object_get(parsed.get(), "rate");
  if (rate == nullptr) {
    sink.write("Missing \"rate\" object\n");
    return true;
  }
  rate_tuple tuples[std::size(rate_keys)];
  for (size_t i = 0; i < std::size(rate_keys); ++i) {
    if (const char* err = rate_tuple_make(rate, rate_keys[i], &tuples[i])) {
      sink.write(err);
      sink.write("\n");
      return true;
    }
  }
  std::string out = "rate:\n";
  for (int i = 0; i < burst_size_index; ++i)
    if (tuples[i].rk != rate_kind::none) out += rate_line(iso, rate_keys[i], tuples[i]);
  if (tuples[burst_size_index].rk != rate_kind::none &&
      tuples[burst_window_index].rk != rate_kind::none)
    out += burstrate_line(tuples[burst_size_index], tuples[burst_window_index]);
  sink.write(out);
  return true;
}

}  // namespace

const char* rate_tuple_make(const json_t* rate, const char* key, rate_tuple* out) {
  *out = rate_tuple{};
  const json_t* value = json_object_get(rate, key);
  if (value == nullptr) return nullptr;
  if (json_is_integer(value)) {
    out->rk = rate_kind::integer;
    out->value = static_cast<uint64_t>(json_integer_value(value));
    return nullptr;
  }
  if (const char* text = json_string_value(value)) {
    if (strcasecmp(text, "n/a") == 0) {
      out->rk = rate_kind::na;
      return nullptr;
    }
    if (strcasecmp(text, "unlimited") == 0) {
      out->rk = rate_kind::unlimited;
      return nullptr;
    }
  }
  return "value must be an integer or \"n/a\" or \"unlimited\"";
}

std::string rate_line(bool iso, const char* name, const rate_tuple& tuple) {
  std::string line = std::string("\t") + name + ": ";
  if (tuple.rk != rate_kind::integer) {
    line += rate_text(tuple);
  } else if (strcmp(name, "reset") == 0 || strcmp(name, "expires") == 0) {
    line += time_str(tuple.value, iso);
  } else {
    line += std::to_string(tuple.value);
  }
  return line + "\n";
}

std::string burstrate_line(const rate_tuple& size, const rate_tuple& window) {
  std::string line = "\tburst rate: ";
  const unsigned long n = size.value;
  const unsigned long w = window.value;
  if (size.rk != rate_kind::integer || window.rk != rate_kind::integer) {
    // No rate can be computed: say which limit stands in the way.
    line +=
        size.rk == rate_kind::unlimited || window.rk == rate_kind::unlimited ? "unlimited" : "n/a";
  } else if (w == 3600) {
    line += per(n, "hour");
  } else if (w == 60) {
    line += per(n, "minute");
  } else if (w % 3600 == 0) {
    line += per(n, w / 3600, "hours");
  } else if (w % 60 != 0) {
    line += per(n, w, "seconds");
  } else {
    line += per(n, w / 60, "minutes");
  }
  return line + "\n";
}

bool present_account(std::string_view response, presentation_format format, bool iso,
                     output_sink& sink) {
  if (format == presentation_format::json) return pprint_json(response, sink);
  return present_text(response, iso, sink);
}

}  // namespace trawl
