#include "records/unicode_names.h"

#include <strings.h>

#include <string_view>

#include "support/idn.h"

namespace trawl {

namespace {

// Where the name begins in a record's data: after this many blank-separated
// fields.
struct name_field {
  const char* rrtype;
  int fields_before;
};

constexpr name_field name_fields[] = {
    {"NS", 0}, {"CNAME", 0}, {"PTR", 0}, {"DNAME", 0}, {"MX", 1}, {"SRV", 3},
};

}  // namespace

std::string unicode_owner(const char* name) {
  return name_to_unicode(name);
}

std::string unicode_rdata(const char* rrtype, const char* rdata) {
  const std::string_view data(rdata);
  for (const name_field& f : name_fields) {
    if (strcasecmp(rrtype, f.rrtype) != 0) continue;
    size_t start = 0;
    for (int i = 0; i < f.fields_before; ++i) {
      const size_t blank = data.find(' ', start);
      if (blank == std::string_view::npos) return std::string(data);
      start = blank + 1;
    }
    // One name, no more fields after it.
    const std::string_view name = data.substr(start);
    if (name.empty() || name.find(' ') != std::string_view::npos) return std::string(data);
    return std::string(data.substr(0, start)) + name_to_unicode(name);
  }
  return std::string(data);
}

const char* shown_owner(bool unicode, const char* name, std::string& storage) {
  if (!unicode || name == nullptr) return name;
  storage = unicode_owner(name);
  return storage.c_str();
}

const char* shown_rdata(bool unicode, const char* rrtype, const char* rdata, std::string& storage) {
  if (!unicode || rrtype == nullptr || rdata == nullptr) return rdata;
  storage = unicode_rdata(rrtype, rdata);
  return storage.c_str();
}

std::string_view unicode_owner_shown(bool unicode, std::string_view name, std::string& storage) {
  if (!unicode) return name;
  storage = unicode_owner(std::string(name).c_str());
  return storage;
}

std::string_view unicode_rdata_shown(bool unicode, std::string_view rrtype, std::string_view rdata,
                                     std::string& storage) {
  if (!unicode) return rdata;
  storage = unicode_rdata(std::string(rrtype).c_str(), std::string(rdata).c_str());
  return storage;
}

}  // namespace trawl
