#include "support/asinfo.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace trawl {

struct asinfo_resolver::state {
  // "struct": the bare name is also a function of the resolver library.
  struct __res_state res {};
};

namespace {

// The classic UDP limit; most answers fit, and a larger one is fetched again
// into a buffer that holds any DNS message.
constexpr size_t first_answer_size = 512;
constexpr size_t largest_answer_size = 65535;

// The last 32-bit AS number is reserved and originates nothing: an answer
// naming it tells nothing about the address.
constexpr std::string_view no_origin_as = "4294967295";

constexpr std::string_view separator = " | ";

asinfo_result comment(std::string text) {
  asinfo_result result;
  result.comment = std::move(text);
  return result;
}

// The length after the "/" of "address/length", or -1 when there is none or
// it is not 1 to 128: a /0 says nothing about any one address.
int prefix_length(std::string_view cidr) {
  size_t slash = cidr.find('/');
  if (slash == std::string_view::npos) return -1;
  std::string_view digits = cidr.substr(slash + 1);
  if (digits.empty() || digits.size() > 3) return -1;
  int length = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    length = length * 10 + (c - '0');
  }
  return length >= 1 && length <= 128 ? length : -1;
}

// One TXT record's character-strings, each a length octet and that many bytes.
// Returns an error text, or nullptr with the strings stored.
const char* read_txt_strings(const unsigned char* rdata, size_t rdlength, asinfo_trace trace,
                             std::vector<std::string>& strings) {
  size_t pos = 0;
  while (pos < rdlength) {
    if (strings.size() == 3) return "len(TXT[]) > 3";
    size_t length = rdata[pos++];
    if (length > rdlength - pos) return "TXT overrun";
    // The text ends at a NUL, as it would for every C-string consumer of it.
    const char* text = reinterpret_cast<const char*>(rdata + pos);
    strings.emplace_back(text, strnlen(text, length));
    if (trace != nullptr) trace(static_cast<int>(strings.size() - 1), strings.back());
    pos += length;
  }
  return nullptr;
}

// Splits the published forms into AS text and CIDR. Returns an error text, or
// nullptr with both stored.
const char* split_txt(const std::vector<std::string>& strings, std::string& as_text,
                      std::string& cidr) {
  if (strings.size() == 1) {
    // "AS | PREFIX/LEN | country | registry | date": only the first two count.
    const std::string& text = strings[0];
    size_t first = text.find(separator);
    if (first == std::string::npos) return "unrecognized TXT format";
    size_t second = text.find(separator, first + separator.size());
    if (second == std::string::npos) return "unrecognized TXT format";
    as_text = text.substr(0, first);
    cidr = text.substr(first + separator.size(), second - first - separator.size());
    return nullptr;
  }
  if (strings.size() == 3) {
    as_text = strings[0];
    cidr = strings[1] + "/" + strings[2];
    return nullptr;
  }
  return "unrecognized TXT format";
}

// An AS number is a decimal from 0 to 4294967295; the comment for the first
// word of the list that is none, or nothing when every word is one. A
// presentation would otherwise show the word as it came, or read a number
// out of it that nobody published.
std::optional<std::string> as_list_refusal(std::string_view as_text) {
  size_t from = 0;
  for (;;) {
    const size_t blank = as_text.find(' ', from);
    const std::string_view word = as_text.substr(from, blank - from);
    uint64_t value = 0;
    bool number = !word.empty() && word.size() <= 10;
    for (char c : word) {
      if (c < '0' || c > '9') number = false;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (!number || value > 4294967295U) {
      // A hostile zone may send any length: the start names it well enough.
      const std::string_view shown = word.substr(0, 40);
      return "bad AS number '" + std::string(shown) + (shown.size() < word.size() ? "...'" : "'");
    }
    if (blank == std::string_view::npos) return std::nullopt;
    from = blank + 1;
  }
}

// The record's comment, or nothing when it was merged into the held answer.
std::optional<std::string> take_txt_record(const ns_rr& rr, asinfo_trace trace,
                                           std::optional<std::string>& held_as,
                                           std::optional<std::string>& held_cidr) {
  if (ns_rr_rdlen(rr) == 0) return "unrecognized TXT format";
  std::vector<std::string> strings;
  if (const char* error = read_txt_strings(ns_rr_rdata(rr), ns_rr_rdlen(rr), trace, strings))
    return error;
  std::string as_text, cidr;
  if (const char* error = split_txt(strings, as_text, cidr)) return error;
  if (std::optional<std::string> refusal = as_list_refusal(as_text)) return refusal;
  if (const char* error = asinfo_merge(held_as, held_cidr, std::move(as_text), std::move(cidr)))
    return error;
  return std::nullopt;
}

asinfo_result parse_answer(const unsigned char* answer, size_t length, asinfo_trace trace) {
  ns_msg msg;
  int msglen = static_cast<int>(length > INT_MAX ? INT_MAX : length);
  if (ns_initparse(answer, msglen, &msg) < 0) return comment(strerror(errno));
  int rcode = ns_msg_getflag(msg, ns_f_rcode);
  if (rcode != 0) {
    char text[32];
    snprintf(text, sizeof text, "DNS RCODE 0x%x", static_cast<unsigned>(rcode));
    return comment(text);
  }
  int count = ns_msg_count(msg, ns_s_an);
  if (count == 0) return comment("ANCOUNT == 0");

  std::optional<std::string> held_as, held_cidr;
  for (int i = 0; i < count; i++) {
    ns_rr rr;
    if (ns_parserr(&msg, ns_s_an, i, &rr) < 0) return comment(strerror(errno));
    // A CNAME on the way to the TXT records, for instance.
    if (ns_rr_type(rr) != ns_t_txt) continue;
    if (std::optional<std::string> error = take_txt_record(rr, trace, held_as, held_cidr))
      return comment(std::move(*error));
  }
  asinfo_result result;
  result.as_text = std::move(held_as);
  result.cidr = std::move(held_cidr);
  return result;
}

}  // namespace

