#include "records/present_csv.h"

#include <cstdio>

#include "core/state.h"
#include "records/annotation.h"
#include "records/tuple.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// Record data such as TXT strings holds double quotes; doubling them keeps the
// field whole for any CSV reader.
void print_quoted(const char* text) {
  putchar('"');
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '"') putchar('"');
    putchar(*p);
  }
  putchar('"');
}

void print_time_field(bool iso, const json_t* node, uint64_t t) {
  if (node != nullptr) print_quoted(time_str(t, iso));
}

void print_times(bool iso, const pdns_tuple& tup) {
  print_time_field(iso, tup.node.time_first, tup.time_first);
  putchar(',');
  print_time_field(iso, tup.node.time_last, tup.time_last);
  putchar(',');
  print_time_field(iso, tup.node.zone_time_first, tup.zone_time_first);
  putchar(',');
  print_time_field(iso, tup.node.zone_time_last, tup.zone_time_last);
}

void print_integer_field(const json_t* node, int64_t value) {
  if (node != nullptr) printf("%lld", static_cast<long long>(value));
}

void print_text_field(const char* text) {
  if (text != nullptr) print_quoted(text);
}

// The AS columns stay bare when empty, unlike the record's own fields.
void print_as_field(const std::string& text) {
  if (!text.empty()) print_quoted(text.c_str());
}

void csv_rr_line(const run_options& opts, run_state& state, const pdns_tuple& tup,
                 const char* rdata) {
  print_times(opts.iso_time, tup);
  putchar(',');
  print_integer_field(tup.node.count, tup.count);
  putchar(',');
  print_text_field(tup.bailiwick);
  putchar(',');
  print_text_field(tup.rrname ? tup.rrname->c_str() : nullptr);
  putchar(',');
  print_text_field(tup.rrtype);
  putchar(',');
  print_text_field(rdata);
  if (opts.asinfo_lookup && tup.rrtype != nullptr && rdata != nullptr) {
    asinfo_result as = asinfo_from_rr(opts, state, tup.rrtype, rdata);
    putchar(',');
    if (as.comment) {
      print_as_field(*as.comment);
      putchar(',');
      print_as_field(*as.comment);
    } else if (as.as_text && as.cidr) {
      print_as_field(*as.as_text);
      putchar(',');
      print_as_field(*as.cidr);
    } else {
      putchar(',');
    }
  }
  putchar('\n');
}

}  // namespace

void present_csv_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                        const query*, writer& wr) {
  if (!wr.csv_header_done) {
    fputs("time_first,time_last,zone_first,zone_last,count,bailiwick,rrname,rrtype,rdata", stdout);
    if (opts.asinfo_lookup) fputs(",asnum,cidr", stdout);
    putchar('\n');
    wr.csv_header_done = true;
  }
  for_each_rdata(tup, [&](rdata_value value) {
    csv_rr_line(opts, state, tup, value.bad ? bad_value_text : value.text);
  });
}

void present_csv_summarize(const run_options& opts, run_state&, const pdns_tuple& tup, const query*,
                           writer&) {
  fputs("time_first,time_last,zone_first,zone_last,count,num_results\n", stdout);
  print_times(opts.iso_time, tup);
  putchar(',');
  print_integer_field(tup.node.count, tup.count);
  putchar(',');
  print_integer_field(tup.node.num_results, tup.num_results);
  putchar('\n');
}

}  // namespace trawl
