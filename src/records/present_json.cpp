#include "records/present_json.h"

#include <cstdlib>
#include <new>

#include "core/diag.h"
#include "records/annotation.h"
#include "records/tuple.h"
#include "support/safe_text.h"
#include "support/time_values.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

json_ref time_json(bool iso, uint64_t t) {
  return json_ref(json_string(time_str(t, iso)));
}

// Takes over value, as the _new setters of the library do.
void put(json_t* object, const char* key, json_ref value) {
  json_object_set_new(object, key, value.release());
}

json_ref collect_annotations(as_annotation* as, const pdns_tuple& tup) {
  json_ref anno;
  if (as == nullptr || !tup.view.has.rrtype) return anno;
  const std::string rrtype(tup.view.rrtype);
  for_each_rdata(tup, [&](const rdata_entry* value) {
    if (value == nullptr || value->bad) return;
    const std::string text(value->text);
    json_ref asinfo = annotation_json(as, rrtype.c_str(), text.c_str());
    if (!asinfo) return;
    if (!anno) anno.reset(json_object());
    json_ref entry(json_object());
    put(entry.get(), "asinfo", std::move(asinfo));
    put(anno.get(), text.c_str(), std::move(entry));
  });
  return anno;
}

json_ref detail_json(bool iso, const query_detail& qry, json_ref anno) {
  json_ref detail(json_object());
  json_t* d = detail.get();
  if (qry.descr) put(d, "descr", json_ref(json_string(qry.descr->c_str())));
  // A crawl's queries say how far from the seeds they are, and which answer
  // led to them.
  if (qry.depth >= 0) put(d, "depth", json_ref(json_integer(qry.depth)));
  if (qry.via) put(d, "via", json_ref(json_string(qry.via->c_str())));
  if (qry.qp.after != 0) put(d, "after", time_json(iso, qry.qp.after));
  if (qry.qp.before != 0) put(d, "before", time_json(iso, qry.qp.before));
  if (qry.qp.query_limit != -1) put(d, "limit", json_ref(json_integer(qry.qp.query_limit)));
  if (qry.qp.offset != 0) put(d, "offset", json_ref(json_integer(qry.qp.offset)));
  put(d, "gravel", json_ref(json_boolean(qry.qp.gravel)));
  put(d, "complete", json_ref(json_boolean(qry.qp.complete)));
  if (anno) put(d, "anno", std::move(anno));
  return detail;
}

// One line of JSON output: the invisible characters a server may send (C1
// controls, bidirectional controls, zero-width characters) go out as \u
// escapes, which a JSON reader takes for the same text.
void write_json_line(output_sink& sink, std::string_view line) {
  if (!json_needs_visible(line)) {
    sink.write(line);
    return;
  }
  std::string visible;
  append_json_visible(visible, line);
  sink.write(visible);
}

// Encoded into the run's reused buffer and written with one call: the
// library's stream encoder writes every token on its own.
void print_compact(present_context& ctx, const json_t* value) {
  std::string& out = ctx.out;
  if (out.size() < 4096) out.resize(4096);
  size_t need = json_dumpb(value, out.data(), out.size() - 1, JSON_COMPACT);
  if (need == 0) return;  // nothing the library could encode
  if (need > out.size() - 1) {
    out.resize(need + 1);
    need = json_dumpb(value, out.data(), need, JSON_COMPACT);
  }
  out[need] = '\n';
  write_json_line(ctx.sink, std::string_view(out.data(), need + 1));
}

// The record the presenter may change: the reference decoder's tree copied,
// or the fast decoder's text parsed into a tree of its own.
json_ref record_copy(const pdns_tuple& tup) {
  if (tup.record_json != nullptr) return json_ref(json_deep_copy(tup.record_json));
  const std::string_view text = tup.view.record_text;
  json_error_t error;
  json_ref copy(json_loadb(text.data(), text.size(), 0, &error));
  // The fast decoder writes only text the library reads back; out of memory
  // is what is left.
  if (!copy) throw fatal_error{std::string("json_loadb: ") + error.text};
  return copy;
}

