#include <cstdio>

#include "rdata_values.h"
#include "trawl/dedup_set.h"
#include "trawl/netio.h"
#include "trawl/present.h"
#include "trawl/settings.h"

namespace trawl {

namespace {

void print_once(const char* value) {
  if (value == nullptr) return;
  if (minimal_set && dedup_set_add(*minimal_set, value) != 0) return;
  printf("%s\n", value);
}

bool searches_by_rdata(int mode) {
  return mode == mode_rdata_name || mode == mode_rdata_ip || mode == mode_rdata_raw;
}

}  // namespace

// Saved JSON input comes with a query of no search mode; its records show
// their data, as an owner search would.
void present_minimal_lookup(const pdns_tuple& tup, query* qry, writer&) {
  if (qry != nullptr && searches_by_rdata(qry->mode)) {
    print_once(tup.rrname ? tup.rrname->c_str() : nullptr);
    return;
  }
  for_each_rdata(tup, print_once);
}

}  // namespace trawl
