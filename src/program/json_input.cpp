#include "program/json_input.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "core/diag.h"
#include "engine/writer.h"
#include "engine/writer_func.h"
#include "records/lookahead.h"

namespace trawl {

// Saved records enter the record stream where network data does, through
// the write callback's path, with a fetch that has no transfer behind it.
void do_json_input(const run_options& opts, run_state& state, const qparam& qp, int fd,
                   const char* name) {
  writer& wr = writer_init(opts, state, qp.output_limit, false);
  // The JSON presentation re-encodes whatever JSON it reads; the others
  // would show what is not a record as an empty one.
  wr.stream.records_only = opts.presentation != presentation_format::json;
  auto fresh = std::make_unique<query>();
  fresh->detail.qp = qp;
  query& q = writer_add_query(wr, std::move(fresh));
  q.fetches.push_front(std::make_unique<fetch>());
  fetch& f = *q.fetches.front();
  f.qry = &q;

  std::vector<char> chunk(opts.read_chunk);
  for (;;) {
    // Records held for their AS lookups go out while the input is slow.
    lookahead_await_input(wr, fd);
    const ssize_t n = read(fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      log_line("cannot read %s: %s", name, strerror(errno));
      state.exit_status = 1;
      break;
    }
    if (n == 0) break;
    try {
      writer_deliver(f, chunk.data(), 1, static_cast<size_t>(n));
    } catch (...) {
      f.buf.clear();  // the run ends on the failure itself, not on the bytes left
      throw;
    }
    if (f.discard) break;  // the output limit or a line past the bound: nothing more is shown
  }
  // A saved file whose last record lacks its newline still holds a whole
  // record: hand it over as a final line. A truncated one fails to decode
  // with the ordinary warning.
  if (!f.buf.empty() && !f.discard) {
    char newline = '\n';
    writer_deliver(f, &newline, 1, 1);
  }
  report_refused_lines(f);
  // A script must know that the file was not read whole.
  if (f.failed || f.refused > 0) state.exit_status = 1;
  writer_fini(state, wr);
}

}  // namespace trawl