void present_json(const pdns_tuple& tup, const query_detail* qry, present_context& ctx,
                  bool annotate) {
  // A framed line without obj never reaches a presenter.
  const record_view& r = tup.view;
  if (!r.has_record) return;
  const presentation& settings = ctx.settings;
  const bool iso = settings.iso_time;
  const bool datefix = settings.transforms.has(transform::datefix);
  const bool rename =
      settings.transforms.has(transform::reverse) || settings.transforms.has(transform::chomp);
  const bool qdetail = settings.transforms.has(transform::qdetail);

  json_ref zone_first, zone_last, first, last;
  if (datefix && r.has.zone_time_first && r.has.zone_time_last) {
    zone_first = time_json(iso, r.zone_time_first);
    zone_last = time_json(iso, r.zone_time_last);
  }
  if (datefix && r.has.time_first && r.has.time_last) {
    first = time_json(iso, r.time_first);
    last = time_json(iso, r.time_last);
  }
  json_ref anno;
  if (annotate) anno = collect_annotations(settings.asinfo, tup);

  if (!zone_first && !first && !rename && !qdetail && !anno) {
    if (tup.record_json != nullptr) {
      print_compact(ctx, tup.record_json);
    } else {
      std::string& out = ctx.out;
      out.assign(r.record_text);
      out += '\n';
      write_json_line(ctx.sink, out);
    }
    return;
  }

  // Setting a key the record already has keeps its place, so the copy's key
  // order stays that of the record as received.
  json_ref copy = record_copy(tup);
  json_t* c = copy.get();
  if (zone_first) {
    put(c, "zone_time_first", std::move(zone_first));
    put(c, "zone_time_last", std::move(zone_last));
  }
  if (first) {
    put(c, "time_first", std::move(first));
    put(c, "time_last", std::move(last));
  }
  if (rename && r.has.rrname) {
    const std::string_view rrname = tup.rrname();
    put(c, "rrname", json_ref(json_stringn(rrname.data(), rrname.size())));
  }
  json_ref detail;
  if (qdetail && qry != nullptr) {
    detail = detail_json(iso, *qry, std::move(anno));
  } else if (anno) {
    detail.reset(json_object());
    put(detail.get(), "anno", std::move(anno));
  }
  if (detail) put(c, "_trawl", std::move(detail));
  print_compact(ctx, c);
}

}  // namespace

json_ref annotation_json(as_annotation* asinfo, const char* rrtype, const char* rdata) {
  asinfo_result as = asinfo_from_rr(asinfo, rrtype, rdata);
  if (as.comment) {
    json_ref value(json_object());
    put(value.get(), "comment", json_ref(json_string(as.comment->c_str())));
    return value;
  }
  if (!as.as_text || !as.cidr) return json_ref();
  json_ref numbers(json_array());
  for (const std::string& word : tokenizer_split(as.as_text->c_str(), " "))
    json_array_append_new(numbers.get(), json_integer(strtoll(word.c_str(), nullptr, 10)));
  json_ref value(json_object());
  put(value.get(), "as", std::move(numbers));
  put(value.get(), "cidr", json_ref(json_string(as.cidr->c_str())));
  return value;
}

void present_json_lookup(const pdns_tuple& tup, const query_detail* qry, present_context& ctx) {
  present_json(tup, qry, ctx, true);
}

void present_json_summarize(const pdns_tuple& tup, const query_detail* qry, present_context& ctx) {
  present_json(tup, qry, ctx, false);
}

bool pprint_json(std::string_view text, output_sink& sink) {
  json_error_t error;
  json_ref value(json_loadb(text.data(), text.size(), 0, &error));
  if (!value) {
    log_line("JSON parsing error %d:%d: %s %s", error.line, error.column,
             safe_text(error.text).c_str(), error.source);
    return false;
  }
  c_text indented(json_dumps(value.get(), JSON_INDENT(2)));
  if (!indented) throw std::bad_alloc();
  std::string shown(indented.get());
  shown += '\n';
  write_json_line(sink, shown);
  return true;
}

}  // namespace trawl
