#include "records/present_csv.h"

#include <cstdio>

#include "records/annotation.h"
#include "records/tuple.h"
#include "records/unicode_names.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// Record data such as TXT strings holds double quotes; doubling them keeps the
// field whole for any CSV reader. Control characters are escaped, so that
// no field can break a line.
void quoted(std::string& out, std::string_view text) {
  out += '"';
  const size_t from = out.size();
  append_safe(out, text);
  for (size_t i = from; i < out.size(); ++i) {
    if (out[i] == '"') out.insert(i++, 1, '"');
  }
  out += '"';
}

void time_field(std::string& out, bool iso, bool has, uint64_t t) {
  if (has) quoted(out, time_str(t, iso));
}

void times(std::string& out, bool iso, const record_view& r) {
  time_field(out, iso, r.has.time_first, r.time_first);
  out += ',';
  time_field(out, iso, r.has.time_last, r.time_last);
  out += ',';
  time_field(out, iso, r.has.zone_time_first, r.zone_time_first);
  out += ',';
  time_field(out, iso, r.has.zone_time_last, r.zone_time_last);
}

void integer_field(std::string& out, bool has, int64_t value) {
  if (has) out += std::to_string(value);
}

void text_field(std::string& out, bool has, std::string_view text) {
  if (has) quoted(out, text);
}

// The AS columns stay bare when empty, unlike the record's own fields.
void as_field(std::string& out, const std::string& text) {
  if (!text.empty()) quoted(out, text);
}

void csv_rr_line(std::string& out, const presentation& settings, const pdns_tuple& tup,
                 const rdata_entry* rdata) {
  const record_view& r = tup.view;
  const bool unicode = settings.transforms.has(transform::unicode);
  std::string owner, data;
  times(out, settings.iso_time, r);
  out += ',';
  integer_field(out, r.has.count, r.count);
  out += ',';
  text_field(out, r.has.bailiwick, r.bailiwick);
  out += ',';
  text_field(out, r.has.rrname, unicode_owner_shown(unicode, tup.rrname(), owner));
  out += ',';
  text_field(out, r.has.rrtype, r.rrtype);
  out += ',';
  if (rdata != nullptr)
    quoted(out, rdata->bad ? shown_rdata(*rdata)
                           : unicode_rdata_shown(unicode, r.rrtype, rdata->text, data));
  if (settings.asinfo != nullptr && r.has.rrtype && rdata != nullptr) {
    asinfo_result as = asinfo_from_rr(settings.asinfo, std::string(r.rrtype).c_str(),
                                      std::string(shown_rdata(*rdata)).c_str());
    out += ',';
    if (as.comment) {
      as_field(out, *as.comment);
      out += ',';
      as_field(out, *as.comment);
    } else if (as.as_text && as.cidr) {
      as_field(out, *as.as_text);
      out += ',';
      as_field(out, *as.cidr);
    } else {
      out += ',';
    }
  }
  out += '\n';
}

}  // namespace

void present_csv_lookup(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  std::string& out = ctx.out;
  out.clear();
  if (!ctx.csv_header_done) {
    out += "time_first,time_last,zone_first,zone_last,count,bailiwick,rrname,rrtype,rdata";
    if (ctx.settings.asinfo != nullptr) out += ",asnum,cidr";
    out += '\n';
    ctx.csv_header_done = true;
  }
  for_each_rdata(tup,
                 [&](const rdata_entry* value) { csv_rr_line(out, ctx.settings, tup, value); });
  ctx.sink.write(out);
}

void present_csv_summarize(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  std::string& out = ctx.out;
  out.assign("time_first,time_last,zone_first,zone_last,count,num_results\n");
  const record_view& r = tup.view;
  times(out, ctx.settings.iso_time, r);
  out += ',';
  integer_field(out, r.has.count, r.count);
  out += ',';
  integer_field(out, r.has.num_results, r.num_results);
  out += '\n';
  ctx.sink.write(out);
}

}  // namespace trawl
