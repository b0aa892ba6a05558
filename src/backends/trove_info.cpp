#include "backends/trove_info.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <iterator>

#include "backends/trove.h"
#include "core/diag.h"
#include "core/state.h"
#include "engine/engine.h"
#include "engine/fetch.h"
#include "engine/writer.h"
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
  return t.rk == rk_unlimited ? "unlimited" : "n/a";
}

}  // namespace

const char* rate_tuple_make(const json_t* rate, const char* key, rate_tuple* out) {
  *out = rate_tuple{};
  const json_t* value = json_object_get(rate, key);
  if (value == nullptr) return nullptr;
  if (json_is_integer(value)) {
    out->rk = rk_int;
    out->value = static_cast<uint64_t>(json_integer_value(value));
    return nullptr;
  }
  if (const char* text = json_string_value(value)) {
    if (strcasecmp(text, "n/a") == 0) {
      out->rk = rk_na;
      return nullptr;
    }
    if (strcasecmp(text, "unlimited") == 0) {
      out->rk = rk_unlimited;
      return nullptr;
    }
  }
  return "value must be an integer or \"n/a\" or \"unlimited\"";
}

void print_rate_line(bool iso, const char* name, const rate_tuple& tuple, FILE* stream) {
  fprintf(stream, "\t%s: ", name);
  if (tuple.rk != rk_int) {
    fputs(rate_text(tuple), stream);
  } else if (strcmp(name, "reset") == 0 || strcmp(name, "expires") == 0) {
    fputs(time_str(tuple.value, iso), stream);
  } else {
    fprintf(stream, "%lu", static_cast<unsigned long>(tuple.value));
  }
  fputc('\n', stream);
}

void print_burstrate(const rate_tuple& size, const rate_tuple& window, FILE* stream) {
  fprintf(stream, "\t%s: ", "burst rate");
  const unsigned long n = size.value;
  const unsigned long w = window.value;
  if (size.rk != rk_int || window.rk != rk_int) {
    // No rate can be computed: say which limit stands in the way.
    fputs(size.rk == rk_unlimited || window.rk == rk_unlimited ? "unlimited" : "n/a", stream);
  } else if (w == 3600) {
    fprintf(stream, "%lu per hour", n);
  } else if (w == 60) {
    fprintf(stream, "%lu per minute", n);
  } else if (w % 3600 == 0) {
    fprintf(stream, "%lu per %lu hours", n, w / 3600);
  } else if (w % 60 != 0) {
    fprintf(stream, "%lu per %lu seconds", n, w);
  } else {
    fprintf(stream, "%lu per %lu minutes", n, w / 60);
  }
  fputc('\n', stream);
}

void present_text_info(writer& wr) {
  const int len = static_cast<int>(wr.ps_buf.size());
  debug_line(3, "[%d] '%-*.*s'\n", len, len, len, wr.ps_buf.data());
  json_error_t error;
  json_ref response(json_loadb(wr.ps_buf.data(), wr.ps_buf.size(), 0, &error));
  if (!response) {
    warning("json_loadb: %d:%d: %s %s", error.line, error.column, safe_text(error.text).c_str(),
            error.source);
    wr.state->exit_status = 1;  // the account state could not be shown
    return;
  }
  if (debugging(4)) {
    c_text dump(json_dumps(response.get(), JSON_INDENT(2)));
    log_line("%s", dump ? dump.get() : "");
  }
  const json_t* rate = json_object_get(response.get(), "rate");
  if (rate == nullptr) {
    puts("Missing \"rate\" object");
    return;
  }
  rate_tuple tuples[std::size(rate_keys)];
  for (size_t i = 0; i < std::size(rate_keys); ++i) {
    if (const char* err = rate_tuple_make(rate, rate_keys[i], &tuples[i])) {
      puts(err);
      return;
    }
  }
  puts("rate:");
  for (int i = 0; i < burst_size_index; ++i)
    if (tuples[i].rk != rk_none)
      print_rate_line(wr.opts->iso_time, rate_keys[i], tuples[i], stdout);
  if (tuples[burst_size_index].rk != rk_none && tuples[burst_window_index].rk != rk_none)
    print_burstrate(tuples[burst_size_index], tuples[burst_window_index], stdout);
}

void present_info(writer& wr) {
  if (wr.opts->presentation == format_json) {
    if (!pprint_json(wr.ps_buf.data(), wr.ps_buf.size(), stdout)) wr.state->exit_status = 1;
  } else {
    present_text_info(wr);
  }
}

// One request for the path "rate_limit"; the whole response is collected by
// a meta writer and presented when the writer is finished.
void trove_info(const run_options& opts, run_state& state) {
  debug_line(1, "trove_info()\n");
  writer& wr = writer_init(opts, state, -1, present_info, true);
  auto fresh = std::make_unique<query>();
  fresh->descr = "rate_limit";
  fresh->qp = qparam{};
  query& q = writer_add_query(wr, std::move(fresh));
  std::string error;
  std::optional<std::string> url = state.psys->url(*state.psys, opts, state.settings, "rate_limit",
                                                   qparam_defaults, time_fence{}, true, &error);
  if (!url) throw fatal_error{error};
  fetch_init(opts, state, q, std::move(*url));
  io_engine(opts, state, 0);
  writer_fini(wr);
}

}  // namespace trawl
