#include <cstring>

#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/present.h"
#include "trawl/settings.h"
#include "trawl/sort.h"
#include "trawl/tuple.h"
#include "trawl/verb.h"

namespace trawl {

namespace {

struct cond_rule {
  const char* text;
  saf_cond code;
  bool ends_line;  // the line's obj, if any, is not shown
};

constexpr cond_rule cond_rules[] = {
    {"begin", cond_begin, true},         {"ongoing", cond_ongoing, false},
    {"succeeded", cond_succeeded, true}, {"limited", cond_limited, true},
    {"failed", cond_failed, true},
};

// The framing step; false when the line carries no record to pass on.
bool pdns_blob(fetch& f, const pdns_tuple& tup) {
  if (tup.msg != nullptr) {
    if (debug_level >= 5) debug_line(true, "data_blob tup.msg = %s\n", tup.msg);
    f.saf_msg = tup.msg;
  }
  if (tup.cond != nullptr) {
    if (debug_level >= 5) debug_line(true, "pdns_blob tup.cond = %s\n", tup.cond);
    const cond_rule* found = nullptr;
    for (const cond_rule& rule : cond_rules) {
      if (strcmp(tup.cond, rule.text) == 0) found = &rule;
    }
    if (found != nullptr) {
      f.saf_cond = found->code;
      if (found->ends_line) return false;
    } else {
      f.saf_cond = cond_missing;
      log_line("Unknown value for \"cond\": %s", tup.cond);
    }
  }
  if (tup.node.obj == nullptr) {
    if (debug_level >= 4) debug_line(true, "COF object is empty, i.e. a keepalive\n");
    return false;
  }
  return true;
}

int pass_on(fetch& f, const pdns_tuple& tup, std::string_view line) {
  if (psys != nullptr && psys->encap == encap_saf && !pdns_blob(f, tup)) return 0;
  if (sorting != sort_none) return sort_line_write(f, tup, line);
  presenter_selected->function(tup, f.qry, *f.qry->wr);
  return 1;
}

}  // namespace

int data_blob(fetch& f, std::string_view line) {
  pdns_tuple tup;
  const char* message = nullptr;
  switch (tuple_make(tup, line, &message)) {
    case tuple_outcome::rejected:
      log_line("%s", message);
      return 0;
    case tuple_outcome::reported:
      return 0;
    case tuple_outcome::ok:
      break;
  }
  const int result = pass_on(f, tup, line);
  tuple_unmake(tup);
  return result;
}

}  // namespace trawl
