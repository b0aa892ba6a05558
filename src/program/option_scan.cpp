#include "program/option_scan.h"

#include <fcntl.h>
#include <getopt.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "program/exit.h"
#include "program/usage.h"
#include "records/countoff.h"
#include "records/verbs.h"
#include "sort/sort_keys.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

struct format_row {
  const char* name;
  presentation_format format;
};

constexpr format_row format_table[] = {
    {"json", format_json}, {"csv", format_csv},         {"text", format_text},
    {"dns", format_text},  {"minimal", format_minimal},
};

struct transform_row {
  const char* name;
  transform_bit bit;
};

constexpr transform_row transform_table[] = {
    {"reverse", transform_reverse},
    {"datefix", transform_datefix},
    {"chomp", transform_chomp},
    {"qdetail", transform_qdetail},
};

void query_parameter(option_scan& s, int letter, const char* arg) {
  if (std::optional<std::string> err = qparam_option(s.opts, letter, arg, s.cli.qp))
    usage_error("%s", err->c_str());
}

// The search options share one descriptor.
void claim_mode(qdesc& qd, search_mode mode) {
  if (qd.mode != mode_none) usage_error("-r, -n, -i, -N, or -R can only appear once");
  qd.mode = mode;
}

// -r, -n, -N, -R: NAME[/RRTYPE[,...][/BAILIWICK]].
void set_search(option_scan& s, search_mode mode, char letter, const char* arg) {
  qdesc& qd = s.cli.qd;
  claim_mode(qd, mode);
  const char* slash = strchr(arg, '/');
  if (slash == nullptr) {
    qd.thing = arg;
    return;
  }
  if (qd.rrtype || qd.bailiwick)
    usage_error("if -b or -t are specified then -%c cannot contain a slash", letter);
  qd.thing = std::string(arg, slash);
  const char* rest = slash + 1;
  if (const char* second = strchr(rest, '/')) {
    qd.rrtype = std::string(rest, second);
    qd.bailiwick = std::string(second + 1);
  } else {
    qd.rrtype = rest;
  }
}

void set_address(option_scan& s, const char* arg) {
  qdesc& qd = s.cli.qd;
  claim_mode(qd, mode_rdata_ip);
  if (const char* slash = strchr(arg, '/')) {
    qd.thing = std::string(arg, slash);
    qd.pfxlen = std::string(slash + 1);
  } else {
    qd.thing = arg;
  }
}

void set_presentation(option_scan& s, const char* arg) {
  for (const format_row& row : format_table) {
    if (strcasecmp(row.name, arg) == 0) {
      s.opts.presentation = row.format;
      s.opts.presentation_name = arg;
      return;
    }
  }
  usage_error("-p must specify json, text, csv, or minimal");
}

void add_transforms(option_scan& s, const char* arg) {
  for (const std::string& item : tokenizer_split(arg, ",")) {
    const transform_row* found = nullptr;
    for (const transform_row& row : transform_table)
      if (strcasecmp(row.name, item.c_str()) == 0) found = &row;
    if (found == nullptr) usage_error("unrecognized transform in -T");
    s.opts.transforms |= found->bit;
  }
}

void add_sort_keys(option_scan& s, const char* arg) {
  if (s.opts.sorting == sort_none) usage_error("-k must be preceded by -s or -S");
  for (const std::string& key : tokenizer_split(arg, ",")) {
    if (sort_key_find(s.opts, key.c_str()) != nullptr)
      usage_error("Each sort key may only be specified once");
    if (const char* err = sort_key_add(s.opts, key.c_str())) usage_error("%s", err);
  }
}

void open_json_input(option_scan& s, const char* arg) {
  // Standard input is read through a duplicate, so that the input is always
  // a descriptor of our own to close.
  const int fd = strcmp(arg, "-") == 0 ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                       : open(arg, O_RDONLY | O_CLOEXEC);
  if (fd < 0) panic_exit(arg, errno);
  s.cli.json_input.emplace(fd);
  s.cli.json_name = arg;
}

// -0 FUNCTION=INPUT: any prefix of "countoff", the empty one included, names it.
[[noreturn]] void run_function(const char* arg) {
  const char* eq = strchr(arg, '=');
  if (eq == nullptr) usage_error("-0 requires 'function='");
  const size_t len = static_cast<size_t>(eq - arg);
  if (strncmp(arg, "countoff", len < 9 ? len : 9) != 0) usage_error("-0 function unrecognized");
  const char* input = eq + 1;
  counted c = countoff(input);
  countoff_report("main", input, c);
  clean_exit(0);
}

