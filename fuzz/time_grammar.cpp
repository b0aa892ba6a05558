// Time bounds as -A, -B and $options lines give them: absolute dates, epoch
// seconds, negative offsets and the relative grammar.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/qparam.h"
#include "fuzz_run.h"
#include "support/time_values.h"

namespace {

// A fixed "now", so that a finding reproduces.
constexpr uint64_t fuzz_now = 1700000000;

trawl::run_options& fuzz_options() {
  static trawl::fuzz_run* run = [] {
    auto* fresh = new trawl::fuzz_run;
    fresh->opts.start_time.tv_sec = fuzz_now;
    return fresh;
  }();
  return run->opts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  // Option arguments are C strings: they end at the first NUL.
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string text(bytes, strnlen(bytes, size));
  const char* c_text = text.c_str();

  uint64_t when = 0;
  const bool absolute = time_parse(c_text, fuzz_now, &when);
  if (absolute) {
    // Every bound is shown again, in both styles.
    time_str(when, false);
    time_str(when, true);
  }

  uint64_t seconds = 0;
  if (time_parse_relative(c_text, &seconds) == 0) {
    char shown[64];
    if (duration_str(seconds, shown, sizeof shown) < 0) __builtin_trap();
    // A text with a unit letter is neither a date nor a number: time_parse
    // must read it as that long before now, or refuse it when that is
    // before the epoch.
    const bool has_unit = text.find_first_not_of("0123456789") != std::string::npos;
    if (has_unit) {
      if (absolute != (seconds <= fuzz_now)) __builtin_trap();
      if (absolute && when != fuzz_now - seconds) __builtin_trap();
    }
  }

  qparam qp;
  for (int letter : {'A', 'B', 'l', 'L', 'O'}) qparam_option(fuzz_options(), letter, c_text, qp);
  return 0;
}
