#include <cstdio>
#include <cstdlib>

#include "trawl/asinfo.h"
#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/present.h"
#include "trawl/settings.h"
#include "trawl/time_values.h"
#include "trawl/tokenizer.h"
#include "trawl/tuple.h"

namespace trawl {

namespace {

json_ref time_json(uint64_t t) {
  return json_ref(json_string(time_str(t, iso_time)));
}

// Takes over value, as the _new setters of the library do.
void put(json_t* object, const char* key, json_ref value) {
  json_object_set_new(object, key, value.release());
}

void add_annotation(json_ref& anno, const char* rrtype, const char* rdata) {
  json_ref asinfo = annotation_json(rrtype, rdata);
  if (!asinfo) return;
  if (!anno) anno.reset(json_object());
  json_ref entry(json_object());
  put(entry.get(), "asinfo", std::move(asinfo));
  put(anno.get(), rdata, std::move(entry));
}

json_ref collect_annotations(const pdns_tuple& tup) {
  json_ref anno;
  if (!asinfo_lookup || tup.rrtype == nullptr) return anno;
  if (json_is_array(tup.node.rdata)) {
    size_t index;
    json_t* element;
    json_array_foreach(tup.node.rdata, index, element) {
      if (json_is_string(element)) add_annotation(anno, tup.rrtype, json_string_value(element));
    }
  } else if (tup.rdata != nullptr) {
    add_annotation(anno, tup.rrtype, tup.rdata);
  }
  return anno;
}

json_ref query_detail(const query& qry, json_ref anno) {
  json_ref detail(json_object());
  json_t* d = detail.get();
  if (qry.descr) put(d, "descr", json_ref(json_string(qry.descr->c_str())));
  if (qry.qp.after != 0) put(d, "after", time_json(qry.qp.after));
  if (qry.qp.before != 0) put(d, "before", time_json(qry.qp.before));
  if (qry.qp.query_limit != -1) put(d, "limit", json_ref(json_integer(qry.qp.query_limit)));
  if (qry.qp.offset != 0) put(d, "offset", json_ref(json_integer(qry.qp.offset)));
  put(d, "gravel", json_ref(json_boolean(qry.qp.gravel)));
  put(d, "complete", json_ref(json_boolean(qry.qp.complete)));
  if (anno) put(d, "anno", std::move(anno));
  return detail;
}

void print_compact(const json_t* value) {
  json_dumpf(value, stdout, JSON_COMPACT);
  putchar('\n');
}

void present_json(const pdns_tuple& tup, query* qry, bool annotate) {
  // A framed line without obj never reaches a presenter.
  if (tup.record_json == nullptr) return;
  const bool datefix = (transforms & transform_datefix) != 0;
  const bool rename = (transforms & (transform_reverse | transform_chomp)) != 0;
  const bool qdetail = (transforms & transform_qdetail) != 0;

  json_ref zone_first, zone_last, first, last;
  if (datefix && tup.node.zone_time_first != nullptr && tup.node.zone_time_last != nullptr) {
    zone_first = time_json(tup.zone_time_first);
    zone_last = time_json(tup.zone_time_last);
  }
  if (datefix && tup.node.time_first != nullptr && tup.node.time_last != nullptr) {
    first = time_json(tup.time_first);
    last = time_json(tup.time_last);
  }
  json_ref anno;
  if (annotate) anno = collect_annotations(tup);

  if (!zone_first && !first && !rename && !qdetail && !anno) {
    print_compact(tup.record_json);
    return;
  }

  // Setting a key the record already has keeps its place, so the copy's key
  // order stays that of the record as received.
  json_ref copy(json_deep_copy(tup.record_json));
  json_t* c = copy.get();
  if (zone_first) {
    put(c, "zone_time_first", std::move(zone_first));
    put(c, "zone_time_last", std::move(zone_last));
  }
  if (first) {
    put(c, "time_first", std::move(first));
    put(c, "time_last", std::move(last));
  }
  if (rename && tup.rrname) put(c, "rrname", json_ref(json_string(tup.rrname->c_str())));
  json_ref detail;
  if (qdetail && qry != nullptr) {
    detail = query_detail(*qry, std::move(anno));
  } else if (anno) {
    detail.reset(json_object());
    put(detail.get(), "anno", std::move(anno));
  }
  if (detail) put(c, "_trawl", std::move(detail));
  print_compact(c);
}

}  // namespace

json_ref annotation_json(const char* rrtype, const char* rdata) {
  asinfo_result as = asinfo_from_rr(rrtype, rdata);
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

void present_json_lookup(const pdns_tuple& tup, query* qry, writer&) {
  present_json(tup, qry, true);
}

void present_json_summarize(const pdns_tuple& tup, query* qry, writer&) {
  present_json(tup, qry, false);
}

bool pprint_json(const char* text, size_t length, FILE* stream) {
  json_error_t error;
  json_ref value(json_loadb(text, length, 0, &error));
  if (!value) {
    log_line("JSON parsing error %d:%d: %s %s", error.line, error.column, error.text, error.source);
    return false;
  }
  json_dumpf(value.get(), stream, JSON_INDENT(2));
  fputc('\n', stream);
  return true;
}

}  // namespace trawl
