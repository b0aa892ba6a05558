#include "program/entry.h"

#include <strings.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>

#include "backends/systems.h"
#include "core/config_paths.h"
#include "core/diag.h"
#include "core/option_values.h"
#include "core/settings.h"
#include "core/trust.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "program/batch.h"
#include "program/cache_setup.h"
#include "program/checks.h"
#include "program/cli.h"
#include "program/crawl.h"
#include "program/json_input.h"
#include "program/modes.h"
#include "program/option_scan.h"
#include "program/usage.h"
#include "records/countoff.h"
#include "records/verbs.h"
#include "sort/sort_keys.h"

namespace trawl {

namespace {

// "error: TEXT", an empty line and the hint line; the run's status.
int usage_error(const run_options& opts, const std::string& text) {
  fprintf(stderr, "error: %s\n\ntry   %s -h   for a short description of program usage.\n",
          text.c_str(), opts.program_name.c_str());
  return 1;
}

// The retry count while options are scanned when the environment gave
// none: still unset afterwards, it is the configuration's to give.
constexpr long retries_unset = -1;

std::optional<std::string> read_environment(run_options& opts) {
  if (const char* v = getenv("TRAWL_TIME_FORMAT"); v != nullptr && strcasecmp(v, "iso") == 0)
    opts.iso_time = true;
  if (const char* v = getenv("TRAWL_CONFIG_FILE")) opts.config_file = v;
  if (const char* v = getenv("TRAWL_TIMEOUT")) {
    if (std::optional<std::string> err = set_timeout(opts, v, "TRAWL_TIMEOUT")) return err;
  }
  return std::nullopt;
}

// TRAWL_RETRY from the environment, unless --retry set the count: the
// command line wins, and a value it overrides is no error.
std::optional<std::string> environment_retries(run_options& opts) {
  if (opts.retries != retries_unset) return std::nullopt;
  if (const char* v = getenv("TRAWL_RETRY")) return retry_count(v, &opts.retries);
  return std::nullopt;
}

void start_up(run_options& opts, const char* argv0) {
  opts.read_chunk = 4 * static_cast<size_t>(sysconf(_SC_PAGESIZE));
  gettimeofday(&opts.start_time, nullptr);
  const char* slash = strrchr(argv0, '/');
  opts.program_name = slash != nullptr ? slash + 1 : argv0;
  opts.verb_selected = &verbs[0];
}

void find_config_file(run_options& opts) {
  const char* home = getenv("HOME");
  std::optional<std::string> account;
  if (home == nullptr && (account = account_home())) home = account->c_str();
  for (const std::string& candidate : config_candidates(home, getenv("XDG_CONFIG_HOME"))) {
    if (access(candidate.c_str(), R_OK) != 0) continue;
    opts.config_file = candidate;
    debug_line(1, "conf found: '%s'\n", candidate.c_str());
    return;
  }
}

// -u wins over the configuration, which wins over the built-in default.
std::optional<std::string> select_system(const run_options& opts, run_state& state,
                                         cli_state& cli) {
  if (cli.system_name) {
    state.psys_specified = true;
    std::optional<std::string> error =
        pick_system(opts, state, cli.system_name->c_str(), "-u option");
    cli.system_name.reset();
    return error;
  }
  std::optional<std::string> error = pick_system(opts, state, "trove2", "default system");
  state.psys_specified = true;
  return error;
}

// The defaults that follow from the options as given.
void complete_options(run_options& opts, run_state& state, cli_state& cli) {
  if (opts.presentation == presentation_format::unset) {
    opts.presentation = presentation_format::text;
    opts.presentation_name = "text";
  } else if (opts.presentation == presentation_format::minimal) {
    state.minimal_set = dedup_set_new(10000);
  }
  // With -m the limit on what the server returns per query does not limit
  // the merged output.
  qparam& qp = cli.qp;
  if (qp.output_limit == -1 && qp.query_limit != -1 && !opts.multiple)
    qp.output_limit = qp.query_limit;
}

int run_selected_mode(const run_options& opts, run_state& state, cli_state& cli) {
  switch (run_mode_of(opts, cli)) {
    case run_mode::cache:
      return run_cache_mode(opts, state);
    case run_mode::json_input:
      do_json_input(opts, state, cli.qp, cli.json_input->get(), cli.json_name.c_str());
      cli.json_input.reset();
      return state.exit_status;
    case run_mode::crawl:
      return run_crawl(opts, state, cli);
    case run_mode::batch:
      return do_batch(opts, state, cli.qp);
    case run_mode::info:
      run_info(opts, state);
      return state.exit_status;
    case run_mode::single_query:
      return run_single_query(opts, state, cli);
  }
  return 1;
}

// What -h, -v and -0 ask for, instead of a run.
int run_action(const option_scan& scan, output_sink& out) {
  switch (scan.action) {
    case scan_action::show_usage:
      out.write(usage_text(scan.opts));
      break;
    case scan_action::show_version:
      out.write(version_text(scan.opts));
      break;
    case scan_action::run_function: {
      const char* input = scan.function_input.c_str();
      out.write(countoff_report("main", input, countoff(input)));
      break;
    }
    case scan_action::run:
      break;
  }
  return 0;
}

// The checks and set-up after scanning, in their fixed order, then the mode.
// retries_given: the environment or an option set the retry count, which
// the configuration then leaves alone.
int run_checked(run_options& opts, run_state& state, cli_state& cli, bool retries_given) {
  if (std::optional<std::string> err = argument_checks(opts, cli)) return usage_error(opts, *err);
  if (opts.asinfo_lookup && !asinfo_domain_exists(opts.asinfo_domain.c_str())) {
    log_line("ASINFO domain (%s) does not exist", opts.asinfo_domain.c_str());
    return 1;
  }
  complete_options(opts, state, cli);
  if (std::optional<std::string> err = window_checks(cli)) return usage_error(opts, *err);

  qdesc_debug("main", cli.qd);
  qparam_debug("main", cli.qp);
  debug_line(1, "batching=%d, multiple=%d\n", opts.batching != batch_mode::none ? 1 : 0,
             opts.multiple ? 1 : 0);

  if (std::optional<std::string> err = presentation_checks(opts)) return usage_error(opts, *err);
  opts.presenter_selected = verb_presenter(*opts.verb_selected, opts.presentation);
  if (opts.sorting != sort_mode::none) sort_key_defaults(opts);
  presentation_init(opts, state);

  if (!opts.config_file) find_config_file(opts);
  if (std::optional<std::string> err = select_system(opts, state, cli)) {
    if (!err->empty()) log_line("%s", err->c_str());
    return 1;
  }
  if (!retries_given && state.config_retries) {
    if (std::optional<std::string> err =
            retry_count(state.config_retries->c_str(), &opts.retries)) {
      log_line("%s", err->c_str());
      return 1;
    }
  }
  if (!opts.passive) {
    result<std::optional<bool>> passive = trawl_flag_setting(state, "TRAWL_PASSIVE");
    if (!passive) {
      log_line("%s", passive.error().c_str());
      return 1;
    }
    opts.passive = passive->value_or(false);
  }
  // With --all, -l is the size of a page the server sends, not a bound on
  // the answer; a system that takes no limit has it bound the output still.
  if (opts.all && !state.psys->filters_locally && cli.qp.explicit_output_limit == -1)
    cli.qp.output_limit = -1;
  if (opts.asinfo_lookup) {
    result<std::optional<long>> size = trawl_count_setting(state, "TRAWL_ASINFO_CACHE", 1);
    if (!size) {
      log_line("%s", size.error().c_str());
      return 1;
    }
    if (*size) state.asinfo.pool.capacity = static_cast<size_t>(**size);
  }
  state.ca = choose_ca(
      opts,
      ca_environment(getenv("CURL_CA_BUNDLE"), getenv("SSL_CERT_FILE"), getenv("SSL_CERT_DIR")),
      state.ca_configured);
  if (state.ca.file) debug_line(1, "CA file: '%s'\n", state.ca.file->c_str());
  if (state.ca.path) debug_line(1, "CA directory: '%s'\n", state.ca.path->c_str());
  if (!cli.json_input) {
    engine_init(state.engine);
  } else if (strcmp(state.psys->name, "trove2") == 0) {
    // Saved records carry no framing.
    if (std::optional<std::string> err = pick_system(opts, state, "trove1", "downgrade for -J")) {
      if (!err->empty()) log_line("%s", err->c_str());
      return 1;
    }
  }
  if (std::optional<std::string> err = mode_checks(opts, cli, *state.psys))
    return usage_error(opts, *err);
  if (std::optional<std::string> err = settle_cache(opts, state)) {
    log_line("%s", err->c_str());
    return 1;
  }
  if (std::optional<std::string> err = open_cache(opts, state)) {
    log_line("%s", err->c_str());
    return 1;
  }
  if (is_graph(opts.presentation)) {
    cli.graph = std::make_unique<record_graph>();
    state.present.graph = cli.graph.get();
  }
  const int status = run_selected_mode(opts, state, cli);
  // One document for the whole run, failed queries and all.
  if (cli.graph) {
    static constexpr graph_format formats[] = {graph_format::dot, graph_format::graphml,
                                               graph_format::gexf};
    const auto first = static_cast<int>(presentation_format::dot);
    cli.graph->write(formats[static_cast<int>(opts.presentation) - first], opts.iso_time,
                     state.sink);
  }
  return status;
}

int run_program(run_options& opts, run_state& state, cli_state& cli, int argc, char* argv[]) {
  start_up(opts, argv[0]);
  if (std::optional<std::string> err = read_environment(opts)) return usage_error(opts, *err);
  option_scan scan{opts, cli, scan_action::run, {}};
  opts.retries = retries_unset;
  result<scan_action> scanned = scan_options(argc, argv, scan);
  if (!scanned) return usage_error(opts, scanned.error());
  if (std::optional<std::string> err = environment_retries(opts)) return usage_error(opts, *err);
  const bool retries_given = opts.retries != retries_unset;
  if (!retries_given) opts.retries = 0;
  if (*scanned != scan_action::run) return run_action(scan, state.sink);
  return run_checked(opts, state, cli, retries_given);
}

// Writers still open are finished, so that buffered and sorted output is
// delivered however the run ended; then the run's resources are released
// and the last output is flushed, which may fail too.
int tear_down(run_options& opts, run_state& state, int status) {
  opts.presentation_name.reset();
  writer_fini_all(state);
  if (state.exit_status != 0) status = 1;
  if (state.minimal_set) dedup_set_destroy(state.minimal_set);
  engine_fini(state.engine);
  opts.config_file.reset();
  opts.cookie_file.reset();
  if (state.psys != nullptr) state.psys->destroy(state.settings);
  opts.sort_keys.clear();
  state.sink.flush();
  return status;
}

// Runs one stage of the run; a failure of the system or of a library is
// reported here, and only here, and gives status 1.
template <typename Stage>
int guarded(Stage stage) {
  try {
    return stage();
  } catch (const panic_error& e) {
    log_line("panic (%s): %s", e.operation.c_str(), strerror(e.error_number));
  } catch (const fatal_error& e) {
    if (!e.message.empty()) log_line("%s", e.message.c_str());
  } catch (const output_error& e) {
    // A reader that has gone ends the run quietly, as it ends every filter.
    if (e.error_number != EPIPE) log_line("write error: %s", strerror(e.error_number));
  } catch (const std::bad_alloc&) {
    log_line("panic (malloc): %s", strerror(ENOMEM));
  }
  return 1;
}

}  // namespace

int trawl_main(int argc, char* argv[]) {
  // Records are gathered into a large buffer; a terminal gets each line as
  // it is complete, so that a person sees it as it comes.
  output_sink sink(STDOUT_FILENO, isatty(STDOUT_FILENO) != 0);
  run_options opts;
  run_state state(sink);
  cli_state cli;
  diag_attach(opts);
  int status = guarded([&] { return run_program(opts, state, cli, argc, argv); });
  const int torn_down = guarded([&] { return tear_down(opts, state, status); });
  if (torn_down != 0) status = torn_down;
  status_line_clear();
  if (sink.error() == EPIPE) {
    signal(SIGPIPE, SIG_DFL);
    raise(SIGPIPE);
  }
  debug_line(1, "about to call exit(%d)\n", status);
  return status;
}

}  // namespace trawl
