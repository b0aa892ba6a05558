// A check of -i values before anything is sent: an address and prefix length
// that no server could take are refused with the value named.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trawl {

// Refuses an address that is neither IPv4 nor IPv6 text, a prefix length that
// is not a decimal number, and one longer than the address (32 for IPv4,
// 128 for IPv6); nothing when the pair may be sent. Every refusal starts with
// "bad -i value: ".
//
// -i ADDR/PFXLEN passes the two parts; -i ADDR passes no prefix length. A
// batch term rdata/ip/ADDR,PFXLEN keeps the prefix length inside its term:
// rdata_ip_term_check splits it at the first comma and calls this.
std::optional<std::string> rdata_ip_check(std::string_view address,
                                          std::optional<std::string_view> pfxlen);

// The same for a batch term "ADDR" or "ADDR,PFXLEN".
std::optional<std::string> rdata_ip_term_check(std::string_view term);

}  // namespace trawl
