#include "trawl/account_info.h"
#include "trawl/backends.h"
#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/settings.h"

namespace trawl {

// One request for the path "rate_limit"; the whole response is collected by
// a meta writer and presented when the writer is finished.
void trove_info() {
  if (debug_level >= 1) debug_line(true, "trove_info()\n");
  writer& wr = writer_init(-1, present_info, true);
  auto fresh = std::make_unique<query>();
  fresh->descr = "rate_limit";
  fresh->qp = qparam{};
  query& q = writer_add_query(wr, std::move(fresh));
  std::optional<std::string> url = psys->url("rate_limit", qparam_defaults, time_fence{}, true);
  if (!url) clean_exit(1);
  fetch_init(q, std::move(*url));
  io_engine(0);
  writer_fini(wr);
}

}  // namespace trawl
