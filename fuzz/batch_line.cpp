// One batch-mode query line: its parse, then the request paths and URLs that
// launching it would build.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "backends/systems.h"
#include "core/qparam.h"
#include "fuzz_run.h"
#include "program/batch.h"
#include "program/launch.h"
#include "records/verbs.h"
#include "support/tokenizer.h"

namespace trawl {
namespace {

fuzz_run& the_fuzz_run() {
  static fuzz_run* run = [] {
    auto* fresh = new fuzz_run;
    fresh->opts.verb_selected = &verbs[0];
    return fresh;
  }();
  return *run;
}

// Every term is escaped, so that none can add a path segment or a query
// string: only the slashes between terms are left unescaped.
void check_path(const std::string& path, const qdesc& qd) {
  const size_t slashes = 2 + (qd.rrtype ? 1 : 0) + (qd.bailiwick ? 1 : 0);
  if (static_cast<size_t>(std::count(path.begin(), path.end(), '/')) != slashes) __builtin_trap();
  for (unsigned char c : path) {
    if (!(isalnum(c) || strchr("-._~%/", c) != nullptr)) __builtin_trap();
  }
}

void request_urls(run_state& state, const run_options& opts, const qdesc& qd) {
  const std::string path = build_path(qd);
  check_path(path, qd);
  std::string error;
  for (const pdns_system* sys : {&system_trove2, &system_trove1, &system_circl}) {
    sys->url(*sys, opts, state.settings, path.c_str(), qparam_defaults, time_fence{}, false,
             &error);
  }
}

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  // Batch mode reads one line at a time and drops its newline.
  if (memchr(data, '\n', size) != nullptr) return -1;
  const std::string line(reinterpret_cast<const char*>(data), size);
  fuzz_run& run = the_fuzz_run();

  for (bool allow_8bit : {false, true}) {
    qdesc qd;
    if (batch_parse(line, allow_8bit, qd)) continue;
    if (!qd.thing) __builtin_trap();  // a parsed line always names what it searches for
    if (qd.rrtype) {
      if (rrtype_list_check(qd.rrtype->c_str()) != nullptr) continue;
      // One fetch, and one path, per listed type.
      qdesc one = qd;
      for (const std::string& item : tokenizer_split(qd.rrtype->c_str(), ",")) {
        one.rrtype = item;
        request_urls(run.state, run.opts, one);
      }
    } else {
      request_urls(run.state, run.opts, qd);
    }
  }
  return 0;
}
