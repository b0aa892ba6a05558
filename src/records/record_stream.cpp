#include "records/record_stream.h"

#include <cstring>

#include "core/diag.h"
#include "core/transfer.h"
#include "records/tuple.h"
#include "support/safe_text.h"

namespace trawl {

namespace {

struct cond_rule {
  const char* text;
  saf_cond code;
  bool ends_line;  // the line's obj, if any, is not shown
};

constexpr cond_rule cond_rules[] = {
    {"begin", saf_cond::begin, true},         {"ongoing", saf_cond::ongoing, false},
    {"succeeded", saf_cond::succeeded, true}, {"limited", saf_cond::limited, true},
    {"failed", saf_cond::failed, true},
};

}  // namespace

bool pdns_blob(fetch& f, const pdns_tuple& tup) {
  const record_view& r = tup.view;
  if (r.has.msg) {
    debug_line(5, "data_blob tup.msg = %.*s\n", static_cast<int>(r.msg.size()), r.msg.data());
    f.saf_msg = safe_text(r.msg);  // it is quoted in messages and footers
  }
  if (r.has.cond) {
    debug_line(5, "pdns_blob tup.cond = %.*s\n", static_cast<int>(r.cond.size()), r.cond.data());
    const cond_rule* found = nullptr;
    for (const cond_rule& rule : cond_rules) {
      if (r.cond == rule.text) found = &rule;
    }
    if (found != nullptr) {
      f.cond = found->code;
      if (found->ends_line) return false;
    } else {
      f.cond = saf_cond::missing;
      log_line("Unknown value for \"cond\": %s", safe_text(r.cond).c_str());
    }
  }
  if (!r.has.obj) {
    debug_line(4, "COF object is empty, i.e. a keepalive\n");
    return false;
  }
  return true;
}

bool window_keeps(const qparam& qp, const pdns_tuple& tup) {
  const record_view& r = tup.view;
  const bool has_first = r.has.time_first;
  const bool has_last = r.has.time_last;
  if (qp.complete) {
    if (qp.after != 0 && has_first && r.time_first < qp.after) return false;
    if (qp.before != 0 && has_last && r.time_last > qp.before) return false;
  } else {
    if (qp.after != 0 && has_last && r.time_last < qp.after) return false;
    if (qp.before != 0 && has_first && r.time_first > qp.before) return false;
  }
  return true;
}

bool ends_stream(saf_cond cond) {
  return cond == saf_cond::succeeded || cond == saf_cond::limited || cond == saf_cond::failed ||
         cond == saf_cond::truncated;
}

}  // namespace trawl
