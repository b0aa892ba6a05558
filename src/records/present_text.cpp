#include "records/present_text.h"

#include <cstdio>

#include "core/state.h"
#include "records/annotation.h"
#include "records/tuple.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// time_str has one static buffer, so each time goes out before the next is made.
void print_time_pair(bool iso, const char* label, uint64_t first, uint64_t last) {
  printf("%s: %s", label, time_str(first, iso));
  printf(" .. %s", time_str(last, iso));
}

void print_time_range(bool iso, const char* label, uint64_t first, uint64_t last,
                      uint64_t duration) {
  char text[50];
  if (duration_str(duration, text, sizeof text) < 0) snprintf(text, sizeof text, "?");
  print_time_pair(iso, label, first, last);
  printf(" (%s)\n", text);
}

// "64496 64497" becomes "AS64496 AS64497".
void print_as_list(const std::string& as_text) {
  char previous = ' ';
  for (char c : as_text) {
    if (previous == ' ') fputs("AS", stdout);
    putchar(c);
    previous = c;
  }
}

// Saved JSON input may lack any of the three, so absent fields print as empty text.
void text_rr_line(const run_options& opts, run_state& state, const char* rrname, const char* rrtype,
                  const char* rdata) {
  asinfo_result as;
  if (rrtype != nullptr && rdata != nullptr) as = asinfo_from_rr(opts, state, rrtype, rdata);
  printf("%s  %s  %s", rrname != nullptr ? rrname : "", rrtype != nullptr ? rrtype : "",
         rdata != nullptr ? rdata : "");
  if (as.comment) {
    printf("  ; %s", as.comment->c_str());
  } else if (as.as_text && as.cidr) {
    fputs("  ; ", stdout);
    print_as_list(*as.as_text);
    printf(" %s", as.cidr->c_str());
  }
  putchar('\n');
}

}  // namespace

void present_text_lookup(const run_options& opts, run_state& state, const pdns_tuple& tup,
                         const query*, writer&) {
  const bool iso = opts.iso_time;
  bool wrote = false;
  if (tup.node.time_first != nullptr && tup.node.time_last != nullptr) {
    print_time_range(iso, ";; record times", tup.time_first, tup.time_last,
                     tup.time_last - tup.time_first + 1);
    wrote = true;
  }
  if (tup.node.zone_time_first != nullptr && tup.node.zone_time_last != nullptr) {
    print_time_range(iso, ";;   zone times", tup.zone_time_first, tup.zone_time_last,
                     tup.zone_time_last - tup.zone_time_first);
    wrote = true;
  }
  if (tup.node.count != nullptr) {
    printf("%s count: %lld", ";;", static_cast<long long>(tup.count));
    if (tup.node.bailiwick != nullptr) printf("%s bailiwick: %s", ";", tup.bailiwick);
    putchar('\n');
    wrote = true;
  } else if (tup.node.bailiwick != nullptr) {
    printf("%s bailiwick: %s\n", ";;", tup.bailiwick);
    wrote = true;
  }

  const char* rrname = tup.rrname ? tup.rrname->c_str() : nullptr;
  for_each_rdata(tup, [&](rdata_value value) {
    text_rr_line(opts, state, rrname, tup.rrtype, value.bad ? bad_value_text : value.text);
    wrote = true;
  });
  // An empty rdata array with nothing else leaves no trace at all.
  if (wrote) putchar('\n');
}

void present_text_summarize(const run_options& opts, run_state&, const pdns_tuple& tup,
                            const query*, writer&) {
  const bool iso = opts.iso_time;
  if (tup.node.time_first != nullptr && tup.node.time_last != nullptr) {
    print_time_pair(iso, ";; record times", tup.time_first, tup.time_last);
    putchar('\n');
  }
  if (tup.node.zone_time_first != nullptr && tup.node.zone_time_last != nullptr) {
    print_time_pair(iso, ";;   zone times", tup.zone_time_first, tup.zone_time_last);
    fputs("\n\n", stdout);
  }
  const char* prefix = ";;";
  if (tup.node.count != nullptr) {
    printf("%s count: %lld", prefix, static_cast<long long>(tup.count));
    prefix = ";";
  }
  if (tup.node.num_results != nullptr)
    printf("%s num_results: %lld", prefix, static_cast<long long>(tup.num_results));
  putchar('\n');
}

}  // namespace trawl
