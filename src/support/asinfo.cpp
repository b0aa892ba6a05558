#include "trawl/asinfo.h"

#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>
#include <resolv.h>

namespace trawl {

asinfo_result asinfo_from_rr(const char*, const char*) {
  // Annotation lookups are not made yet: every value goes unannotated.
  return {};
}

bool asinfo_domain_exists(const char* zone) {
  unsigned char answer[512];
  if (res_query(zone, ns_c_in, ns_t_txt, answer, sizeof answer) >= 0) return true;
  return h_errno != HOST_NOT_FOUND;
}

void asinfo_close() {}

}  // namespace trawl
