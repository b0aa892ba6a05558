// Server text made safe for a terminal: whatever the bytes, the printed form
// is safe, denotes the same name, and prints unchanged a second time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../tests/unit/master_text.h"
#include "support/safe_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string printed = safe_text(text);
  if (!oracle::safe(printed)) __builtin_trap();
  // So two texts that name different things never print alike.
  if (oracle::meaning(printed) != oracle::meaning(text)) __builtin_trap();
  if (safe_text(printed) != printed || !is_safe_text(printed)) __builtin_trap();
  if (is_safe_text(text) != (printed == text)) __builtin_trap();
  return 0;
}
