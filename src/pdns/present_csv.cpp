#include <cstdio>

#include "rdata_values.h"
#include "trawl/asinfo.h"
#include "trawl/netio.h"
#include "trawl/present.h"
#include "trawl/settings.h"
#include "trawl/time_values.h"

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

void print_time_field(const json_t* node, uint64_t t) {
  if (node != nullptr) print_quoted(time_str(t, iso_time));
}

void print_times(const pdns_tuple& tup) {
  print_time_field(tup.node.time_first, tup.time_first);
  putchar(',');
  print_time_field(tup.node.time_last, tup.time_last);
  putchar(',');
  print_time_field(tup.node.zone_time_first, tup.zone_time_first);
  putchar(',');
  print_time_field(tup.node.zone_time_last, tup.zone_time_last);
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

void csv_rr_line(const pdns_tuple& tup, const char* rdata) {
  print_times(tup);
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
  if (asinfo_lookup && tup.rrtype != nullptr && rdata != nullptr) {
    asinfo_result as = asinfo_from_rr(tup.rrtype, rdata);
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

void present_csv_lookup(const pdns_tuple& tup, query*, writer& wr) {
  if (!wr.csv_header_done) {
    fputs("time_first,time_last,zone_first,zone_last,count,bailiwick,rrname,rrtype,rdata", stdout);
    if (asinfo_lookup) fputs(",asnum,cidr", stdout);
    putchar('\n');
    wr.csv_header_done = true;
  }
  for_each_rdata(tup, [&](const char* rdata) { csv_rr_line(tup, rdata); });
}

void present_csv_summarize(const pdns_tuple& tup, query*, writer&) {
  fputs("time_first,time_last,zone_first,zone_last,count,num_results\n", stdout);
  print_times(tup);
  putchar(',');
  print_integer_field(tup.node.count, tup.count);
  putchar(',');
  print_integer_field(tup.node.num_results, tup.num_results);
  putchar('\n');
}

}  // namespace trawl
