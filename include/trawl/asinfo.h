// Origin-AS annotation of IPv4 addresses through DNS TXT records.
#pragma once

#include <optional>
#include <string>

namespace trawl {

struct asinfo_result {
  std::optional<std::string> comment;  // an error to show instead
  std::optional<std::string> as_text;  // AS numbers separated by blanks
  std::optional<std::string> cidr;
};

// Nothing unless asinfo_lookup is on and the type is exactly "A".
asinfo_result asinfo_from_rr(const char* rrtype, const char* rdata);

// False only when the zone is known not to exist.
bool asinfo_domain_exists(const char* zone);

void asinfo_close();

}  // namespace trawl
