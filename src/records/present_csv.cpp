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

void time_field(std::string& out, bool iso, const json_t* node, uint64_t t) {
  if (node != nullptr) quoted(out, time_str(t, iso));
}

void times(std::string& out, bool iso, const pdns_tuple& tup) {
  time_field(out, iso, tup.node.time_first, tup.time_first);
  out += ',';
  time_field(out, iso, tup.node.time_last, tup.time_last);
  out += ',';
  time_field(out, iso, tup.node.zone_time_first, tup.zone_time_first);
  out += ',';
  time_field(out, iso, tup.node.zone_time_last, tup.zone_time_last);
}

void integer_field(std::string& out, const json_t* node, int64_t value) {
  if (node != nullptr) out += std::to_string(value);
}

void text_field(std::string& out, const char* text) {
  if (text != nullptr) quoted(out, text);
}

// The AS columns stay bare when empty, unlike the record's own fields.
void as_field(std::string& out, const std::string& text) {
  if (!text.empty()) quoted(out, text);
}

void csv_rr_line(std::string& out, const presentation& settings, const pdns_tuple& tup,
                 const char* rrname, const char* rdata) {
  times(out, settings.iso_time, tup);
  out += ',';
  integer_field(out, tup.node.count, tup.count);
  out += ',';
  text_field(out, tup.bailiwick);
  out += ',';
  text_field(out, rrname);
  out += ',';
  text_field(out, tup.rrtype);
  out += ',';
  text_field(out, rdata);
  if (settings.asinfo != nullptr && tup.rrtype != nullptr && rdata != nullptr) {
    asinfo_result as = asinfo_from_rr(settings.asinfo, tup.rrtype, rdata);
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
  const bool unicode = ctx.settings.transforms.has(transform::unicode);
  std::string owner;
  std::string data;
  const char* rrname = shown_owner(unicode, tup.rrname, owner);
  for_each_rdata(tup, [&](rdata_value value) {
    const char* rdata =
        value.bad ? bad_value_text : shown_rdata(unicode, tup.rrtype, value.text, data);
    csv_rr_line(out, ctx.settings, tup, rrname, rdata);
  });
  ctx.sink.write(out);
}

void present_csv_summarize(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  std::string& out = ctx.out;
  out.assign("time_first,time_last,zone_first,zone_last,count,num_results\n");
  times(out, ctx.settings.iso_time, tup);
  out += ',';
  integer_field(out, tup.node.count, tup.count);
  out += ',';
  integer_field(out, tup.node.num_results, tup.num_results);
  out += '\n';
  ctx.sink.write(out);
}

}  // namespace trawl
