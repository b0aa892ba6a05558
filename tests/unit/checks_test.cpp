#include "program/checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/systems.h"
#include "records/verbs.h"

namespace trawl {
namespace {

struct command_line {
  run_options opts;
  cli_state cli;
  command_line() {
    opts.verb_selected = &verbs[0];
    opts.presentation = presentation_format::text;
    opts.presentation_name = "text";
  }
};

using setup = void (*)(command_line&);

struct check_row {
  const char* what;
  setup set;
  const char* error;  // nullptr: accepted
};

// The run mode's refusals, first match wins, as the options give them.
TEST(ModeChecks, RefuseWhatTheRunModeCannotTake) {
  const check_row rows[] = {
      {"a single query", [](command_line& c) { c.cli.qd.mode = search_mode::rrset_name; }, nullptr},
      {"nothing to ask", [](command_line&) {},
       "must specify -r, -n, -i, or -R unless -f or -J is used"},
      {"-m alone",
       [](command_line& c) {
         c.opts.multiple = true;
         c.cli.qd.mode = search_mode::rrset_name;
       },
       "using -m without -f makes no sense."},
      {"-f with -r",
       [](command_line& c) {
         c.opts.batching = batch_mode::plain;
         c.cli.qd.mode = search_mode::rrset_name;
         c.cli.qd.bailiwick = "zone";
       },
       "can't mix -n, -r, -i, or -R with -f"},
      {"-f with -t",
       [](command_line& c) {
         c.opts.batching = batch_mode::tagged;
         c.cli.qd.rrtype = "A";
       },
       "can't mix -t with -f"},
      {"-J with -b first among several",
       [](command_line& c) {
         c.cli.json_input.emplace();
         c.cli.qd.bailiwick = "zone";
         c.cli.qd.rrtype = "A";
       },
       "can't mix -b with -J"},
      {"-J with -O",
       [](command_line& c) {
         c.cli.json_input.emplace();
         c.cli.qp.offset = 3;
       },
       "can't mix -O with -J"},
      {"-I as CSV",
       [](command_line& c) {
         c.cli.info = true;
         c.opts.presentation = presentation_format::csv;
       },
       "info must be presented in json or text format"},
      {"-b with -n",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rdata_name;
         c.cli.qd.bailiwick = "zone";
       },
       "can't mix -b with -n"},
      {"-b with -R",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_raw;
         c.cli.qd.bailiwick = "zone";
       },
       "can't mix -b with -R"},
      {"a bailiwick after a second slash of -R",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_raw;
         c.cli.qd.bailiwick = "zone";
         c.cli.slash_bailiwick = true;
       },
       "can't mix -b with -R (the bailiwick after a second '/' in -R counts as -b)"},
      {"a bailiwick after a second slash of -N",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rdata_raw;
         c.cli.qd.bailiwick = "zone";
         c.cli.slash_bailiwick = true;
       },
       "can't mix -b with -N (the bailiwick after a second '/' in -N counts as -b)"},
      {"-i with -t",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rdata_ip;
         c.cli.qd.rrtype = "A";
       },
       "can't mix -i with -t"},
      {"an empty type list",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_name;
         c.cli.qd.rrtype = ",,";
       },
       "no record type given"},
      {"the verb's own check",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_name;
         c.opts.max_count = 5;
       },
       "max_count is not allowed for the lookup verb"},
      {"the system's view of the verb",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_name;
         c.opts.verb_selected = find_verb("summarize");
         c.cli.qp.offset = 2;
       },
       "only 'lookup' understands offsets"},
      {"--all with a summary",
       [](command_line& c) {
         c.cli.qd.mode = search_mode::rrset_name;
         c.opts.all = true;
         c.opts.verb_selected = find_verb("summarize");
       },
       "can't mix --all with -V summarize"},
      {"--all with -J",
       [](command_line& c) {
         c.opts.all = true;
         c.cli.json_input.emplace();
       },
       "can't mix --all with -J"},
      {"--all with -I",
       [](command_line& c) {
         c.opts.all = true;
         c.cli.info = true;
       },
       "can't mix --all with -I"},
  };
  for (const check_row& r : rows) {
    command_line c;
    r.set(c);
    const std::optional<std::string> error = mode_checks(c.opts, c.cli, system_trove2);
    if (r.error == nullptr)
      EXPECT_FALSE(error) << r.what << ": " << *error;
    else
      EXPECT_EQ(error, r.error) << r.what;
  }
  command_line circl_info;
  circl_info.cli.info = true;
  EXPECT_EQ(mode_checks(circl_info.opts, circl_info.cli, system_circl),
            "there is no 'info' for this service");
}

