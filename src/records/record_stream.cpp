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
  if (tup.msg != nullptr) {
    debug_line(5, "data_blob tup.msg = %s\n", tup.msg);
    f.saf_msg = safe_text(tup.msg);  // it is quoted in messages and footers
  }
  if (tup.cond != nullptr) {
    debug_line(5, "pdns_blob tup.cond = %s\n", tup.cond);
    const cond_rule* found = nullptr;
    for (const cond_rule& rule : cond_rules) {
      if (strcmp(tup.cond, rule.text) == 0) found = &rule;
    }
    if (found != nullptr) {
      f.cond = found->code;
      if (found->ends_line) return false;
    } else {
      f.cond = saf_cond::missing;
      log_line("Unknown value for \"cond\": %s", safe_text(tup.cond).c_str());
    }
  }
  if (tup.node.obj == nullptr) {
    debug_line(4, "COF object is empty, i.e. a keepalive\n");
    return false;
  }
  return true;
}

bool window_keeps(const qparam& qp, const pdns_tuple& tup) {
  const bool has_first = tup.node.time_first != nullptr;
  const bool has_last = tup.node.time_last != nullptr;
  if (qp.complete) {
    if (qp.after != 0 && has_first && tup.time_first < qp.after) return false;
    if (qp.before != 0 && has_last && tup.time_last > qp.before) return false;
  } else {
    if (qp.after != 0 && has_last && tup.time_last < qp.after) return false;
    if (qp.before != 0 && has_first && tup.time_first > qp.before) return false;
  }
  return true;
}

bool ends_stream(saf_cond cond) {
  return cond == saf_cond::succeeded || cond == saf_cond::limited || cond == saf_cond::failed ||
         cond == saf_cond::truncated;
}

}  // namespace trawl
