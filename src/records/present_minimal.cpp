#include "records/present_minimal.h"

#include <cstdio>

#include "core/diag.h"
#include "core/state.h"
#include "records/tuple.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

void print_once(run_state& state, const char* value) {
  if (value == nullptr) return;
  if (state.minimal_set && dedup_set_add(*state.minimal_set, value) != 0) return;
  std::string& out = state.out;
  out.clear();
  append_safe(out, value);
  out += '\n';
  write_out(out);
}

bool searches_by_rdata(search_mode mode) {
  return mode == mode_rdata_name || mode == mode_rdata_ip || mode == mode_rdata_raw;
}

}  // namespace

// Saved JSON input comes with a query of no search mode; its records show
// their data, as an owner search would.
void present_minimal_lookup(const run_options&, run_state& state, const pdns_tuple& tup,
                            const query* qry, writer&) {
  if (qry != nullptr && searches_by_rdata(qry->mode)) {
    print_once(state, tup.rrname);
    return;
  }
  for_each_rdata(
      tup, [&](rdata_value value) { print_once(state, value.bad ? bad_value_text : value.text); });
}

}  // namespace trawl
