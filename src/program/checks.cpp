#include "program/checks.h"

#include "core/address_check.h"
#include "core/verb.h"
#include "records/verbs.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

struct check_input {
  const run_options& opts;
  const cli_state& cli;
  const pdns_system& sys;
};

// One option the run mode refuses; the first row that applies wins.
struct conflict {
  run_mode mode;
  bool (*applies)(const check_input& in);
  const char* text;
};

bool has_search(const check_input& in) {
  return in.cli.qd.mode != search_mode::none;
}
bool has_bailiwick(const check_input& in) {
  return in.cli.qd.bailiwick.has_value();
}
bool has_rrtype(const check_input& in) {
  return in.cli.qd.rrtype.has_value();
}
bool searches(const check_input& in, search_mode mode) {
  return in.cli.qd.mode == mode;
}

// The refusal names -b, which the user may not have typed.
bool slash_bailiwick_in(const check_input& in, search_mode mode) {
  return in.cli.slash_bailiwick && searches(in, mode);
}

constexpr conflict conflicts[] = {
    {run_mode::cache, has_search,
     "can't mix --cache-info or --cache-clear with -n, -r, -i, -N or -R"},
    {run_mode::cache, [](const check_input& in) { return in.opts.batching != batch_mode::none; },
     "can't mix --cache-info or --cache-clear with -f"},
    {run_mode::cache, [](const check_input& in) { return in.cli.json_input.has_value(); },
     "can't mix --cache-info or --cache-clear with -J"},
    {run_mode::cache, [](const check_input& in) { return in.cli.info; },
     "can't mix --cache-info or --cache-clear with -I"},
    {run_mode::cache,
     [](const check_input& in) { return in.opts.cache.info && in.opts.cache.clear; },
     "can't mix --cache-info with --cache-clear"},

    {run_mode::json_input, has_search, "can't mix -n, -r, -i, or -R with -J"},
    {run_mode::json_input,
     [](const check_input& in) { return in.opts.batching != batch_mode::none; },
     "can't mix -f with -J"},
    {run_mode::json_input, has_bailiwick, "can't mix -b with -J"},
    {run_mode::json_input, [](const check_input& in) { return in.cli.info; },
     "can't mix -I with -J"},
    {run_mode::json_input, has_rrtype, "can't mix -t with -J"},
    {run_mode::json_input, [](const check_input& in) { return in.opts.verb_selected != &verbs[0]; },
     "can't mix -V with -J"},
    {run_mode::json_input, [](const check_input& in) { return in.opts.max_count > 0; },
     "can't mix -M with -J"},
    {run_mode::json_input, [](const check_input& in) { return in.cli.qp.gravel; },
     "can't mix -g with -J"},
    {run_mode::json_input, [](const check_input& in) { return in.cli.qp.offset != 0; },
     "can't mix -O with -J"},

    {run_mode::json_input, [](const check_input& in) { return in.opts.all; },
     "can't mix --all with -J"},

    {run_mode::crawl, [](const check_input& in) { return in.opts.batching == batch_mode::tagged; },
     "can't mix --pivot with -ff"},
    {run_mode::crawl, [](const check_input& in) { return in.cli.info; },
     "can't mix --pivot with -I"},
    {run_mode::crawl, [](const check_input& in) { return in.opts.verb_selected != &verbs[0]; },
     "can't mix --pivot with -V summarize"},
    {run_mode::crawl,
     [](const check_input& in) { return in.opts.batching == batch_mode::none && !has_search(in); },
     "--pivot needs a query: -r, -n or -i, or -f for batch lines"},
    {run_mode::crawl,
     [](const check_input& in) { return in.opts.batching != batch_mode::none && has_search(in); },
     "can't mix -n, -r, -i, or -R with -f"},
    {run_mode::crawl,
     [](const check_input& in) {
       return in.cli.qd.mode == search_mode::rrset_raw || in.cli.qd.mode == search_mode::rdata_raw;
     },
     "--pivot starts from -r, -n or -i, not from raw data"},

    {run_mode::batch, has_search, "can't mix -n, -r, -i, or -R with -f"},
    {run_mode::batch, has_bailiwick, "can't mix -b with -f"},
    {run_mode::batch, has_rrtype, "can't mix -t with -f"},
    {run_mode::batch, [](const check_input& in) { return in.cli.info; }, "can't mix -I with -f"},

    {run_mode::info, has_search, "can't mix -n, -r, -i, or -R with -I"},
    {run_mode::info,
     [](const check_input& in) {
       return in.opts.presentation != presentation_format::text &&
              in.opts.presentation != presentation_format::json;
     },
     "info must be presented in json or text format"},
    {run_mode::info, has_bailiwick, "can't mix -b with -I"},
    {run_mode::info, has_rrtype, "can't mix -t with -I"},
    {run_mode::info, [](const check_input& in) { return in.sys.info == nullptr; },
     "there is no 'info' for this service"},
    {run_mode::info, [](const check_input& in) { return in.opts.all; }, "can't mix --all with -I"},
    {run_mode::info, [](const check_input& in) { return in.opts.cache.offline; },
     "can't mix --offline with -I: the account's limits are never stored"},

    {run_mode::single_query, [](const check_input& in) { return !has_search(in); },
     "must specify -r, -n, -i, or -R unless -f or -J is used"},
    {run_mode::single_query,
     [](const check_input& in) { return has_bailiwick(in) && searches(in, search_mode::rdata_ip); },
     "can't mix -b with -i"},
    {run_mode::single_query,
     [](const check_input& in) { return slash_bailiwick_in(in, search_mode::rrset_raw); },
     "can't mix -b with -R (the bailiwick after a second '/' in -R counts as -b)"},
    {run_mode::single_query,
     [](const check_input& in) { return slash_bailiwick_in(in, search_mode::rdata_raw); },
     "can't mix -b with -N (the bailiwick after a second '/' in -N counts as -b)"},
    {run_mode::single_query,
     [](const check_input& in) { return slash_bailiwick_in(in, search_mode::rdata_name); },
     "can't mix -b with -n (the bailiwick after a second '/' in -n counts as -b)"},
    {run_mode::single_query,
     [](const check_input& in) {
       return has_bailiwick(in) && searches(in, search_mode::rrset_raw);
     },
     "can't mix -b with -R"},
    {run_mode::single_query,
     [](const check_input& in) {
       return has_bailiwick(in) && searches(in, search_mode::rdata_raw);
     },
     "can't mix -b with -N"},
    {run_mode::single_query,
     [](const check_input& in) {
       return has_bailiwick(in) && searches(in, search_mode::rdata_name);
     },
     "can't mix -b with -n"},
    {run_mode::single_query,
     [](const check_input& in) {
       return !has_bailiwick(in) && searches(in, search_mode::rdata_ip) && has_rrtype(in);
     },
     "can't mix -i with -t"},
    // "-r NAME/", "-t ''" or "-t ,,": asking for no type would ask nothing.
    {run_mode::single_query,
     [](const check_input& in) {
       return has_rrtype(in) && tokenizer_split(in.cli.qd.rrtype->c_str(), ",").empty();
     },
     "no record type given"},
};