void count_batch_flag(option_scan& s) {
  if (s.opts.batching == batch_none)
    s.opts.batching = batch_plain;
  else if (s.opts.batching == batch_plain)
    s.opts.batching = batch_tagged;
  else
    usage_error("too many -f options");
}

void set_max_count(option_scan& s, const char* arg) {
  long value = 0;
  if (!parse_decimal_long(arg, &value) || value <= 0) usage_error("-M must be positive");
  s.opts.max_count = value;
}

void set_verb(option_scan& s, const char* arg) {
  s.opts.verb_selected = find_verb(arg);
  if (s.opts.verb_selected == nullptr) usage_error("Unsupported verb for -V argument");
}

void only_once(std::optional<std::string>& field, const char* arg, const char* error) {
  if (field) usage_error("%s", error);
  field = arg;
}

[[noreturn]] void show_version(option_scan& s) {
  printf("%s: version %s\n", s.opts.program_name.c_str(), version_string());
  clean_exit(0);
}

[[noreturn]] void show_usage(option_scan& s) {
  print_usage(s.opts);
  clean_exit(0);
}

#define QPARAM(L) [](option_scan& s, const char* a) { query_parameter(s, L, a); }

}  // namespace

const option_row option_table[] = {
    {'A', true, QPARAM('A'),
     "for -A and -B, use absolute format YYYY-MM-DD[ HH:MM:SS],\n"
     "\tor relative format %dw%dd%dh%dm%ds.\n",
     true},
    {'B', true, QPARAM('B'), nullptr, true},
    {'a', false, [](option_scan& s, const char*) { s.opts.asinfo_lookup = true; },
     "use -a to get ASNs associated with reported IP addresses\n", false},
    {'c', false, QPARAM('c'), "use -c to get complete (strict) time matching for -A and -B.\n",
     true},
    // The usage text names the zone in force.
    {'D', true, [](option_scan& s, const char* a) { s.opts.asinfo_domain = a; },
     "for -D, the default is \"%s\"\n", false},
    {'d', false, [](option_scan& s, const char*) { ++s.opts.debug_level; },
     "use -d one or more times to ramp up the diagnostic output.\n", false},
    {'0', true, [](option_scan&, const char* a) { run_function(a); },
     "for -0, the function must be \"countoff\"\n", false},
    {'f', false, [](option_scan& s, const char*) { count_batch_flag(s); },
     "for -f, stdin must contain lines of the following forms:\n"
     "\trrset/name/NAME[/RRTYPE[,...][/BAILIWICK]]\n"
     "\trrset/raw/HEX-PAIRS[/RRTYPE[,...][/BAILIWICK]]\n"
     "\trdata/name/NAME[/RRTYPE[,...]]\n"
     "\trdata/ip/ADDR[,PFXLEN]\n"
     "\trdata/raw/HEX-PAIRS[/RRTYPE[,...]]\n"
     "\t(output format will depend on -p or -j, framed by '--'.)\n"
     "\t(with -ff, framing will be '++ $cmd', '-- $stat ($code)'.\n",
     false},
    {'g', false, QPARAM('g'), "use -g to get graveled results (default is -G, rocks).\n", true},
    {'G', false, QPARAM('G'), nullptr, true},
    {'h', false, [](option_scan& s, const char*) { show_usage(s); },
     "use -h to reliably display this helpful text.\n", false},
    {'I', false, [](option_scan& s, const char*) { s.cli.info = true; },
     "use -I to see a system-specific account/key summary.\n", false},
    {'J', true, open_json_input,
     "for -J, input format is newline-separated JSON, as from -j output.\n", false},
    {'j', false,
     [](option_scan& s, const char*) {
       s.opts.presentation = format_json;
       s.opts.presentation_name = "json";
     },
     "use -j as a synonym for -p json.\n", false},
    {'M', true, set_max_count, "use -M # to end a summarize op when count exceeds threshold.\n",
     false},
    {'m', false, [](option_scan& s, const char*) { s.opts.multiple = true; },
     "use -m with -f for multiple upstream queries in single result.\n"
     "use -m with -f -f for multiple upstream queries out of order.\n",
     false},
    {'O', true, QPARAM('O'), "use -O # to skip this many results in what is returned.\n", true},
    {'q', false, [](option_scan& s, const char*) { s.opts.quiet = true; },
     "use -q for warning reticence.\n", false},
    {'s', false, [](option_scan& s, const char*) { s.opts.sorting = sort_ascending; },
     "use -s to sort in ascending order, or -S for descending order.\n"
     "\t-s/-S can be repeated before several -k arguments.\n",
     false},
    {'S', false, [](option_scan& s, const char*) { s.opts.sorting = sort_descending; }, nullptr,
     false},
    {'T', true, add_transforms, "for -T, transforms are datefix, reverse, chomp, and qdetail.\n",
     false},
    {'U', false, [](option_scan& s, const char*) { s.opts.no_verify = true; },
     "use -U to turn off SSL certificate verification.\n", false},
    {'v', false, [](option_scan& s, const char*) { show_version(s); },
     "use -v to show the program version.\n", false},
    {'4', false, [](option_scan& s, const char*) { s.opts.ip_family = 1; },
     "use -4 to force connecting to the server via IPv4.\n", false},
    {'6', false, [](option_scan& s, const char*) { s.opts.ip_family = 2; },
     "use -6 to force connecting to the server via IPv6.\n", false},
    {'8', false, [](option_scan& s, const char*) { s.opts.allow_8bit = true; },
     "use -8 to allow 8-bit values in -r and -n arguments.\n", false},
    {'u', true, [](option_scan& s, const char* a) { s.cli.system_name = a; },
     "for -u, system must be one of:\n\ttrove\n\ttrove2\n\tcircl\n", false},
    // The usage text follows this line with the verb table.
    {'V', true, set_verb, "for -V, verb must be one of:\n", false},
    {'r', true, [](option_scan& s, const char* a) { set_search(s, mode_rrset_name, 'r', a); },
     nullptr, false},
    {'n', true, [](option_scan& s, const char* a) { set_search(s, mode_rdata_name, 'n', a); },
     nullptr, false},
    {'R', true, [](option_scan& s, const char* a) { set_search(s, mode_rrset_raw, 'R', a); },
     nullptr, false},
    {'N', true, [](option_scan& s, const char* a) { set_search(s, mode_rdata_raw, 'N', a); },
     nullptr, false},
    {'i', true, set_address, nullptr, false},
    {'t', true,
     [](option_scan& s, const char* a) {
       only_once(s.cli.qd.rrtype, a, "can only specify rrtype(s) once");
     },
     nullptr, false},
    {'b', true,
     [](option_scan& s, const char* a) {
       only_once(s.cli.qd.bailiwick, a, "can only specify bailiwick one way");
     },
     nullptr, false},
    {'l', true, QPARAM('l'), nullptr, true},
    {'L', true, QPARAM('L'), nullptr, true},
    {'k', true, add_sort_keys, nullptr, false},
    {'p', true, set_presentation, nullptr, false},
    {'C', true, [](option_scan& s, const char* a) { s.opts.cookie_file = a; }, nullptr, false},
    {'o', true, [](option_scan& s, const char* a) { set_timeout(s.opts, a, "-o"); }, nullptr,
     false},
    {0, false, nullptr, nullptr, false},
};

std::string option_letters(bool batch_only) {
  std::string letters;
  for (const option_row* row = option_table; row->letter != 0; ++row) {
    if (batch_only && !row->in_batch) continue;
    letters += row->letter;
    if (row->takes_argument) letters += ':';
  }
  return letters;
}

void scan_options(int argc, char* argv[], run_options& opts, cli_state& cli) {
  const std::string letters = option_letters(false);
  option_scan scan{opts, cli};
  optind = 0;  // glibc's full reset: a vector may have been scanned before
  int opt;
  for (;;) {
    // The two long options everyone tries first, as whole words only; any
    // other argument is the scanner's to judge.
    const int next = optind == 0 ? 1 : optind;
    if (next < argc && strcmp(argv[next], "--help") == 0) {
      show_usage(scan);
    } else if (next < argc && strcmp(argv[next], "--version") == 0) {
      show_version(scan);
    }
    if ((opt = getopt(argc, argv, letters.c_str())) == -1) break;
    const option_row* found = nullptr;
    for (const option_row* row = option_table; row->letter != 0; ++row)
      if (row->letter == opt) found = row;
    if (found == nullptr) usage_error("unrecognized option");
    found->apply(scan, optarg);
  }
}

}  // namespace trawl
