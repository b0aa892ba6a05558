// Origin-AS annotation of IPv4 addresses through DNS TXT records: a zone
// publishes, for each reversed address, the originating AS and the covering
// prefix, either as one "AS | PREFIX/LEN | ..." string or as the three strings
// "AS", "PREFIX", "LEN".
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace trawl {

// At most one of the two forms is present: a comment, or AS text and CIDR
// together. An empty result means "no annotation".
struct asinfo_result {
  std::optional<std::string> comment;  // an error text to show instead of an annotation
  std::optional<std::string> as_text;  // AS numbers as published, separated by single blanks
  std::optional<std::string> cidr;     // "address/length"
};

// Called once per TXT character-string read, index from 0.
using asinfo_trace = void (*)(int index, std::string_view text);

class asinfo_resolver;

// One TXT query through the resolver's state, then asinfo_from_answer. A name
// that does not exist gives an empty result; any other failed query gives the
// resolver's text for its error code as the comment.
asinfo_result asinfo_from_dns(asinfo_resolver& resolver, const std::string& qname,
                              asinfo_trace trace);

// A resolver state of our own, so that lookups leave the process's default one
// alone. Opened by the first lookup, closed by close() or the destructor; a
// lookup after close() opens it again.
class asinfo_resolver {
 public:
  asinfo_resolver();
  ~asinfo_resolver();
  asinfo_resolver(const asinfo_resolver&) = delete;
  asinfo_resolver& operator=(const asinfo_resolver&) = delete;

  bool is_open() const { return state_ != nullptr; }
  void close();

 private:
  struct state;
  std::unique_ptr<state> state_;

  asinfo_result query_txt(const std::string& qname, asinfo_trace trace);

  friend asinfo_result asinfo_from_dns(asinfo_resolver&, const std::string&, asinfo_trace);
};

// "D.C.B.A.ZONE" for the IPv4 address text "A.B.C.D"; nothing when the text is
// not an IPv4 address, so no query is ever built from an unconverted value.
std::optional<std::string> asinfo_query_name(const char* address, std::string_view zone);

// Reads a whole DNS response of `length` bytes: every TXT answer in order, in
// either published form, keeping the one with the longest prefix. Never reads
// past `length`. `trace` may be null.
asinfo_result asinfo_from_answer(const unsigned char* answer, size_t length, asinfo_trace trace);

// Keeps, of the held answer and the new one, the one with the longer prefix
// (the held one on equal lengths); an AS of 4294967295 is never held. Returns
// nullptr, or a static error text when a prefix length cannot be read, in
// which case nothing new is held.
const char* asinfo_merge(std::optional<std::string>& held_as, std::optional<std::string>& held_cidr,
                         std::string new_as, std::string new_cidr);

// False only when the zone is known not to exist; a failure of any other kind
// (no data, server failure, time-out) gives the zone the benefit of the doubt.
bool asinfo_domain_exists(const char* zone);

}  // namespace trawl