asinfo_resolver::asinfo_resolver() = default;

asinfo_resolver::~asinfo_resolver() {
  close();
}

void asinfo_resolver::close() {
  if (state_ == nullptr) return;
  res_nclose(&state_->res);
  state_.reset();
}

std::optional<std::string> asinfo_query_name(const char* address, std::string_view zone) {
  unsigned char octets[4];
  if (address == nullptr || inet_pton(AF_INET, address, octets) != 1) return std::nullopt;
  char reversed[sizeof "255.255.255.255."];
  snprintf(reversed, sizeof reversed, "%u.%u.%u.%u.", octets[3], octets[2], octets[1], octets[0]);
  std::string name(reversed);
  name.append(zone);
  return name;
}

asinfo_result asinfo_from_answer(const unsigned char* answer, size_t length, asinfo_trace trace) {
  try {
    return parse_answer(answer, length, trace);
  } catch (const std::bad_alloc&) {
    // Short enough to need no allocation of its own.
    return comment("strndup FAIL");
  }
}

const char* asinfo_merge(std::optional<std::string>& held_as, std::optional<std::string>& held_cidr,
                         std::string new_as, std::string new_cidr) {
  if (held_as || held_cidr) {
    int held_length = held_cidr ? prefix_length(*held_cidr) : -1;
    if (held_length < 0) return "bad CIDR syntax (old)";
    int new_length = prefix_length(new_cidr);
    if (new_length < 0) return "bad CIDR syntax (new)";
    if (held_length >= new_length) return nullptr;
    // Dropped before the new answer is looked at: a more specific answer
    // without an origin leaves nothing held at all.
    held_as.reset();
    held_cidr.reset();
  }
  if (new_as == no_origin_as) return nullptr;
  held_as = std::move(new_as);
  held_cidr = std::move(new_cidr);
  return nullptr;
}

asinfo_result asinfo_from_dns(asinfo_resolver& resolver, const std::string& qname,
                              asinfo_trace trace) {
  try {
    return resolver.query_txt(qname, trace);
  } catch (const std::bad_alloc&) {
    return comment("out of memory");
  }
}

asinfo_result asinfo_resolver::query_txt(const std::string& qname, asinfo_trace trace) {
  if (state_ == nullptr) {
    std::unique_ptr<state> fresh(new (std::nothrow) state);
    if (fresh == nullptr || res_ninit(&fresh->res) < 0) return comment("res_ninit FAIL");
    state_ = std::move(fresh);
  }
  res_state res = &state_->res;

  std::vector<unsigned char> answer;
  int length = -1;
  // The resolver reports the whole answer's length even when it kept only
  // what fit (an answer over TCP after a truncated UDP one), so a longer
  // answer is asked for again with room for any message.
  for (size_t size : {first_answer_size, largest_answer_size}) {
    answer.resize(size);
    length = res_nquery(res, qname.c_str(), ns_c_in, ns_t_txt, answer.data(),
                        static_cast<int>(answer.size()));
    if (length < 0) {
      // A name without TXT records tells as little as one that does not
      // exist: neither is a failure worth a comment.
      if (res->res_h_errno == HOST_NOT_FOUND || res->res_h_errno == NO_DATA) return {};
      return comment(hstrerror(res->res_h_errno));
    }
    if (static_cast<size_t>(length) <= answer.size()) break;
  }
  // Only the bytes held are ever parsed.
  size_t held = std::min(static_cast<size_t>(length), answer.size());
  return asinfo_from_answer(answer.data(), held, trace);
}

bool asinfo_domain_exists(const char* zone) {
  unsigned char answer[first_answer_size];
  if (res_query(zone, ns_c_in, ns_t_txt, answer, sizeof answer) >= 0) return true;
  return h_errno != HOST_NOT_FOUND;
}

}  // namespace trawl
