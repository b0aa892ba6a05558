// A server's response body through the write path: line cutting, record
// decoding, framing, the presenters and the sort-line writer.
//
// Input: a control byte, a delivery byte, then the body.
//   control bits 0-1  presentation: text, JSON, CSV, minimal
//           bit 2     framed stream (trove2) rather than plain lines (trove1)
//           bit 3     summarize verb (its presenters; minimal has none)
//           bit 4     sorting: records become sort lines (lookup only)
//           bit 5     owner-name transforms reverse and chomp
//           bit 6     datefix, ISO times, and qdetail where it is allowed
//           bit 7     a query by record data, with an output limit of 2
//   delivery          bytes per call of the write callback; 0 for all at once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "backends/systems.h"
#include "core/transfer.h"
#include "core/verb.h"
#include "engine/writer.h"
#include "engine/writer_func.h"
#include "fuzz_run.h"
#include "records/verbs.h"
#include "sort/sort_line.h"
#include "support/dedup_set.h"

namespace trawl {
namespace {

fuzz_run& the_fuzz_run() {
  static fuzz_run* run = new fuzz_run;
  return *run;
}

void configure(run_options& opts, run_state& state, uint8_t control) {
  static constexpr presentation_format formats[] = {
      presentation_format::text, presentation_format::json, presentation_format::csv,
      presentation_format::minimal};
  opts.presentation = formats[control & 3];
  state.psys = (control & 4) != 0 ? &system_trove2 : &system_trove1;

  const verb& lookup = verbs[0];
  const verb& summarize = verbs[1];
  opts.verb_selected = &lookup;
  if ((control & 8) != 0 && verb_presenter(summarize, opts.presentation) != nullptr)
    opts.verb_selected = &summarize;
  opts.presenter_selected = verb_presenter(*opts.verb_selected, opts.presentation);

  // Only combinations the option checks let through: a sortable presenter
  // of the lookup verb, and qdetail with JSON output and no sorting.
  const bool sorting =
      (control & 16) != 0 && opts.verb_selected == &lookup && opts.presenter_selected->sortable;
  opts.sorting = sorting ? sort_mode::ascending : sort_mode::none;

  opts.transforms = {};
  if ((control & 32) != 0) opts.transforms = transform::reverse | transform::chomp;
  opts.iso_time = (control & 64) != 0;
  if ((control & 64) != 0) {
    opts.transforms.add(transform::datefix);
    if (opts.presentation == presentation_format::json && !sorting)
      opts.transforms.add(transform::qdetail);
  }
  state.minimal_set = dedup_set_new(16);
}

// The writer as writer_init makes it for these options and this system.
void prepare(const run_options& opts, const run_state& state, writer& wr) {
  writer_configure(opts, state, wr);
}

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  if (size < 2) return -1;
  fuzz_run& run = the_fuzz_run();
  const uint8_t control = data[0];
  const size_t delivery = data[1];
  const char* body = reinterpret_cast<const char*>(data + 2);
  const size_t body_size = size - 2;
  configure(run.opts, run.state, control);
  run.set_up_presentation();

  // JSON input mode's set-up: a fetch with no transfer behind it. The writer
  // is not entered in the run's list: with sorting on, writer_init would
  // start a sort child, and here the sort lines go to memory instead.
  writer wr{run.state.present, run.sink};
  prepare(run.opts, run.state, wr);
  wr.output_limit = (control & 128) != 0 ? 2 : -1;
  char* sorted = nullptr;
  size_t sorted_size = 0;
  if (run.opts.sorting != sort_mode::none) {
    wr.sort_stdin.reset(open_memstream(&sorted, &sorted_size));
    if (!wr.sort_stdin) abort();
  }
  auto fresh = std::make_unique<query>();
  fresh->detail.mode = (control & 128) != 0 ? search_mode::rdata_name : search_mode::none;
  fresh->detail.descr = "rrset/name/fuzz.example";
  query& q = writer_add_query(wr, std::move(fresh));
  q.fetches.push_front(std::make_unique<fetch>());
  fetch& f = *q.fetches.front();
  f.qry = &q;

  // As the transfer library does: deliveries go on until one is taken short.
  bool ended = false;
  for (size_t at = 0; at < body_size && !ended;) {
    const size_t n = delivery == 0 ? body_size - at : std::min(delivery, body_size - at);
    ended = writer_deliver(f, body + at, 1, n) != n;
    at += n;
  }
  // JSON input mode (plain lines) hands a last line without its newline over
  // whole; a network stream strands it.
  if (!ended && !f.buf.empty() && run.state.psys->encap == encapsulation::none) {
    char newline = '\n';
    writer_deliver(f, &newline, 1, 1);
  }

  // As finishing the writer would: gathered sort lines go to the child.
  if (wr.sort_stdin) sort_line_flush(wr);
  wr.sort_stdin.reset();
  // Whatever the server sent, each sort line must cut back into a record.
  for (std::string_view rest(sorted != nullptr ? sorted : "", sorted_size); !rest.empty();) {
    const size_t nl = rest.find('\n');
    if (nl == std::string_view::npos) __builtin_trap();
    std::string_view record;
    if (sort_line_split(rest.substr(0, nl), &record) != nullptr) __builtin_trap();
    rest.remove_prefix(nl + 1);
  }
  free(sorted);
  // As the end of an answer does: what the presenters wrote leaves.
  run.sink.flush();
  run.state.present.minimal_set = nullptr;
  run.state.minimal_set.reset();
  return 0;
}
