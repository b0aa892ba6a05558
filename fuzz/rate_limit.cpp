// The account-information response (-I): the text report of its rate
// object, the indented JSON, and the reading of each rate member.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include <jansson.h>

#include "fuzz_run.h"
#include "records/account_info.h"
#include "support/json_ref.h"

namespace trawl {
namespace {

fuzz_run& the_fuzz_run() {
  static fuzz_run* run = new fuzz_run;
  return *run;
}

// The members a response may carry, and a few it should not.
constexpr const char* rate_members[] = {
    "reset",      "expires",      "limit", "remaining", "results_max", "offset_max",
    "burst_size", "burst_window", "",      "rate",      "RESET"};
constexpr size_t burst_size = 6;
constexpr size_t burst_window = 7;

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  fuzz_run& run = the_fuzz_run();
  const std::string body(reinterpret_cast<const char*>(data), size);

  // The whole body, as the meta writer collects it, in each presentation.
  for (presentation_format format : {presentation_format::text, presentation_format::json}) {
    for (bool iso : {false, true}) present_account(body, format, iso, run.sink);
  }

  json_error_t error;
  json_ref response(json_loadb(body.data(), body.size(), 0, &error));
  if (!response) return 0;
  const json_t* rate = json_object_get(response.get(), "rate");
  for (const json_t* object : {static_cast<const json_t*>(response.get()), rate}) {
    rate_tuple tuples[std::size(rate_members)];
    for (size_t i = 0; i < std::size(rate_members); ++i) {
      if (rate_tuple_make(object, rate_members[i], &tuples[i]) == nullptr)
        run.sink.write(rate_line(false, rate_members[i], tuples[i]));
    }
    run.sink.write(burstrate_line(tuples[burst_size], tuples[burst_window]));
  }
  run.sink.flush();
  return 0;
}
