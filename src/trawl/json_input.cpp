#include <unistd.h>

#include <cerrno>
#include <vector>

#include "trawl/cli.h"
#include "trawl/netio.h"
#include "trawl/settings.h"

namespace trawl {

// Saved records enter the record stream where network data does, through
// writer_func, with a fetch that has no transfer behind it.
void do_json_input(const cli_state& cli) {
  writer& wr = writer_init(cli.qp.output_limit, nullptr, false);
  auto fresh = std::make_unique<query>();
  fresh->qp = cli.qp;
  fresh->mode = mode_none;
  query& q = writer_add_query(wr, std::move(fresh));
  q.fetches.push_front(std::make_unique<fetch>());
  fetch& f = *q.fetches.front();
  f.qry = &q;

  std::vector<char> chunk(read_chunk);
  for (;;) {
    const ssize_t n = read(cli.json_fd, chunk.data(), chunk.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    writer_func(chunk.data(), 1, static_cast<size_t>(n), &f);
  }
  // A saved file whose last record lacks its newline still holds a whole
  // record: hand it over as a final line. A truncated one fails to decode
  // with the ordinary warning.
  if (!f.buf.empty()) {
    char newline = '\n';
    writer_func(&newline, 1, 1, &f);
  }
  writer_fini(wr);
  if (cli.json_fd != STDIN_FILENO) close(cli.json_fd);
}

}  // namespace trawl
