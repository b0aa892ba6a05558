#include "records/annotation.h"

#include <cstring>

#include "core/diag.h"

namespace trawl {

namespace {

void trace_txt(int index, std::string_view text) {
  debug_line(2, "TXT[%d] \"%.*s\"\n", index, static_cast<int>(text.size()), text.data());
}

}  // namespace

std::optional<std::string> asinfo_name_of(const as_annotation* as, const char* rrtype,
                                          const char* rdata) {
  if (as == nullptr || rrtype == nullptr || rdata == nullptr || strcmp(rrtype, "A") != 0)
    return std::nullopt;
  // No query is built from a value that is not an IPv4 address.
  return asinfo_query_name(rdata, as->zone);
}

asinfo_result asinfo_from_rr(as_annotation* as, const char* rrtype, const char* rdata) {
  std::optional<std::string> qname = asinfo_name_of(as, rrtype, rdata);
  if (!qname) return {};
  debug_line(1, "asinfo_from_dns(%s)\n", qname->c_str());
  const asinfo_answer& answer = asinfo_pool_get(as->pool, *qname);
  if (debugging(2)) asinfo_answer_trace(answer, trace_txt);
  return answer.result;
}

}  // namespace trawl
