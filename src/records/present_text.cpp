#include "records/present_text.h"

#include <cstdint>
#include <cstdio>

#include "records/annotation.h"
#include "records/tuple.h"
#include "records/unicode_names.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// time_str has one static buffer, so each time goes out before the next is made.
void time_pair(std::string& out, bool iso, const char* label, uint64_t first, uint64_t last) {
  out += label;
  out += ": ";
  out += time_str(first, iso);
  out += " .. ";
  out += time_str(last, iso);
}

// The times print as signed values (a server may send -1), so they are
// compared and subtracted so; a span that ends before it begins, or one past
// what 64 bits count, has no duration to show. `extra` is 1 for record times,
// whose span includes its last second.
void time_range(std::string& out, bool iso, const char* label, uint64_t first, uint64_t last,
                int extra) {
  char text[50];
  const __int128 span =
      static_cast<__int128>(static_cast<int64_t>(last)) - static_cast<int64_t>(first) + extra;
  if (span < extra || span > static_cast<__int128>(UINT64_MAX) ||
      duration_str(static_cast<uint64_t>(span), text, sizeof text) < 0)
    snprintf(text, sizeof text, "?");
  time_pair(out, iso, label, first, last);
  out += " (";
  out += text;
  out += ")\n";
}

// "64496 64497" becomes "AS64496 AS64497".
void as_list(std::string& out, const std::string& as_text) {
  char previous = ' ';
  for (char c : as_text) {
    if (previous == ' ') out += "AS";
    out += c;
    previous = c;
  }
}

// Saved JSON input may lack any of the three, so absent fields print as empty text.
void text_rr_line(std::string& out, const presentation& settings, const pdns_tuple& tup,
                  const rdata_entry* rdata) {
  as_annotation* asinfo = settings.asinfo;
  const bool unicode = settings.transforms.has(transform::unicode);
  std::string owner, data;
  asinfo_result as;
  if (asinfo != nullptr && tup.view.has.rrtype && rdata != nullptr)
    as = asinfo_from_rr(asinfo, std::string(tup.view.rrtype).c_str(),
                        std::string(shown_rdata(*rdata)).c_str());
  append_safe(out, unicode_owner_shown(unicode, tup.rrname(), owner));
  out += "  ";
  append_safe(out, tup.view.rrtype);
  out += "  ";
  if (rdata != nullptr)
    append_safe(out, rdata->bad ? shown_rdata(*rdata)
                                : unicode_rdata_shown(unicode, tup.view.rrtype, rdata->text, data));
  if (as.comment) {
    out += "  ; ";
    append_safe(out, *as.comment);
  } else if (as.as_text && as.cidr) {
    out += "  ; ";
    as_list(out, safe_text(*as.as_text));
    out += ' ';
    append_safe(out, *as.cidr);
  }
  out += '\n';
}

void count_line(std::string& out, const char* prefix, int64_t count) {
  out += prefix;
  out += " count: ";
  out += std::to_string(count);
}

}  // namespace

void present_text_lookup(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  const bool iso = ctx.settings.iso_time;
  const record_view& r = tup.view;
  std::string& out = ctx.out;
  out.clear();
  if (r.has.time_first && r.has.time_last) {
    time_range(out, iso, ";; record times", r.time_first, r.time_last, 1);
  }
  if (r.has.zone_time_first && r.has.zone_time_last) {
    time_range(out, iso, ";;   zone times", r.zone_time_first, r.zone_time_last, 0);
  }
  if (r.has.count) {
    count_line(out, ";;", r.count);
    if (r.has.bailiwick) {
      out += "; bailiwick: ";
      append_safe(out, r.bailiwick);
    }
    out += '\n';
  } else if (r.has.bailiwick) {
    out += ";; bailiwick: ";
    append_safe(out, r.bailiwick);
    out += '\n';
  }

  for_each_rdata(tup,
                 [&](const rdata_entry* value) { text_rr_line(out, ctx.settings, tup, value); });
  // An empty rdata array with nothing else leaves no trace at all.
  if (!out.empty()) out += '\n';
  ctx.sink.write(out);
}

void present_text_summarize(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  const bool iso = ctx.settings.iso_time;
  const record_view& r = tup.view;
  std::string& out = ctx.out;
  out.clear();
  if (r.has.time_first && r.has.time_last) {
    time_pair(out, iso, ";; record times", r.time_first, r.time_last);
    out += '\n';
  }
  if (r.has.zone_time_first && r.has.zone_time_last) {
    time_pair(out, iso, ";;   zone times", r.zone_time_first, r.zone_time_last);
    out += "\n\n";
  }
  const char* prefix = ";;";
  if (r.has.count) {
    count_line(out, prefix, r.count);
    prefix = ";";
  }
  if (r.has.num_results) {
    out += prefix;
    out += " num_results: ";
    out += std::to_string(r.num_results);
  }
  out += '\n';
  ctx.sink.write(out);
}

}  // namespace trawl
