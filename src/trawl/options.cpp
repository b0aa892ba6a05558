#include <fcntl.h>
#include <getopt.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "trawl/cli.h"
#include "trawl/countoff.h"
#include "trawl/dedup_set.h"
#include "trawl/diag.h"
#include "trawl/settings.h"
#include "trawl/sort.h"
#include "trawl/tokenizer.h"
#include "trawl/usage.h"
#include "trawl/verb.h"

namespace trawl {

namespace {

constexpr const char* option_string =
    "C:D:R:r:N:n:i:M:u:p:t:b:k:J:V:T:0:o:adfhIjmqSsUv468A:B:L:l:O:cgG";

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
  unsigned bit;
};

constexpr transform_row transform_table[] = {
    {"reverse", transform_reverse},
    {"datefix", transform_datefix},
    {"chomp", transform_chomp},
    {"qdetail", transform_qdetail},
};

void set_presentation(const char* arg) {
  for (const format_row& row : format_table) {
    if (strcasecmp(row.name, arg) == 0) {
      presentation = row.format;
      presentation_name = arg;
      return;
    }
  }
  usage_error("-p must specify json, text, csv, or minimal");
}

void add_transforms(const char* arg) {
  for (const std::string& item : tokenizer_split(arg, ",")) {
    const transform_row* found = nullptr;
    for (const transform_row& row : transform_table)
      if (strcasecmp(row.name, item.c_str()) == 0) found = &row;
    if (found == nullptr) usage_error("unrecognized transform in -T");
    transforms |= found->bit;
  }
}

void add_sort_keys(const char* arg) {
  if (sorting == sort_none) usage_error("-k must be preceded by -s or -S");
  for (const std::string& key : tokenizer_split(arg, ",")) {
    if (sort_key_find(key.c_str()) != nullptr)
      usage_error("Each sort key may only be specified once");
    if (const char* err = sort_key_add(key.c_str())) usage_error("%s", err);
  }
}

// The search options share one descriptor.
void claim_mode(qdesc& qd, search_mode mode) {
  if (qd.mode != mode_none) usage_error("-r, -n, -i, -N, or -R can only appear once");
  qd.mode = mode;
}

// -r, -n, -N, -R: NAME[/RRTYPE[,...][/BAILIWICK]].
void set_search(cli_state& cli, search_mode mode, char letter, const char* arg) {
  qdesc& qd = cli.qd;
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

void set_address(cli_state& cli, const char* arg) {
  qdesc& qd = cli.qd;
  claim_mode(qd, mode_rdata_ip);
  if (const char* slash = strchr(arg, '/')) {
    qd.thing = std::string(arg, slash);
    qd.pfxlen = std::string(slash + 1);
  } else {
    qd.thing = arg;
  }
}

void open_json_input(cli_state& cli, const char* arg) {
  if (cli.json_fd > STDIN_FILENO) close(cli.json_fd);
  if (strcmp(arg, "-") == 0) {
    cli.json_fd = STDIN_FILENO;
    return;
  }
  cli.json_fd = open(arg, O_RDONLY | O_CLOEXEC);
  if (cli.json_fd < 0) panic_exit(arg);
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

void handle_option(int opt, const char* arg, cli_state& cli) {
  switch (opt) {
    case 'A':
    case 'B':
    case 'l':
    case 'L':
    case 'O':
    case 'c':
    case 'g':
    case 'G':
      if (const char* err = qparam_option(opt, arg, cli.qp)) usage_error("%s", err);
      break;
    case 'r':
      set_search(cli, mode_rrset_name, 'r', arg);
      break;
    case 'n':
      set_search(cli, mode_rdata_name, 'n', arg);
      break;
    case 'R':
      set_search(cli, mode_rrset_raw, 'R', arg);
      break;
    case 'N':
      set_search(cli, mode_rdata_raw, 'N', arg);
      break;
    case 'i':
      set_address(cli, arg);
      break;
    case 't':
      if (cli.qd.rrtype) usage_error("can only specify rrtype(s) once");
      cli.qd.rrtype = arg;
      break;
    case 'b':
      if (cli.qd.bailiwick) usage_error("can only specify bailiwick one way");
      cli.qd.bailiwick = arg;
      break;
    case 'M': {
      long value = 0;
      if (!parse_decimal_long(arg, &value) || value <= 0) usage_error("-M must be positive");
      max_count = value;
      break;
    }
    case 'u':
      cli.system_name = arg;
      break;
    case 'V':
      verb_selected = find_verb(arg);
      if (verb_selected == nullptr) usage_error("Unsupported verb for -V argument");
      break;
    case 'p':
      set_presentation(arg);
      break;
    case 'j':
      presentation = format_json;
      presentation_name = "json";
      break;
    case 'T':
      add_transforms(arg);
      break;
    case 's':
      sorting = sort_ascending;
      break;
    case 'S':
      sorting = sort_descending;
      break;
    case 'k':
      add_sort_keys(arg);
      break;
    case 'f':
      if (batching == batch_none)
        batching = batch_plain;
      else if (batching == batch_plain)
        batching = batch_tagged;
      else
        usage_error("too many -f options");
      break;
    case 'm':
      multiple = true;
      break;
    case 'J':
      open_json_input(cli, arg);
      break;
    case 'I':
      cli.info = true;
      break;
    case 'a':
      asinfo_lookup = true;
      break;
    case 'D':
      asinfo_domain = arg;
      break;
    case 'C':
      cookie_file = arg;
      break;
    case 'o':
      set_timeout(arg, "-o");
      break;
    case '4':
      ip_family = 1;
      break;
    case '6':
      ip_family = 2;
      break;
    case '8':
      allow_8bit = true;
      break;
    case 'U':
      no_verify = true;
      break;
    case 'q':
      quiet = true;
      break;
    case 'd':
      ++debug_level;
      break;
    case 'h':
      print_usage();
      clean_exit(0);
    case 'v':
      printf("%s: version %s\n", program_name.c_str(), version_string());
      clean_exit(0);
    case '0':
      run_function(arg);
    default:
      usage_error("unrecognized option");
  }
}

}  // namespace

void scan_options(int argc, char* argv[], cli_state& cli) {
  optind = 0;  // glibc's full reset: a vector may have been scanned before
  int opt;
  while ((opt = getopt(argc, argv, option_string)) != -1) handle_option(opt, optarg, cli);
}

}  // namespace trawl
