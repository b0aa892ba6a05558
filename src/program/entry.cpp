#include "program/entry.h"

#include <strings.h>
#include <sys/time.h>
#include <unistd.h>
#include <wordexp.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "backends/systems.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "program/batch.h"
#include "program/cli.h"
#include "program/exit.h"
#include "program/json_input.h"
#include "program/launch.h"
#include "program/option_scan.h"
#include "records/verbs.h"
#include "sort/sort_keys.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

constexpr const char* config_candidates[] = {
    "~/.vela-trove-query.conf",
    "~/.trove-query.conf",
    "/etc/vela-trove-query.conf",
    "/etc/trove-query.conf",
};

void read_environment(run_options& opts) {
  if (const char* v = getenv("TRAWL_TIME_FORMAT"); v != nullptr && strcasecmp(v, "iso") == 0)
    opts.iso_time = true;
  if (const char* v = getenv("TRAWL_CONFIG_FILE")) opts.config_file = v;
  if (const char* v = getenv("TRAWL_TIMEOUT")) set_timeout(opts, v, "TRAWL_TIMEOUT");
}

void find_config_file(run_options& opts) {
  for (const char* candidate : config_candidates) {
    wordexp_t we;
    if (wordexp(candidate, &we, WRDE_NOCMD) != 0) continue;
    if (we.we_wordc > 0 && access(we.we_wordv[0], R_OK) == 0) opts.config_file = we.we_wordv[0];
    wordfree(&we);
    if (opts.config_file) {
      debug_line(1, "conf found: '%s'\n", opts.config_file->c_str());
      return;
    }
  }
}

void select(const run_options& opts, run_state& state, const char* name, const char* context) {
  if (std::optional<std::string> error = pick_system(opts, state, name, context)) {
    if (!error->empty()) log_line("%s", error->c_str());
    clean_exit(1);
  }
}

void select_system(const run_options& opts, run_state& state, cli_state& cli) {
  if (cli.system_name) {
    state.psys_specified = true;
    select(opts, state, cli.system_name->c_str(), "-u option");
    cli.system_name.reset();
  } else {
    select(opts, state, "trove2", "default system");
    state.psys_specified = true;
  }
}

void check_json_conflicts(const run_options& opts, const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -J");
  if (opts.batching != batch_none) usage_error("can't mix -f with -J");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -J");
  if (cli.info) usage_error("can't mix -I with -J");
  if (cli.qd.rrtype) usage_error("can't mix -t with -J");
  if (opts.verb_selected != &verbs[0]) usage_error("can't mix -V with -J");
  if (opts.max_count > 0) usage_error("can't mix -M with -J");
  if (cli.qp.gravel) usage_error("can't mix -g with -J");
  if (cli.qp.offset != 0) usage_error("can't mix -O with -J");
}

void check_batch_conflicts(const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -f");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -f");
  if (cli.qd.rrtype) usage_error("can't mix -t with -f");
  if (cli.info) usage_error("can't mix -I with -f");
}

void check_info_conflicts(const run_options& opts, const run_state& state, const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -I");
  if (opts.presentation != format_text && opts.presentation != format_json)
    usage_error("info must be presented in json or text format");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -I");
  if (cli.qd.rrtype) usage_error("can't mix -t with -I");
  if (state.psys->info == nullptr) usage_error("there is no 'info' for this service");
}

void check_single_query(const cli_state& cli) {
  const qdesc& qd = cli.qd;
  if (qd.mode == mode_none) usage_error("must specify -r, -n, -i, or -R unless -f or -J is used");
  if (qd.bailiwick) {
    switch (qd.mode) {
      case mode_rdata_ip:
        usage_error("can't mix -b with -i");
      case mode_rrset_raw:
        usage_error("can't mix -b with -R");
      case mode_rdata_raw:
        usage_error("can't mix -b with -N");
      case mode_rdata_name:
        usage_error("can't mix -b with -n");
      default:
        break;
    }
  } else if (qd.mode == mode_rdata_ip && qd.rrtype) {
    usage_error("can't mix -i with -t");
  }
  // "-r NAME/", "-t ''" or "-t ,,": asking for no type would ask nothing.
  if (qd.rrtype && tokenizer_split(qd.rrtype->c_str(), ",").empty())
    usage_error("no record type given");
}

void run_single_query(const run_options& opts, run_state& state, const cli_state& cli) {
  writer& wr = writer_init(opts, state, cli.qp.output_limit, ps_stdout, false);
  // A refused type list asks nothing: the run has failed.
  if (launch_query(opts, state, cli.qd, cli.qp, wr) == nullptr) state.exit_status = 1;
  io_engine(opts, state, 0);
  writer_fini(wr);
}

void dispatch(const run_options& opts, run_state& state, cli_state& cli) {
  if (cli.json_input) {
    check_json_conflicts(opts, cli);
    do_json_input(opts, state, cli.qp, cli.json_input->get(), cli.json_name.c_str());
    cli.json_input.reset();
  } else if (opts.batching != batch_none) {
    check_batch_conflicts(cli);
    do_batch(opts, state, cli.qp);
  } else if (cli.info) {
    check_info_conflicts(opts, state, cli);
    state.psys->info(opts, state);
  } else {
    check_single_query(cli);
    run_single_query(opts, state, cli);
  }
}

