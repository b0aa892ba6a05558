#include "trawl/qparam.h"

#include "trawl/diag.h"
#include "trawl/settings.h"
#include "trawl/time_values.h"

namespace trawl {

const char* qparam_option(int letter, const char* value, qparam& qp) {
  long number = 0;
  switch (letter) {
    case 'A':
      if (!time_parse(value, &qp.after) || qp.after == 0) return "bad -A timestamp";
      break;
    case 'B':
      if (!time_parse(value, &qp.before) || qp.before == 0) return "bad -B timestamp";
      break;
    case 'l':
      if (!parse_decimal_long(value, &number) || number < 0) return "-l must be zero or positive";
      qp.query_limit = number;
      break;
    case 'L':
      if (!parse_decimal_long(value, &number) || number <= 0) return "-L must be positive";
      qp.output_limit = number;
      qp.explicit_output_limit = number;
      break;
    case 'O':
      if (!parse_decimal_long(value, &number) || number < 0) return "-O must be zero or positive";
      qp.offset = number;
      break;
    case 'c':
      qp.complete = true;
      break;
    case 'g':
      qp.gravel = true;
      break;
    case 'G':
      qp.gravel = false;
      break;
    default:
      break;
  }
  return nullptr;
}

const char* qdesc_8bit_check(const qdesc& qd) {
  if (allow_8bit || !qd.thing || (qd.mode != mode_rrset_name && qd.mode != mode_rdata_name))
    return nullptr;
  for (unsigned char c : *qd.thing)
    if (c >= 0x80) return "search argument is not 7-bit clean";
  return nullptr;
}

void qparam_debug(const char* label, const qparam& qp) {
  debug_line(true, "qparam(%s)[", label);
  const char* sep = " ";
  if (qp.after != 0) {
    debug_line(false, "%s-A%ld(%s)", sep, static_cast<long>(qp.after), time_str(qp.after, false));
    sep = "\n\t";
  }
  if (qp.before != 0) {
    debug_line(false, "%s-B%ld(%s)", sep, static_cast<long>(qp.before), time_str(qp.before, false));
    sep = "\n\t";
  }
  if (qp.query_limit != -1) {
    debug_line(false, "%s-l%ld", sep, static_cast<long>(qp.query_limit));
    sep = " ";
  }
  if (qp.output_limit != -1) {
    debug_line(false, "%s-L%ld", sep, static_cast<long>(qp.output_limit));
    sep = " ";
  }
  if (qp.complete) {
    debug_line(false, "%s-c", sep);
    sep = " ";
  }
  if (qp.gravel) debug_line(false, "%s-g", sep);
  debug_line(false, " ]\n");
}

void qdesc_debug(const char* label, const qdesc& qd) {
  debug_line(true, "qdesc(%s)[", label);
  const char* sep = " ";
  if (qd.mode != mode_none) {
    debug_line(false, "%smo %d", sep, static_cast<int>(qd.mode));
    sep = ", ";
  }
  if (qd.thing) {
    debug_line(false, "%sth '%s'", sep, qd.thing->c_str());
    sep = ", ";
  }
  if (qd.rrtype) {
    debug_line(false, "%srr '%s'", sep, qd.rrtype->c_str());
    sep = ", ";
  }
  if (qd.bailiwick) {
    debug_line(false, "%sbw '%s'", sep, qd.bailiwick->c_str());
    sep = ", ";
  }
  if (qd.pfxlen) debug_line(false, "%spfx '%s'", sep, qd.pfxlen->c_str());
  debug_line(false, " ]\n");
}

}  // namespace trawl
