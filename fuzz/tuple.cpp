// One response line through the record decoder, as a plain record and as a
// line of a framed stream.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

#include "fuzz_run.h"
#include "records/tuple.h"

namespace {

// Diagnostics need a run's options to read.
void fuzz_init() {
  static trawl::fuzz_run* run = new trawl::fuzz_run;
  (void)run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  // The record stream cuts its lines at newlines: no line holds one.
  if (memchr(data, '\n', size) != nullptr) return -1;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  fuzz_init();

  pdns_tuple plain;
  const std::optional<tuple_error> plain_error = tuple_make(plain, line, transform_set{}, false);

  pdns_tuple framed;
  const std::optional<tuple_error> framed_error =
      tuple_make(framed, line, transform::reverse | transform::chomp, true);

  // Both read the line with the same parser: it is JSON for both or for neither.
  const bool plain_json = !plain_error || !plain_error->not_json;
  const bool framed_json = !framed_error || !framed_error->not_json;
  if (plain_json != framed_json) __builtin_trap();
  // A refused line leaves nothing behind to release or to present.
  auto left_empty = [](const pdns_tuple& tup) {
    return !tup.line_json && tup.record_json == nullptr && !tup.rrname;
  };
  if (plain_error && !left_empty(plain)) __builtin_trap();
  if (framed_error && !left_empty(framed)) __builtin_trap();
  // Without framing the record is the line itself.
  if (!plain_error && plain.record_json != plain.line_json.get()) __builtin_trap();

  tuple_unmake(plain);
  tuple_unmake(framed);
  return 0;
}
