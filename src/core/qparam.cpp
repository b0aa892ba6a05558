#include "core/qparam.h"

#include <cerrno>
#include <cstdlib>

#include "core/diag.h"
#include "core/option_values.h"
#include "core/options.h"
#include "support/idn.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

time_fence time_fence_of(const qparam& qp) {
  time_fence tf;
  if (qp.complete) {
    tf.first_after = qp.after;
    tf.last_before = qp.before;
  } else {
    tf.last_after = qp.after;
    tf.first_before = qp.before;
  }
  return tf;
}

bool parse_decimal_long(const char* text, long* value) {
  char* end = nullptr;
  errno = 0;
  const long v = strtol(text, &end, 10);
  if (end == text || errno == ERANGE) return false;
  *value = v;
  return true;
}

std::optional<std::string> qparam_option(const run_options& opts, int letter, const char* value,
                                         qparam& qp) {
  const uint64_t now = static_cast<uint64_t>(opts.start_time.tv_sec);
  long number = 0;
  switch (letter) {
    case 'A':
    case 'B': {
      uint64_t& bound = letter == 'A' ? qp.after : qp.before;
      const bool read = time_parse(value, now, &bound);
      if (!read || bound == 0) return time_refusal(letter == 'A' ? "-A" : "-B", value, read);
      break;
    }
    case 'l':
      if (auto err = decimal_value("-l must be zero or positive", value, 0, &number)) return err;
      qp.query_limit = number;
      break;
    case 'L':
      if (auto err = decimal_value("-L must be positive", value, 1, &number)) return err;
      qp.output_limit = number;
      qp.explicit_output_limit = number;
      break;
    case 'O':
      if (auto err = decimal_value("-O must be zero or positive", value, 0, &number)) return err;
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
  return std::nullopt;
}

namespace {

// The refusal of a name the international-name rules reject, naming it.
std::string invalid_name(const char* what, const std::string& name, const std::string& reason) {
  return std::string(what) + " is not a valid international name: " + quoted_value(name) + " (" +
         reason + ")";
}

}  // namespace

std::optional<std::string> qdesc_8bit_check(qdesc& qd, bool allow_8bit) {
  if (allow_8bit || (qd.mode != search_mode::rrset_name && qd.mode != search_mode::rdata_name))
    return std::nullopt;
  if (qd.thing && !is_ascii(*qd.thing)) {
    idn_result ascii = name_to_ascii(*qd.thing);
    if (ascii.error == idn_error::refused)
      return invalid_name("search argument", *qd.thing, ascii.reason);
    if (!ascii.ok()) return "search argument is not 7-bit clean";
    qd.thing = std::move(ascii.name);
  }
  // A bailiwick that is no UTF-8 at all is sent as typed, as it always was.
  if (qd.bailiwick && !is_ascii(*qd.bailiwick)) {
    idn_result ascii = name_to_ascii(*qd.bailiwick);
    if (ascii.error == idn_error::refused)
      return invalid_name("bailiwick", *qd.bailiwick, ascii.reason);
    if (ascii.ok()) qd.bailiwick = std::move(ascii.name);
  }
  return std::nullopt;
}

void qparam_debug(const char* label, const qparam& qp) {
  if (!debugging(1)) return;
  debug_line(1, "qparam(%s)[", label);
  const char* sep = " ";
  if (qp.after != 0) {
    debug_more(1, "%s-A%ld(%s)", sep, static_cast<long>(qp.after), time_str(qp.after, false));
    sep = "\n\t";
  }
  if (qp.before != 0) {
    debug_more(1, "%s-B%ld(%s)", sep, static_cast<long>(qp.before), time_str(qp.before, false));
    sep = "\n\t";
  }
  if (qp.query_limit != -1) {
    debug_more(1, "%s-l%ld", sep, static_cast<long>(qp.query_limit));
    sep = " ";
  }
  if (qp.output_limit != -1) {
    debug_more(1, "%s-L%ld", sep, static_cast<long>(qp.output_limit));
    sep = " ";
  }
  if (qp.complete) {
    debug_more(1, "%s-c", sep);
    sep = " ";
  }
  if (qp.gravel) debug_more(1, "%s-g", sep);
  debug_more(1, " ]\n");
}

void qdesc_debug(const char* label, const qdesc& qd) {
  if (!debugging(1)) return;
  debug_line(1, "qdesc(%s)[", label);
  const char* sep = " ";
  if (qd.mode != search_mode::none) {
    debug_more(1, "%smo %d", sep, static_cast<int>(qd.mode));
    sep = ", ";
  }
  if (qd.thing) {
    debug_more(1, "%sth '%s'", sep, qd.thing->c_str());
    sep = ", ";
  }
  if (qd.rrtype) {
    debug_more(1, "%srr '%s'", sep, qd.rrtype->c_str());
    sep = ", ";
  }
  if (qd.bailiwick) {
    debug_more(1, "%sbw '%s'", sep, qd.bailiwick->c_str());
    sep = ", ";
  }
  if (qd.pfxlen) debug_more(1, "%spfx '%s'", sep, qd.pfxlen->c_str());
  debug_more(1, " ]\n");
}

}  // namespace trawl