// --all follows what a lookup answers; a summary has no pages, and the
// version-1 API tells a full page only by its size.
std::optional<std::string> paging_check(const run_options& opts, const cli_state& cli,
                                        const pdns_system& sys) {
  if (!opts.all) return std::nullopt;
  if (opts.verb_selected != &verbs[0]) return "can't mix --all with -V summarize";
  if (sys.paged_by_size && cli.qp.query_limit <= 0)
    return "--all with trove1 needs -l, the page size: a page of fewer results ends the answer";
  return std::nullopt;
}

}  // namespace

run_mode run_mode_of(const run_options& opts, const cli_state& cli) {
  if (opts.cache.info || opts.cache.clear) return run_mode::cache;
  if (cli.json_input) return run_mode::json_input;
  if (opts.pivot > 0) return run_mode::crawl;
  if (opts.batching != batch_mode::none) return run_mode::batch;
  if (cli.info) return run_mode::info;
  return run_mode::single_query;
}

std::optional<std::string> argument_checks(const run_options& opts, cli_state& cli) {
  if (cli.operands > 0) return "there are no non-option arguments to this program";
  // Batch lines are checked one by one instead.
  if (opts.batching == batch_mode::none)
    if (std::optional<std::string> err = qdesc_8bit_check(cli.qd, opts.allow_8bit)) return err;
  // No server could take it: refused before the configuration is even read.
  if (run_mode_of(opts, cli) == run_mode::single_query && cli.qd.mode == search_mode::rdata_ip)
    return rdata_ip_check(cli.qd.thing.value_or(""), cli.qd.pfxlen);
  return std::nullopt;
}

std::optional<std::string> window_checks(const cli_state& cli) {
  const qparam& qp = cli.qp;
  if (!qp.complete) return std::nullopt;
  if (qp.after == 0 && qp.before == 0) return "-c without -A or -B makes no sense.";
  if (qp.after != 0 && qp.before != 0 && qp.before < qp.after)
    return "-A value must be before -B value if using complete time matching";
  return std::nullopt;
}

std::optional<std::string> presentation_checks(const run_options& opts) {
  const presenter* pres = verb_presenter(*opts.verb_selected, opts.presentation);
  const std::string& name = opts.presentation_name.value_or("");
  if (pres == nullptr)
    return std::string("that verb (") + opts.verb_selected->name + ") has no presenter for \"" +
           name + "\"";
  const bool qdetail = opts.transform_on(transform::qdetail);
  if (opts.presentation != presentation_format::json && qdetail)
    return "'-T qdetail' currently requires '-j' or '-p json'";
  if (opts.sorting != sort_mode::none) {
    if (!pres->sortable) return "that presentation format (" + name + ") cannot be sorted";
    if (qdetail) return "\"-T qdetail\" is incompatible with sorting";
  }
  return std::nullopt;
}

std::optional<std::string> mode_checks(const run_options& opts, const cli_state& cli,
                                       const pdns_system& sys) {
  if (opts.cache.asked == false && (opts.cache.offline || opts.cache.refresh))
    return opts.cache.offline ? "can't mix --offline with --no-cache"
                              : "can't mix --refresh with --no-cache";
  if (opts.cache.offline && opts.cache.refresh) return "can't mix --offline with --refresh";
  if (opts.pivot > 0 && cli.json_input) return "can't mix --pivot with -J";
  if (opts.multiple && opts.batching == batch_mode::none)
    return "using -m without -f makes no sense.";
  if (const char* err = opts.verb_selected->check(opts)) return err;
  if (const char* err = sys.verb_ok(opts.verb_selected->name, cli.qp)) return err;
  const check_input in{opts, cli, sys};
  const run_mode mode = run_mode_of(opts, cli);
  for (const conflict& c : conflicts)
    if (c.mode == mode && c.applies(in)) return c.text;
  return paging_check(opts, cli, sys);
}

}  // namespace trawl
