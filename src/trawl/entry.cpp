#include "trawl/entry.h"

#include <strings.h>
#include <sys/time.h>
#include <unistd.h>
#include <wordexp.h>

#include <cstdlib>
#include <cstring>

#include "trawl/asinfo.h"
#include "trawl/cli.h"
#include "trawl/dedup_set.h"
#include "trawl/diag.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/settings.h"
#include "trawl/sort.h"
#include "trawl/verb.h"

namespace trawl {

namespace {

constexpr const char* config_candidates[] = {
    "~/.vela-trove-query.conf",
    "~/.trove-query.conf",
    "/etc/vela-trove-query.conf",
    "/etc/trove-query.conf",
};

void read_environment() {
  if (const char* v = getenv("TRAWL_TIME_FORMAT"); v != nullptr && strcasecmp(v, "iso") == 0)
    iso_time = true;
  if (const char* v = getenv("TRAWL_CONFIG_FILE")) config_file = v;
  if (const char* v = getenv("TRAWL_TIMEOUT")) set_timeout(v, "TRAWL_TIMEOUT");
}

void find_config_file() {
  for (const char* candidate : config_candidates) {
    wordexp_t we;
    if (wordexp(candidate, &we, WRDE_NOCMD) != 0) continue;
    if (we.we_wordc > 0 && access(we.we_wordv[0], R_OK) == 0) config_file = we.we_wordv[0];
    wordfree(&we);
    if (config_file) {
      if (debug_level >= 1) debug_line(true, "conf found: '%s'\n", config_file->c_str());
      return;
    }
  }
}

void select_system(cli_state& cli) {
  if (cli.system_name) {
    psys_specified = true;
    pick_system(cli.system_name->c_str(), "-u option");
    cli.system_name.reset();
  } else {
    pick_system("trove2", "default system");
    psys_specified = true;
  }
}

void check_json_conflicts(const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -J");
  if (batching != batch_none) usage_error("can't mix -f with -J");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -J");
  if (cli.info) usage_error("can't mix -I with -J");
  if (cli.qd.rrtype) usage_error("can't mix -t with -J");
  if (verb_selected != &verbs[0]) usage_error("can't mix -V with -J");
  if (max_count > 0) usage_error("can't mix -M with -J");
  if (cli.qp.gravel) usage_error("can't mix -g with -J");
  if (cli.qp.offset != 0) usage_error("can't mix -O with -J");
}

void check_batch_conflicts(const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -f");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -f");
  if (cli.qd.rrtype) usage_error("can't mix -t with -f");
  if (cli.info) usage_error("can't mix -I with -f");
}

void check_info_conflicts(const cli_state& cli) {
  if (cli.qd.mode != mode_none) usage_error("can't mix -n, -r, -i, or -R with -I");
  if (presentation != format_text && presentation != format_json)
    usage_error("info must be presented in json or text format");
  if (cli.qd.bailiwick) usage_error("can't mix -b with -I");
  if (cli.qd.rrtype) usage_error("can't mix -t with -I");
  if (psys->info == nullptr) usage_error("there is no 'info' for this service");
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
}

void run_single_query(const cli_state& cli) {
  writer& wr = writer_init(cli.qp.output_limit, ps_stdout, false);
  launch_query(cli.qd, cli.qp, wr);
  io_engine(0);
  writer_fini(wr);
}

void dispatch(cli_state& cli) {
  if (cli.json_fd >= 0) {
    check_json_conflicts(cli);
    do_json_input(cli);
  } else if (batching != batch_none) {
    check_batch_conflicts(cli);
    do_batch(cli.qp);
  } else if (cli.info) {
    check_info_conflicts(cli);
    psys->info();
  } else {
    check_single_query(cli);
    run_single_query(cli);
  }
}

}  // namespace

void run_checks_and_dispatch(int argc, cli_state& cli) {
  if (optind < argc) usage_error("there are no non-option arguments to this program");

  // Batch lines are checked one by one instead.
  if (batching == batch_none)
    if (const char* err = qdesc_8bit_check(cli.qd)) usage_error("%s", err);

  if (asinfo_lookup && !asinfo_domain_exists(asinfo_domain)) {
    log_line("ASINFO domain (%s) does not exist", asinfo_domain);
    clean_exit(1);
  }

  if (presentation == format_unset) {
    presentation = format_text;
    presentation_name = "text";
  } else if (presentation == format_minimal) {
    minimal_set = dedup_set_new(10000);
  }

  qparam& qp = cli.qp;
  if (qp.output_limit == -1 && qp.query_limit != -1 && !multiple) qp.output_limit = qp.query_limit;

  if (qp.complete) {
    if (qp.after == 0 && qp.before == 0) usage_error("-c without -A or -B makes no sense.");
    if (qp.after != 0 && qp.before != 0 && qp.before < qp.after)
      usage_error("-A value must be before -B value if using complete time matching");
  }

  if (debug_level >= 1) {
    qdesc_debug("main", cli.qd);
    qparam_debug("main", qp);
    debug_line(true, "batching=%d, multiple=%d\n", batching != batch_none ? 1 : 0,
               multiple ? 1 : 0);
  }

  presenter_selected = verb_presenter(*verb_selected, presentation);
  if (presenter_selected == nullptr)
    usage_error("that verb (%s) has no presenter for \"%s\"", verb_selected->name,
                presentation_name->c_str());

  if (presentation != format_json && (transforms & transform_qdetail) != 0)
    usage_error("'-T qdetail' currently requires '-j' or '-p json'");

  if (sorting != sort_none) {
    if (!presenter_selected->sortable)
      usage_error("that presentation format (%s) cannot be sorted", presentation_name->c_str());
    if ((transforms & transform_qdetail) != 0)
      usage_error("\"-T qdetail\" is incompatible with sorting");
    sort_key_defaults();
  }

  if (!config_file) find_config_file();

  select_system(cli);

  if (cli.json_fd < 0)
    engine_init();
  else if (strcmp(psys->name, "trove2") == 0)
    pick_system("trove1", "downgrade for -J");

  if (multiple && batching == batch_none) usage_error("using -m without -f makes no sense.");

  if (const char* err = verb_selected->check()) usage_error("%s", err);
  if (const char* err = psys->verb_ok(verb_selected->name, qp)) usage_error("%s", err);

  dispatch(cli);
}

int trawl_main(int argc, char* argv[]) {
  cli_state cli;
  read_chunk = 4 * static_cast<size_t>(sysconf(_SC_PAGESIZE));
  gettimeofday(&start_time, nullptr);
  const char* slash = strrchr(argv[0], '/');
  program_name = slash != nullptr ? slash + 1 : argv[0];
  read_environment();
  verb_selected = &verbs[0];

  scan_options(argc, argv, cli);
  run_checks_and_dispatch(argc, cli);

  if (cli.json_fd < 0) engine_fini();
  cli.qd = qdesc{};
  clean_exit(exit_status);
}

}  // namespace trawl
