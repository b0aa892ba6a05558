// The fast record decoder against the reference path on the same bytes, as a
// plain record and as a line of a framed stream: a line the fast decoder does
// not decline must give the same values, presence, record text and error
// text as tuple_make and the library's compact encoder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "fast_json_check.h"
#include "fuzz_run.h"

namespace {

trawl::fuzz_run& fuzz_state() {
  static trawl::fuzz_run* run = new trawl::fuzz_run;
  return *run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  run_options& opts = fuzz_state().opts;
  opts.transforms = {};  // the view holds the owner name as received
  // One view for every input, as one serves a whole stream.
  static record_view* view = new record_view;
  for (const bool framed : {false, true}) {
    const std::optional<std::string> difference = fast_json_difference(line, framed, opts, *view);
    if (difference) {
      fprintf(stderr, "%s line differs: %s\n", framed ? "framed" : "plain", difference->c_str());
      __builtin_trap();
    }
  }
  return 0;
}
