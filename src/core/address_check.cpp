#include "core/address_check.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>

#include "support/safe_text.h"

namespace trawl {

namespace {

std::string refusal(std::string_view reason) {
  return "bad -i value: " + std::string(reason);
}

bool parses_as(int family, const std::string& address) {
  unsigned char buf[sizeof(in6_addr)];
  return inet_pton(family, address.c_str(), buf) == 1;
}

}  // namespace

std::optional<std::string> rdata_ip_check(std::string_view address,
                                          std::optional<std::string_view> pfxlen) {
  const std::string text(address);
  // inet_pton reads a C string: an embedded NUL must not cut the text short.
  const bool whole = text.find('\0') == std::string::npos;
  unsigned most = 0;
  if (whole && parses_as(AF_INET, text))
    most = 32;
  else if (whole && parses_as(AF_INET6, text))
    most = 128;
  else
    return refusal(quoted_value(address) + " is not an IPv4 or IPv6 address");
  if (!pfxlen) return std::nullopt;

  if (pfxlen->empty() || pfxlen->find_first_not_of("0123456789") != std::string_view::npos)
    return refusal("prefix length " + quoted_value(*pfxlen) + " is not a number");
  // Digits beyond four cannot make a length that fits, leading zeros aside.
  const size_t first = std::min(pfxlen->find_first_not_of('0'), pfxlen->size());
  const std::string_view digits = pfxlen->substr(first);
  unsigned length = 0;
  for (char c : digits.substr(0, 4)) length = length * 10 + static_cast<unsigned>(c - '0');
  if (digits.size() > 4 || length > most) {
    return refusal("prefix length " + quoted_value(*pfxlen) + " is more than " +
                   std::to_string(most) + " for " + (most == 32 ? "IPv4" : "IPv6") + " address " +
                   quoted_value(address));
  }
  return std::nullopt;
}

std::optional<std::string> rdata_ip_term_check(std::string_view term) {
  const size_t comma = term.find(',');
  if (comma == std::string_view::npos) return rdata_ip_check(term, std::nullopt);
  return rdata_ip_check(term.substr(0, comma), term.substr(comma + 1));
}

}  // namespace trawl
