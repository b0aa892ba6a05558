#include "sort/sortable.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/diag.h"
#include "records/tuple.h"
#include "support/ascii.h"

namespace trawl {

namespace {

void append_hex(std::string& buf, const unsigned char* bytes, size_t n) {
  static constexpr char digits[] = "0123456789abcdef";
  const size_t at = buf.size();
  buf.resize(at + 2 * n);
  for (size_t i = 0; i < n; ++i) {
    buf[at + 2 * i] = digits[bytes[i] >> 4];
    buf[at + 2 * i + 1] = digits[bytes[i] & 0x0f];
  }
}

// Each encoder appends to buf one value of a field that begins at `field`:
// the dot that stands for a name without letters or digits is written only
// when the field would stay empty.
using field_encoder = void (*)(std::string& buf, size_t field, std::string_view text);

// An unparseable address encodes as zeros, as the all-zero address does.
template <int family, size_t octets>
void append_address(std::string& buf, size_t, std::string_view text) {
  unsigned char addr[octets] = {};
  // No address is longer than this; a longer text is no address.
  char terminated[64];
  if (text.size() < sizeof terminated) {
    memcpy(terminated, text.data(), text.size());
    terminated[text.size()] = '\0';
    if (inet_pton(family, terminated, addr) != 1) memset(addr, 0, sizeof addr);
  }
  append_hex(buf, addr, octets);
}

void append_text_hex(std::string& buf, size_t, std::string_view text) {
  append_hex(buf, reinterpret_cast<const unsigned char*>(text.data()), text.size());
}

// The labels' letters and digits, last label first. A label ends at a dot
// that no backslash escapes, as countoff reads a name; only letters and
// digits are kept, so the dots and backslashes themselves never show.
void append_name(std::string& buf, size_t field, std::string_view text) {
  // countoff reads a terminated name; text may hold a NUL no name has.
  text = text.substr(0, text.find('\0'));
  // Label starts, reused from name to name: sorting writes millions.
  static thread_local std::vector<size_t> starts;
  starts.clear();
  starts.push_back(0);
  bool escaped = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (escaped) {
      escaped = false;
    } else if (text[i] == '\\') {
      escaped = true;
    } else if (text[i] == '.' && i + 1 < text.size()) {
      starts.push_back(i + 1);
    }
  }
  size_t end = text.size();
  for (size_t label = starts.size(); label-- > 0;) {
    for (size_t i = starts[label]; i < end; ++i)
      if (is_ascii_alnum(text[i])) buf += ascii_lower(text[i]);
    end = starts[label];
  }
  if (buf.size() == field) buf.push_back('.');
}

// The MX preference and the RP mailbox are left out: what follows the last
// blank is the name worth sorting on.
void append_last_name(std::string& buf, size_t field, std::string_view text) {
  const size_t blank = text.rfind(' ');
  if (blank == std::string_view::npos) {
    append_text_hex(buf, field, text);
  } else {
    append_name(buf, field, text.substr(blank + 1));
  }
}

struct rdata_rule {
  const char* rrtype;  // compared exactly
  field_encoder append;
};

constexpr rdata_rule rdata_rules[] = {
    {"A", append_address<AF_INET, 4>},
    {"AAAA", append_address<AF_INET6, 16>},
    {"NS", append_name},
    {"PTR", append_name},
    {"CNAME", append_name},
    {"DNAME", append_name},
    {"MX", append_last_name},
    {"RP", append_last_name},
};

field_encoder encoder_of(std::string_view rrtype) {
  for (const rdata_rule& rule : rdata_rules)
    if (rrtype == rule.rrtype) return rule.append;
  return append_text_hex;
}

}  // namespace

void sortable_dnsname(std::string& sortbuf, std::string_view name) {
  append_name(sortbuf, 0, name);
}

bool sortable_rrname_append(std::string& out, const pdns_tuple& tup) {
  if (!tup.view.has.rrname) return false;
  append_name(out, out.size(), tup.view.rrname);
  return true;
}

bool sortable_rdata_append(std::string& out, const pdns_tuple& tup) {
  if (!tup.view.has.rrtype || !tup.view.has.rdata) return false;
  const field_encoder append = encoder_of(tup.view.rrtype);
  const size_t field = out.size();
  for (const rdata_entry& value : tup.view.rdata_values) {
    if (value.bad) {
      warning("rdata slot is not a string");
    } else {
      append(out, field, value.text);
    }
  }
  return true;
}

std::optional<std::string> sortable_rrname(const pdns_tuple& tup) {
  std::string sortbuf;
  if (!sortable_rrname_append(sortbuf, tup)) return std::nullopt;
  return sortbuf;
}

std::optional<std::string> sortable_rdata(const pdns_tuple& tup) {
  std::string sortbuf;
  if (!sortable_rdata_append(sortbuf, tup)) return std::nullopt;
  return sortbuf;
}

}  // namespace trawl
