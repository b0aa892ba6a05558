#include "sort/sortable.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/diag.h"
#include "records/countoff.h"
#include "records/tuple.h"
#include "support/ascii.h"

namespace trawl {

namespace {

void append_hex(std::string& buf, const unsigned char* bytes, size_t n) {
  static constexpr char digits[] = "0123456789abcdef";
  for (size_t i = 0; i < n; ++i) {
    buf += digits[bytes[i] >> 4];
    buf += digits[bytes[i] & 0x0f];
  }
}

// An unparseable address encodes as zeros, as the all-zero address does.
template <int family, size_t octets>
void append_address(std::string& buf, const char* text) {
  unsigned char addr[octets] = {};
  if (inet_pton(family, text, addr) != 1) memset(addr, 0, sizeof addr);
  append_hex(buf, addr, octets);
}

void append_text_hex(std::string& buf, const char* text) {
  append_hex(buf, reinterpret_cast<const unsigned char*>(text), strlen(text));
}

// The MX preference and the RP mailbox are left out: what follows the last
// blank is the name worth sorting on.
void append_last_name(std::string& buf, const char* text) {
  const char* blank = strrchr(text, ' ');
  if (blank == nullptr) {
    append_text_hex(buf, text);
  } else {
    sortable_dnsname(buf, blank + 1);
  }
}

struct rdata_rule {
  const char* rrtype;  // compared exactly
  void (*append)(std::string& buf, const char* text);
};

constexpr rdata_rule rdata_rules[] = {
    {"A", append_address<AF_INET, 4>}, {"AAAA", append_address<AF_INET6, 16>},
    {"NS", sortable_dnsname},          {"PTR", sortable_dnsname},
    {"CNAME", sortable_dnsname},       {"DNAME", sortable_dnsname},
    {"MX", append_last_name},          {"RP", append_last_name},
};

void append_rdata(std::string& buf, const char* rrtype, const char* text) {
  for (const rdata_rule& rule : rdata_rules) {
    if (strcmp(rrtype, rule.rrtype) == 0) {
      rule.append(buf, text);
      return;
    }
  }
  append_text_hex(buf, text);
}

// Not compiled out with NDEBUG: a wrong size means countoff and this encoder
// disagree about the name, and every later sort line would be suspect.
[[noreturn]] void size_mismatch(int line) {
  fprintf(stderr, "%s:%d: sortable_dnsname: Assertion `buf->size == new_size' failed.\n", __FILE__,
          line);
  abort();
}

}  // namespace

void sortable_dnsname(std::string& sortbuf, const char* name) {
  const counted c = countoff(name);
  const size_t new_size = sortbuf.size() + c.nalnum;
  if (new_size == 0) {
    sortbuf.push_back('.');  // the buffer is empty here
    return;
  }
  sortbuf.reserve(new_size);
  size_t label_end = c.nchar;
  for (size_t label = c.lens.size(); label-- > 0;) {  // last label first
    const size_t len = c.lens[label];
    const size_t label_start = label_end - len;
    for (size_t i = label_start; i < label_end; ++i) {
      if (is_ascii_alnum(name[i])) sortbuf += ascii_lower(name[i]);
    }
    label_end = label_start;
  }
  if (sortbuf.size() != new_size) size_mismatch(__LINE__);
}

std::optional<std::string> sortable_rrname(const pdns_tuple& tup) {
  const char* rrname = json_string_value(tup.node.rrname);
  if (rrname == nullptr) return std::nullopt;
  std::string sortbuf;
  sortable_dnsname(sortbuf, rrname);
  return sortbuf;
}

std::optional<std::string> sortable_rdata(const pdns_tuple& tup) {
  if (tup.rrtype == nullptr || tup.node.rdata == nullptr) return std::nullopt;
  std::string sortbuf;
  for_each_rdata(tup, [&](rdata_value value) {
    if (value.bad) {
      warning("rdata slot is not a string");
    } else {
      append_rdata(sortbuf, tup.rrtype, value.text);
    }
  });
  return sortbuf;
}

}  // namespace trawl
