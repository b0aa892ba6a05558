#include "records/present_minimal.h"

#include <cstdio>

#include "records/tuple.h"
#include "records/unicode_names.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

void print_once(present_context& ctx, std::string_view value) {
  dedup_set* seen = ctx.settings.minimal_set;
  if (seen != nullptr && dedup_set_add(*seen, std::string(value).c_str()) != 0) return;
  std::string& out = ctx.out;
  out.clear();
  append_safe(out, value);
  out += '\n';
  ctx.sink.write(out);
}

bool searches_by_rdata(search_mode mode) {
  return mode == search_mode::rdata_name || mode == search_mode::rdata_ip ||
         mode == search_mode::rdata_raw;
}

}  // namespace

// Saved JSON input comes with a query of no search mode; its records show
// their data, as an owner search would.
void present_minimal_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx) {
  const bool unicode = ctx.settings.transforms.has(transform::unicode);
  std::string shown;
  if (qry != nullptr && searches_by_rdata(qry->mode)) {
    if (tup.view.has.rrname) print_once(ctx, unicode_owner_shown(unicode, tup.rrname(), shown));
    return;
  }
  for_each_rdata(tup, [&](const rdata_entry* value) {
    if (value == nullptr) return;
    print_once(ctx, value->bad ? shown_rdata(*value)
                               : unicode_rdata_shown(unicode, tup.view.rrtype, value->text, shown));
  });
}

}  // namespace trawl
