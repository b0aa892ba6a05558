// International names as a user types them (-r, -n, batch lines) and as a
// server returns them: the ASCII form for queries, the Unicode form for
// display.
//
// Input: the name, all of it (NUL bytes included: the module takes views).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/idn.h"

namespace {

bool same_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A decoded ACE label holds at most one code point per character after
// "xn--", four bytes each; every other label is copied.
void check_unicode_size(std::string_view from, const std::string& shown) {
  if (shown.size() > 4 * from.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  const std::string_view name(reinterpret_cast<const char*>(data), size);

  const idn_result ascii = name_to_ascii(name);
  if (is_ascii(name)) {
    // ASCII reaches the server exactly as typed.
    if (!ascii.ok() || ascii.name != name) __builtin_trap();
  }
  switch (ascii.error) {
    case idn_error::none:
      if (!is_ascii(ascii.name) || !ascii.reason.empty()) __builtin_trap();
      break;
    case idn_error::refused:
      if (ascii.reason.empty() || !ascii.name.empty()) __builtin_trap();
      break;
    case idn_error::not_utf8:
    case idn_error::escaped:
      if (!ascii.name.empty()) __builtin_trap();
      break;
  }

  const std::string shown = name_to_unicode(name);
  check_unicode_size(name, shown);
  // Display never invents a name: an ASCII name without ACE labels is
  // shown as it is.
  if (is_ascii(name) && name.find("xn--") == std::string_view::npos &&
      name.find("XN--") == std::string_view::npos && name.find("Xn--") == std::string_view::npos &&
      name.find("xN--") == std::string_view::npos && shown != name)
    __builtin_trap();

  if (ascii.ok()) {
    // What is shown for a converted name converts back to what was sent.
    const std::string round = name_to_unicode(ascii.name);
    check_unicode_size(ascii.name, round);
    const idn_result again = name_to_ascii(round);
    if (!again.ok() || !same_ignoring_ascii_case(again.name, ascii.name)) __builtin_trap();
  }
  return 0;
}
