// Lines of the configuration script's output, "SYSTEM KEY VALUE", as the
// user's configuration file makes the shell print them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "backends/config.h"
#include "backends/systems.h"
#include "fuzz_run.h"

namespace {

trawl::fuzz_run& the_fuzz_run() {
  static trawl::fuzz_run* run = [] {
    auto* fresh = new trawl::fuzz_run;
    // A system named on the command line: "trawl system X" lines are then
    // ignored, so no line makes the configuration file be read again.
    fresh->state.psys = &trawl::system_trove2;
    fresh->state.psys_specified = true;
    return fresh;
  }();
  return *run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  // The script's lines are read as C strings, each with its newline.
  const char* bytes = reinterpret_cast<const char*>(data);
  const std::string line(bytes, strnlen(bytes, size));
  fuzz_run& run = the_fuzz_run();
  run.state.settings = system_settings{};
  config_line(run.opts, run.state, 1, line.c_str());
  if (run.state.psys != &system_trove2) __builtin_trap();
  return 0;
}
