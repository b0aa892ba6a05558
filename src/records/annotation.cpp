#include "records/annotation.h"

#include <cstring>

#include "core/diag.h"

namespace trawl {

namespace {

void trace_txt(int index, std::string_view text) {
  debug_line(2, "TXT[%d] \"%.*s\"\n", index, static_cast<int>(text.size()), text.data());
}

}  // namespace

asinfo_result asinfo_from_rr(as_annotation* as, const char* rrtype, const char* rdata) {
  if (as == nullptr || strcmp(rrtype, "A") != 0) return {};
  // No query is built from a value that is not an IPv4 address.
  std::optional<std::string> qname = asinfo_query_name(rdata, as->zone);
  if (!qname) return {};
  debug_line(1, "asinfo_from_dns(%s)\n", qname->c_str());
  return asinfo_from_dns(as->resolver, *qname, trace_txt);
}

}  // namespace trawl
