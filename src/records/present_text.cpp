#include "records/present_text.h"

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

void time_range(std::string& out, bool iso, const char* label, uint64_t first, uint64_t last,
                uint64_t duration) {
  char text[50];
  // An end before the start would make the unsigned difference huge.
  if (last < first || duration_str(duration, text, sizeof text) < 0)
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

void safe(std::string& out, const char* text) {
  if (text != nullptr) append_safe(out, text);
}

// Saved JSON input may lack any of the three, so absent fields print as empty text.
void text_rr_line(std::string& out, as_annotation* asinfo, const char* rrname, const char* rrtype,
                  const char* rdata) {
  asinfo_result as;
  if (rrtype != nullptr && rdata != nullptr) as = asinfo_from_rr(asinfo, rrtype, rdata);
  safe(out, rrname);
  out += "  ";
  safe(out, rrtype);
  out += "  ";
  safe(out, rdata);
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
  std::string& out = ctx.out;
  out.clear();
  if (tup.node.time_first != nullptr && tup.node.time_last != nullptr) {
    time_range(out, iso, ";; record times", tup.time_first, tup.time_last,
               tup.time_last - tup.time_first + 1);
  }
  if (tup.node.zone_time_first != nullptr && tup.node.zone_time_last != nullptr) {
    time_range(out, iso, ";;   zone times", tup.zone_time_first, tup.zone_time_last,
               tup.zone_time_last - tup.zone_time_first);
  }
  if (tup.node.count != nullptr) {
    count_line(out, ";;", tup.count);
    if (tup.node.bailiwick != nullptr) {
      out += "; bailiwick: ";
      safe(out, tup.bailiwick);
    }
    out += '\n';
  } else if (tup.node.bailiwick != nullptr) {
    out += ";; bailiwick: ";
    safe(out, tup.bailiwick);
    out += '\n';
  }

  const bool unicode = ctx.settings.transforms.has(transform::unicode);
  std::string owner;
  std::string data;
  const char* rrname = shown_owner(unicode, tup.rrname, owner);
  for_each_rdata(tup, [&](rdata_value value) {
    const char* rdata =
        value.bad ? bad_value_text : shown_rdata(unicode, tup.rrtype, value.text, data);
    text_rr_line(out, ctx.settings.asinfo, rrname, tup.rrtype, rdata);
  });
  // An empty rdata array with nothing else leaves no trace at all.
  if (!out.empty()) out += '\n';
  ctx.sink.write(out);
}

void present_text_summarize(const pdns_tuple& tup, const query_detail*, present_context& ctx) {
  const bool iso = ctx.settings.iso_time;
  std::string& out = ctx.out;
  out.clear();
  if (tup.node.time_first != nullptr && tup.node.time_last != nullptr) {
    time_pair(out, iso, ";; record times", tup.time_first, tup.time_last);
    out += '\n';
  }
  if (tup.node.zone_time_first != nullptr && tup.node.zone_time_last != nullptr) {
    time_pair(out, iso, ";;   zone times", tup.zone_time_first, tup.zone_time_last);
    out += "\n\n";
  }
  const char* prefix = ";;";
  if (tup.node.count != nullptr) {
    count_line(out, prefix, tup.count);
    prefix = ";";
  }
  if (tup.node.num_results != nullptr) {
    out += prefix;
    out += " num_results: ";
    out += std::to_string(tup.num_results);
  }
  out += '\n';
  ctx.sink.write(out);
}

}  // namespace trawl