// Checks and set-up after scanning, in their fixed order, up to and
// including the run-mode conflicts; then runs the selected mode.
void run_checks_and_dispatch(run_options& opts, run_state& state, int argc, cli_state& cli) {
  if (optind < argc) usage_error("there are no non-option arguments to this program");

  // Batch lines are checked one by one instead.
  if (opts.batching == batch_none)
    if (const char* err = qdesc_8bit_check(cli.qd, opts.allow_8bit)) usage_error("%s", err);

  if (opts.asinfo_lookup && !asinfo_domain_exists(opts.asinfo_domain.c_str())) {
    log_line("ASINFO domain (%s) does not exist", opts.asinfo_domain.c_str());
    clean_exit(1);
  }

  if (opts.presentation == format_unset) {
    opts.presentation = format_text;
    opts.presentation_name = "text";
  } else if (opts.presentation == format_minimal) {
    state.minimal_set = dedup_set_new(10000);
  }

  qparam& qp = cli.qp;
  if (qp.output_limit == -1 && qp.query_limit != -1 && !opts.multiple)
    qp.output_limit = qp.query_limit;

  if (qp.complete) {
    if (qp.after == 0 && qp.before == 0) usage_error("-c without -A or -B makes no sense.");
    if (qp.after != 0 && qp.before != 0 && qp.before < qp.after)
      usage_error("-A value must be before -B value if using complete time matching");
  }

  qdesc_debug("main", cli.qd);
  qparam_debug("main", qp);
  debug_line(1, "batching=%d, multiple=%d\n", opts.batching != batch_none ? 1 : 0,
             opts.multiple ? 1 : 0);

  opts.presenter_selected = verb_presenter(*opts.verb_selected, opts.presentation);
  if (opts.presenter_selected == nullptr)
    usage_error("that verb (%s) has no presenter for \"%s\"", opts.verb_selected->name,
                opts.presentation_name->c_str());

  if (opts.presentation != format_json && opts.transform(transform_qdetail))
    usage_error("'-T qdetail' currently requires '-j' or '-p json'");

  if (opts.sorting != sort_none) {
    if (!opts.presenter_selected->sortable)
      usage_error("that presentation format (%s) cannot be sorted",
                  opts.presentation_name->c_str());
    if (opts.transform(transform_qdetail))
      usage_error("\"-T qdetail\" is incompatible with sorting");
    sort_key_defaults(opts);
  }

  if (!opts.config_file) find_config_file(opts);

  select_system(opts, state, cli);

  if (!cli.json_input)
    engine_init(state);
  else if (strcmp(state.psys->name, "trove2") == 0)
    select(opts, state, "trove1", "downgrade for -J");

  if (opts.multiple && opts.batching == batch_none)
    usage_error("using -m without -f makes no sense.");

  if (const char* err = opts.verb_selected->check(opts)) usage_error("%s", err);
  if (const char* err = state.psys->verb_ok(opts.verb_selected->name, qp)) usage_error("%s", err);

  dispatch(opts, state, cli);
}

void run_program(int argc, char* argv[]) {
  run_options& opts = the_run().opts;
  run_state& state = the_run().state;
  diag_attach(opts);
  // Records are written whole into a large buffer; a terminal keeps its
  // line buffering, so that a person sees each line as it comes.
  if (isatty(STDOUT_FILENO) == 0) setvbuf(stdout, nullptr, _IOFBF, size_t{1} << 16);
  cli_state cli;
  opts.read_chunk = 4 * static_cast<size_t>(sysconf(_SC_PAGESIZE));
  gettimeofday(&opts.start_time, nullptr);
  const char* slash = strrchr(argv[0], '/');
  opts.program_name = slash != nullptr ? slash + 1 : argv[0];
  read_environment(opts);
  opts.verb_selected = &verbs[0];

  scan_options(argc, argv, opts, cli);
  run_checks_and_dispatch(opts, state, argc, cli);

  if (state.multi) engine_fini(state);
  cli.qd = qdesc{};
}

}  // namespace

int trawl_main(int argc, char* argv[]) {
  // Lower layers hand up what the run cannot go on from; reporting it and
  // ending the run is this layer's alone.
  try {
    run_program(argc, argv);
  } catch (const panic_error& e) {
    panic_exit(e.operation.c_str(), e.error_number);
  } catch (const fatal_error& e) {
    if (!e.message.empty()) log_line("%s", e.message.c_str());
    clean_exit(1);
  } catch (const output_error& e) {
    output_failure(e.error_number);
    clean_exit(1);
  } catch (const std::bad_alloc&) {
    panic_exit("malloc", ENOMEM);
  }
  clean_exit(the_run().state.exit_status);
}

}  // namespace trawl
