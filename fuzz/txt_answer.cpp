// A DNS response to the TXT query of an AS lookup, as the resolver hands it
// over: any bytes a server chose to send.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "support/asinfo.h"

namespace {

void check_string(int index, std::string_view text) {
  // A TXT character-string is one length octet and at most 255 bytes; a
  // record holds at most three that are kept.
  if (index < 0 || index > 2 || text.size() > 255) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  const asinfo_result result = asinfo_from_answer(data, size, check_string);
  // A comment, or AS text and prefix together, or nothing.
  if (result.comment && (result.as_text || result.cidr)) __builtin_trap();
  if (result.as_text.has_value() != result.cidr.has_value()) __builtin_trap();
  return 0;
}
