// Query parameters (how to ask) and query descriptors (what to ask for).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trawl {

struct run_options;

struct qparam {
  uint64_t after = 0;
  uint64_t before = 0;
  int64_t query_limit = -1;
  int64_t explicit_output_limit = -1;
  int64_t output_limit = -1;
  int64_t offset = 0;
  bool complete = false;
  bool gravel = false;
};

inline constexpr qparam qparam_defaults{};

// The numbers appear in debug output.
enum class search_mode {
  none = 0,
  rrset_name = 1,
  rdata_name = 2,
  rdata_ip = 3,
  rrset_raw = 4,
  rdata_raw = 5
};

struct qdesc {
  search_mode mode = search_mode::none;
  std::optional<std::string> thing;
  std::optional<std::string> rrtype;
  std::optional<std::string> bailiwick;
  std::optional<std::string> pfxlen;
};

// The four time keys of a request, 0 meaning no bound.
struct time_fence {
  uint64_t first_after = 0;
  uint64_t first_before = 0;
  uint64_t last_after = 0;
  uint64_t last_before = 0;
};

// Complete matching bounds when records were first and last seen; otherwise
// a record need only overlap the window.
time_fence time_fence_of(const qparam& qp);

// Applies one of the letters A, B, L, l, O, c, g, G; others are ignored.
// Relative times count back from the options' start time. Returns the
// refusal, which starts with the option's plain text ("bad -A timestamp",
// "-l must be zero or positive", ...) and names the value, or nothing.
std::optional<std::string> qparam_option(const run_options& opts, int letter, const char* value,
                                         qparam& qp);

// Unless 8-bit values are allowed, a name searched for (-r, -n and their
// batch forms) and the bailiwick that hold bytes of 128 or more become their
// ASCII (ACE) form in place; ASCII names are never touched, and raw data and
// addresses are exempt. Refusals: "search argument is not 7-bit clean" for a
// name that is no UTF-8 (or escapes a byte in a non-ASCII label); "search
// argument is not a valid international name: 'NAME' (REASON)", or the same
// starting "bailiwick", for UTF-8 the conversion rejects. A bailiwick that is
// no UTF-8 stays as it is.
std::optional<std::string> qdesc_8bit_check(qdesc& qd, bool allow_8bit);

void qparam_debug(const char* label, const qparam& qp);
void qdesc_debug(const char* label, const qdesc& qd);

// Reads a base-10 long as the option values are read: leading blanks and a
// sign allowed, trailing characters ignored. False when no digit was read or
// the value is out of range.
bool parse_decimal_long(const char* text, long* value);

}  // namespace trawl
