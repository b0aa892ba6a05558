#include "program/modes.h"

#include "core/diag.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "program/launch.h"
#include "program/progress.h"
#include "records/account_info.h"

namespace trawl {

bool report_shortfall(const query& q) {
  if (q.incomplete) {
    log_line("answer incomplete after %lld records: %s", static_cast<long long>(q.records),
             q.incomplete->c_str());
    return true;
  }
  if (q.not_stored) {
    log_line("not in the cache: %s", q.detail.descr.value_or("").c_str());
    return true;
  }
  return false;
}

query_listener single_query_reports(const run_options& opts) {
  query_listener reports;
  // An answer that stopped short is a failure: it is told even then.
  if (opts.quiet) {
    reports.finished = [](query& q, const fetch&) { report_shortfall(q); };
    return reports;
  }
  reports.finished = [](query& q, const fetch& f) {
    const char* saf_msg = f.saf_msg ? f.saf_msg->c_str() : "";
    if (report_shortfall(q)) return;
    if (f.cond == saf_cond::limited)
      log_line("Database API limit: %s", saf_msg);
    else if (f.cond == saf_cond::failed)
      log_line("Database result: %s", saf_msg);
    else if (f.cond == saf_cond::missing)
      log_line("API response missing: %s", saf_msg);
    else if (q.status && !q.multitype)
      log_line("API status: %s (%s)", q.status->c_str(), q.message->c_str());
  };
  return reports;
}

int run_single_query(const run_options& opts, run_state& state, const cli_state& cli) {
  writer& wr = writer_init(opts, state, cli.qp.output_limit, false, single_query_reports(opts));
  result<launched_query> launched = launch_query(opts, state, cli.qd, cli.qp, wr);
  if (!launched) {
    log_line("%s", launched.error().c_str());
    return 1;
  }
  // A refused type list asks nothing: the run has failed.
  if (launched->refused) {
    log_line("%s", launched->refused->c_str());
    state.exit_status = 1;
  }
  {
    const progress_line progress(opts, state, [&wr] {
      progress_counts counts;
      counts.records = wr.count;
      counts.bytes = wr.received;
      return counts;
    });
    io_engine(opts, state, 0);
  }
  writer_fini(state, wr);
  return state.exit_status;
}

void run_info(const run_options& opts, run_state& state) {
  const std::optional<std::string> response = state.psys->info(opts, state);
  if (!response) return;
  // A response that cannot be shown leaves the account state unknown.
  if (!present_account(*response, opts.presentation, opts.iso_time, state.sink))
    state.exit_status = 1;
}

}  // namespace trawl