TEST(OptionChecks, ArgumentsWindowAndPresentation) {
  command_line c;
  c.cli.operands = 1;
  EXPECT_EQ(argument_checks(c.opts, c.cli), "there are no non-option arguments to this program");
  c.cli.operands = 0;
  c.cli.qd.mode = search_mode::rdata_name;
  c.cli.qd.thing = "caf\xe9";
  EXPECT_EQ(argument_checks(c.opts, c.cli), "search argument is not 7-bit clean");
  c.opts.batching = batch_mode::plain;  // batch lines are checked one by one
  EXPECT_FALSE(argument_checks(c.opts, c.cli));
  c.opts.batching = batch_mode::none;
  c.cli.qd.thing = "caf\xc3\xa9";
  c.cli.qd.bailiwick =
      "b\xc3\xbc"
      "cher.example";
  EXPECT_FALSE(argument_checks(c.opts, c.cli));
  EXPECT_EQ(c.cli.qd.thing, "xn--caf-dma");
  EXPECT_EQ(c.cli.qd.bailiwick, "xn--bcher-kva.example");
  c.cli.qd.bailiwick = "b\xe9";  // no UTF-8: sent as typed, as it always was
  EXPECT_FALSE(argument_checks(c.opts, c.cli));
  EXPECT_EQ(c.cli.qd.bailiwick, "b\xe9");
  c.cli.qd.bailiwick.reset();

  // -i values of a single query; -J and -I refuse -i later, by name.
  c.opts.batching = batch_mode::none;
  c.cli.qd.mode = search_mode::rdata_ip;
  c.cli.qd.thing = "10.0.0.0";
  c.cli.qd.pfxlen = "40";
  EXPECT_EQ(argument_checks(c.opts, c.cli),
            "bad -i value: prefix length '40' is more than 32 for IPv4 address '10.0.0.0'");
  c.cli.qd.pfxlen = "8";
  EXPECT_FALSE(argument_checks(c.opts, c.cli));
  c.cli.qd.thing = "300.1.2.3";
  c.cli.qd.pfxlen.reset();
  EXPECT_EQ(argument_checks(c.opts, c.cli),
            "bad -i value: '300.1.2.3' is not an IPv4 or IPv6 address");
  c.cli.info = true;
  EXPECT_FALSE(argument_checks(c.opts, c.cli));
  c.cli.info = false;
  c.cli.qd = qdesc{};

  c.cli.qp.complete = true;
  EXPECT_EQ(window_checks(c.cli), "-c without -A or -B makes no sense.");
  c.cli.qp.after = 20;
  c.cli.qp.before = 10;
  EXPECT_EQ(window_checks(c.cli),
            "-A value must be before -B value if using complete time matching");
  c.cli.qp.before = 20;
  EXPECT_FALSE(window_checks(c.cli));

  c.opts.verb_selected = find_verb("summarize");
  c.opts.presentation = presentation_format::minimal;
  c.opts.presentation_name = "MINIMAL";
  EXPECT_EQ(presentation_checks(c.opts), "that verb (summarize) has no presenter for \"MINIMAL\"");
  c.opts.verb_selected = &verbs[0];
  c.opts.sorting = sort_mode::ascending;
  EXPECT_EQ(presentation_checks(c.opts), "that presentation format (MINIMAL) cannot be sorted");
  c.opts.presentation = presentation_format::json;
  c.opts.transforms = transform::qdetail;
  EXPECT_EQ(presentation_checks(c.opts), "\"-T qdetail\" is incompatible with sorting");
}

}  // namespace
}  // namespace trawl
