#include "program/option_scan.h"

#include <fcntl.h>
#include <getopt.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/diag.h"
#include "core/option_values.h"
#include "records/verbs.h"
#include "sort/sort_keys.h"
#include "support/safe_text.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

using refusal = std::optional<std::string>;

constexpr option_word<presentation_format> presentation_word_table[] = {
    {"text", presentation_format::text},       {"dns", presentation_format::text},
    {"json", presentation_format::json},       {"csv", presentation_format::csv},
    {"minimal", presentation_format::minimal}, {"dot", presentation_format::dot},
    {"graphml", presentation_format::graphml}, {"gexf", presentation_format::gexf},
};

constexpr option_word<transform> transform_word_table[] = {
    {"datefix", transform::datefix}, {"reverse", transform::reverse}, {"chomp", transform::chomp},
    {"qdetail", transform::qdetail}, {"unicode", transform::unicode},
};

refusal query_parameter(option_scan& s, int letter, const char* arg) {
  return qparam_option(s.opts, letter, arg, s.cli.qp);
}

// The search options share one descriptor.
refusal claim_mode(qdesc& qd, search_mode mode) {
  if (qd.mode != search_mode::none) return "-r, -n, -i, -N, or -R can only appear once";
  qd.mode = mode;
  return std::nullopt;
}

// -r, -n, -N, -R: NAME[/RRTYPE[,...][/BAILIWICK]].
refusal set_search(option_scan& s, search_mode mode, char letter, const char* arg) {
  qdesc& qd = s.cli.qd;
  if (refusal err = claim_mode(qd, mode)) return err;
  // An empty name would ask the server for ".../name/" itself.
  const char* slash = strchr(arg, '/');
  if (*arg == '\0' || slash == arg) return std::string("-") + letter + " needs a non-empty value";
  if (slash == nullptr) {
    qd.thing = arg;
    return std::nullopt;
  }
  if (qd.rrtype || qd.bailiwick)
    return std::string("if -b or -t are specified then -") + letter + " cannot contain a slash";
  qd.thing = std::string(arg, slash);
  const char* rest = slash + 1;
  if (const char* second = strchr(rest, '/')) {
    qd.rrtype = std::string(rest, second);
    qd.bailiwick = std::string(second + 1);
    s.cli.slash_bailiwick = true;
    if (qd.bailiwick->empty())
      return std::string("the bailiwick after the second '/' of -") + letter + " is empty";
  } else {
    qd.rrtype = rest;
  }
  return std::nullopt;
}

refusal set_address(option_scan& s, const char* arg) {
  qdesc& qd = s.cli.qd;
  if (refusal err = claim_mode(qd, search_mode::rdata_ip)) return err;
  if (const char* slash = strchr(arg, '/')) {
    qd.thing = std::string(arg, slash);
    qd.pfxlen = std::string(slash + 1);
  } else {
    qd.thing = arg;
  }
  return std::nullopt;
}

// "a, b, c": the words a refusal offers instead.
template <typename Rows, typename Word>
std::string word_list(const Rows& rows, Word word) {
  std::string text;
  for (const auto& row : rows) {
    if (!text.empty()) text += ", ";
    text += word(row);
  }
  return text;
}

template <typename T>
const option_word<T>* find_word(std::span<const option_word<T>> words, const char* text) {
  for (const option_word<T>& row : words)
    if (strcasecmp(row.word, text) == 0) return &row;
  return nullptr;
}

refusal set_presentation(option_scan& s, const char* arg) {
  const option_word<presentation_format>* found = find_word(presentation_words, arg);
  if (found == nullptr)
    return "-p must specify json, text, csv, minimal, dot, graphml, or gexf: " + quoted_value(arg) +
           " is not one";
  s.opts.presentation = found->value;
  s.opts.presentation_name = arg;
  return std::nullopt;
}

refusal add_transforms(option_scan& s, const char* arg) {
  for (const std::string& item : tokenizer_split(arg, ",")) {
    const option_word<transform>* found = find_word(transform_words, item.c_str());
    if (found == nullptr)
      return "unrecognized transform in -T: " + quoted_value(item) + " (use " +
             word_list(transform_words, [](const auto& w) { return w.word; }) + ")";
    s.opts.transforms.add(found->value);
  }
  return std::nullopt;
}

refusal add_sort_keys(option_scan& s, const char* arg) {
  if (s.opts.sorting == sort_mode::none) return "-k must be preceded by -s or -S";
  for (const std::string& key : tokenizer_split(arg, ",")) {
    if (sort_key_find(s.opts, key.c_str()) != nullptr)
      return "Each sort key may only be specified once";
    // Below the limit, only the name can be refused; the text lists the
    // keys, and the one refused follows it.
    const bool full = s.opts.sort_keys.size() >= max_sort_keys;
    if (const char* err = sort_key_add(s.opts, key.c_str()))
      return full ? std::string(err) : std::string(err) + ": " + quoted_value(key);
  }
  return std::nullopt;
}

refusal open_json_input(option_scan& s, const char* arg) {
  // Standard input is read through a duplicate, so that the input is always
  // a descriptor of our own to close.
  const int fd = strcmp(arg, "-") == 0 ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                                       : open(arg, O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw panic_error{arg, errno};
  s.cli.json_input.emplace(fd);
  s.cli.json_name = arg;
  s.opts.offline = true;
  return std::nullopt;
}

// -0 FUNCTION=INPUT: any prefix of "countoff", the empty one included, names it.
refusal set_function(option_scan& s, const char* arg) {
  const char* eq = strchr(arg, '=');
  if (eq == nullptr) return "-0 requires 'function='";
  const size_t len = static_cast<size_t>(eq - arg);
  if (strncmp(arg, "countoff", len < 9 ? len : 9) != 0) return "-0 function unrecognized";
  s.action = scan_action::run_function;
  s.function_input = eq + 1;
  return std::nullopt;
}

refusal count_batch_flag(option_scan& s) {
  if (s.opts.batching == batch_mode::none)
    s.opts.batching = batch_mode::plain;
  else if (s.opts.batching == batch_mode::plain)
    s.opts.batching = batch_mode::tagged;
  else
    return "too many -f options";
  return std::nullopt;
}

// --batch-tagged is -ff: it counts as two -f.
refusal set_batch_tagged(option_scan& s) {
  if (refusal err = count_batch_flag(s)) return err;
  return count_batch_flag(s);
}

refusal set_retries(option_scan& s, const char* arg) {
  long value = 0;
  if (refusal err = decimal_value("--retry must be zero or positive", arg, 0, &value)) return err;
  s.opts.retries = value;
  return std::nullopt;
}

refusal set_pivot(option_scan& s, const char* arg) {
  long value = 0;
  if (refusal err = decimal_value("--pivot must be from 1 to 4", arg, 1, &value)) return err;
  if (value > 4) return "--pivot must be from 1 to 4: " + quoted_value(arg) + " is more";
  s.opts.pivot = static_cast<int>(value);
  return std::nullopt;
}

refusal set_bound(long& field, const char* rule, const char* arg) {
  long value = 0;
  if (refusal err = decimal_value(rule, arg, 1, &value)) return err;
  field = value;
  return std::nullopt;
}

refusal set_max_count(option_scan& s, const char* arg) {
  long value = 0;
  if (refusal err = decimal_value("-M must be positive", arg, 1, &value)) return err;
  s.opts.max_count = value;
  return std::nullopt;
}

refusal set_verb(option_scan& s, const char* arg) {
  s.opts.verb_selected = find_verb(arg);
  if (s.opts.verb_selected == nullptr)
    return "Unsupported verb for -V argument: " + quoted_value(arg) + " (use " +
           word_list(verbs, [](const verb& v) { return v.name; }) + ")";
  return std::nullopt;
}

refusal only_once(std::optional<std::string>& field, const char* arg, const char* error) {
  if (field) return error;
  field = arg;
  return std::nullopt;
}

refusal act(option_scan& s, scan_action action) {
  s.action = action;
  return std::nullopt;
}

// An option that only sets a flag.
template <typename F>
refusal flag(option_scan& s, F set) {
  set(s.opts);
  return std::nullopt;
}

#define QPARAM(L) [](option_scan& s, const char* a) { return query_parameter(s, L, a); }
#define FLAG(body) [](option_scan& s, const char*) { return flag(s, [](run_options& o) { body; }); }

constexpr option_row option_rows[] = {
    {'A', "after", true, QPARAM('A'),
     "for -A and -B, use absolute format YYYY-MM-DD[ HH:MM:SS],\n"
     "\tor relative format %dw%dd%dh%dm%ds.\n",
     true},
    {'B', "before", true, QPARAM('B'), nullptr, true},
    {'a', "asinfo", false, FLAG(o.asinfo_lookup = true),
     "use -a to get ASNs associated with reported IP addresses\n", false},
    {'c', "complete", false, QPARAM('c'),
     "use -c to get complete (strict) time matching for -A and -B.\n", true},
    {'C', "cookie-file", true,
     [](option_scan& s, const char* a) {
       s.opts.cookie_file = a;
       return refusal();
     },
     "use -C FILE to send the cookies of a cookie file with every request.\n", false},
    // The usage text names the zone in force where this line is.
    {'D', "asinfo-domain", true,
     [](option_scan& s, const char* a) {
       s.opts.asinfo_domain = a;
       return refusal();
     },
     "for -D, the default is \"{zone}\"\n", false},
    {'d', "debug", false, FLAG(++o.debug_level),
     "use -d one or more times to ramp up the diagnostic output.\n", false},
    {'0', "function", true, set_function, "for -0, the function must be \"countoff\"\n", false},
    {'f', "batch", false, [](option_scan& s, const char*) { return count_batch_flag(s); },
     "for -f, stdin must contain lines of the following forms:\n"
     "\trrset/name/NAME[/RRTYPE[,...][/BAILIWICK]]\n"
     "\trrset/raw/HEX-PAIRS[/RRTYPE[,...][/BAILIWICK]]\n"
     "\trdata/name/NAME[/RRTYPE[,...]]\n"
     "\trdata/ip/ADDR[,PFXLEN]\n"
     "\trdata/raw/HEX-PAIRS[/RRTYPE[,...]]\n"
     "\t(output format will depend on -p or -j, framed by '--'.)\n"
     "\t(with -ff, framing will be '++ $cmd', '-- $stat ($code)'.)\n",
     false},
    {'\0', "batch-tagged", false, [](option_scan& s, const char*) { return set_batch_tagged(s); },
     nullptr, false},
    {'g', "gravel", false, QPARAM('g'), "use -g to get graveled results (default is -G, rocks).\n",
     true},
    {'G', "rocks", false, QPARAM('G'), nullptr, true},
    {'h', "help", false,
     [](option_scan& s, const char*) { return act(s, scan_action::show_usage); },
     "use -h to reliably display this helpful text.\n", false},
    {'I', "info", false,
     [](option_scan& s, const char*) {
       s.cli.info = true;
       return refusal();
     },
     "use -I to see a system-specific account/key summary.\n", false},
    {'J', "json-input", true, open_json_input,
     "for -J, input format is newline-separated JSON, as from -j output.\n", false},
    {'j', "json", false,
     FLAG(o.presentation = presentation_format::json; o.presentation_name = "json"),
     "use -j as a synonym for -p json.\n", false},
    {'M', "max-count", true, set_max_count,
     "use -M # to end a summarize op when count exceeds threshold.\n", false},
    {'m', "parallel", false, FLAG(o.multiple = true),
     "use -m with -f for multiple upstream queries in single result.\n"
     "\t(with -f -f, -m changes nothing: lines run one at a time.)\n",
     false},
    {'O', "offset", true, QPARAM('O'), "use -O # to skip this many results in what is returned.\n",
     true},
    {'o', "timeout", true,
     [](option_scan& s, const char* a) { return set_timeout(s.opts, a, "-o"); },
     "use -o # to give up on a transfer after this many seconds (0: never).\n", false},
    {'q', "quiet", false, FLAG(o.quiet = true), "use -q for warning reticence.\n", false},
    {'s', "sort", false, FLAG(o.sorting = sort_mode::ascending),
     "use -s to sort in ascending order, or -S for descending order.\n"
     "\t-s/-S can be repeated before several -k arguments.\n",
     false},
    {'S', "sort-descending", false, FLAG(o.sorting = sort_mode::descending), nullptr, false},
    // The usage text follows this line with the transforms.
    {'T', "transform", true, add_transforms, "for -T, transforms are ", false},
    {'U', "insecure", false, FLAG(o.no_verify = true),
     "use -U to turn off SSL certificate verification.\n", false},
    {'v', "version", false,
     [](option_scan& s, const char*) { return act(s, scan_action::show_version); },
     "use -v to show the program version.\n", false},
    {'4', "ipv4", false, FLAG(o.ip_family = 1),
     "use -4 to force connecting to the server via IPv4.\n", false},
    {'6', "ipv6", false, FLAG(o.ip_family = 2),
     "use -6 to force connecting to the server via IPv6.\n", false},
    {'8', "8bit", false, FLAG(o.allow_8bit = true),
     "use -8 to allow 8-bit values in -r and -n arguments.\n", false},
    {'\0', "retry", true, set_retries,
     "use --retry # to ask a query again up to # times after a 429 or 503\n"
     "\tanswer or a failed connection (default 0).\n",
     false},
    {'\0', "no-progress", false, FLAG(o.no_progress = true),
     "use --no-progress to show no progress line on a terminal.\n", false},
    {'\0', "all", false, FLAG(o.all = true),
     "use --all to follow an answer across the pages the server cuts it into\n"
     "\t(with trove1, -l gives the page size).\n",
     false},
    {'\0', "passive", false, FLAG(o.passive = true),
     "use --passive to ask circl not to resolve the name live.\n", false},
    {'\0', "pivot", true, set_pivot,
     "use --pivot DEPTH (1 to 4) to crawl from the query (or each -f line) to\n"
     "\tthe infrastructure its answers name, DEPTH steps away:\n"
     "\t  A or AAAA record          rdata/ip/ADDRESS\n"
     "\t  CNAME, DNAME, NS, MX, PTR, SRV: its name   rrset/name/NAME\n"
     "\t  any record of an rdata/ query: its owner  rrset/name/OWNER\n"
     "\t(--budget N: N requests at most, default 100; --fanout N: an answer\n"
     "\tleading to more than N new queries is not followed, default 50).\n",
     false},
    {'\0', "budget", true,
     [](option_scan& s, const char* a) {
       return set_bound(s.opts.budget, "--budget must be positive", a);
     },
     nullptr, false},
    {'\0', "fanout", true,
     [](option_scan& s, const char* a) {
       return set_bound(s.opts.fanout, "--fanout must be positive", a);
     },
     nullptr, false},
    {'\0', "cache", false, FLAG(o.cache.asked = true),
     "use --cache to answer a query asked before from the answer store, and\n"
     "\tkeep new answers there (--no-cache: not this run).\n",
     false},
    {'\0', "no-cache", false, FLAG(o.cache.asked = false), nullptr, false},
    {'\0', "cache-ttl", true,
     [](option_scan& s, const char* a) {
       s.opts.cache.ttl_text = a;
       return refusal();
     },
     "use --cache-ttl DURATION (as 1w2d3h4m5s; default 1d) for how long a\n"
     "\tstored answer is used.\n",
     false},
    {'\0', "refresh", false, FLAG(o.cache.refresh = true),
     "use --refresh to ask the server even for a stored answer, and store anew.\n", false},
    {'\0', "offline", false, FLAG(o.cache.offline = true; o.offline = true),
     "use --offline to answer from the answer store alone, sending nothing.\n", false},
    {'\0', "cache-info", false, FLAG(o.cache.info = true; o.offline = true),
     "use --cache-info to describe the answer store, --cache-clear to empty it.\n", false},
    {'\0', "cache-clear", false, FLAG(o.cache.clear = true; o.offline = true), nullptr, false},
    {'\0', "cacert", true,
     [](option_scan& s, const char* a) {
       s.opts.ca_file = a;
       return refusal();
     },
     "use --cacert FILE or --capath DIR to choose the certificate authorities.\n", false},
    {'\0', "capath", true,
     [](option_scan& s, const char* a) {
       s.opts.ca_path = a;
       return refusal();
     },
     nullptr, false},
    {'u', "system", true,
     [](option_scan& s, const char* a) {
       s.cli.system_name = a;
       return refusal();
     },
     "for -u, system must be one of:\n", false},
    // The usage text follows this line with the verb table.
    {'V', "verb", true, set_verb, "for -V, verb must be one of:\n", false},
    {'r', "rrset", true,
     [](option_scan& s, const char* a) { return set_search(s, search_mode::rrset_name, 'r', a); },
     nullptr, false},
    {'n', "rdata-name", true,
     [](option_scan& s, const char* a) { return set_search(s, search_mode::rdata_name, 'n', a); },
     nullptr, false},
    {'R', "rrset-raw", true,
     [](option_scan& s, const char* a) { return set_search(s, search_mode::rrset_raw, 'R', a); },
     nullptr, false},
    {'N', "rdata-raw", true,
     [](option_scan& s, const char* a) { return set_search(s, search_mode::rdata_raw, 'N', a); },
     nullptr, false},
    {'i', "rdata-ip", true, set_address, nullptr, false},
    {'t', "type", true,
     [](option_scan& s, const char* a) {
       return only_once(s.cli.qd.rrtype, a, "can only specify rrtype(s) once");
     },
     nullptr, false},
    {'b', "bailiwick", true,
     [](option_scan& s, const char* a) {
       if (*a == '\0') return refusal("-b needs a non-empty value");
       return only_once(s.cli.qd.bailiwick, a, "can only specify bailiwick one way");
     },
     nullptr, false},
    {'l', "query-limit", true, QPARAM('l'), nullptr, true},
    {'L', "output-limit", true, QPARAM('L'), nullptr, true},
    {'k', "sort-key", true, add_sort_keys, nullptr, false},
    {'p', "presentation", true, set_presentation, nullptr, false},
};

#undef QPARAM
#undef FLAG

}  // namespace

const std::span<const option_row> option_table = option_rows;
const std::span<const option_word<presentation_format>> presentation_words =
    presentation_word_table;
const std::span<const option_word<transform>> transform_words = transform_word_table;

std::string option_letters(bool batch_only) {
  std::string letters;
  for (const option_row& row : option_table) {
    if (batch_only && !row.in_batch) continue;
    if (row.letter == '\0') continue;
    letters += row.letter;
    if (row.takes_argument) letters += ':';
  }
  return letters;
}

std::optional<std::string> set_timeout(run_options& opts, const char* text, const char* label) {
  long v = 0;
  const std::string rule = std::string(label) + " must be non-negative";
  if (refusal err = decimal_value(rule, text, 0, &v)) return err;
  opts.timeout = v;
  return std::nullopt;
}

int option_code(const option_row& row) {
  if (row.letter != '\0') return static_cast<unsigned char>(row.letter);
  return 256 + static_cast<int>(&row - option_table.data());
}

const option_row* find_row(int code) {
  for (const option_row& row : option_table)
    if (option_code(row) == code) return &row;
  return nullptr;
}

namespace {

// The long forms for the scanner: every row, or those of $options lines.
std::vector<option> long_options(bool batch_only) {
  std::vector<option> table;
  for (const option_row& row : option_table) {
    if (batch_only && !row.in_batch) continue;
    table.push_back({row.long_name, row.takes_argument ? required_argument : no_argument, nullptr,
                     option_code(row)});
  }
  table.push_back({nullptr, 0, nullptr, 0});
  return table;
}

// Why the scanner refused the long form "--WORD[=VALUE]" that matches no
// single name: none at all, or several by their common prefix.
std::string long_refusal(const char* word, bool batch_only) {
  const std::string_view typed(word);
  const std::string_view name = typed.substr(2, typed.find('=') - 2);
  std::vector<std::string> matches;
  if (!name.empty()) {
    for (const option_row& row : option_table) {
      if (batch_only && !row.in_batch) continue;
      if (std::string_view(row.long_name).starts_with(name)) matches.emplace_back(row.long_name);
    }
  }
  const std::string shown = quoted_value("--" + std::string(name));
  if (matches.size() < 2) return "unrecognized option " + shown;
  std::sort(matches.begin(), matches.end());
  std::string text = "option " + shown + " is ambiguous (";
  for (size_t i = 0; i < matches.size(); ++i) text += (i > 0 ? ", --" : "--") + matches[i];
  return text + ")";
}

}  // namespace

result<int> next_option(int argc, char* argv[], bool batch_only) {
  static_assert(sizeof(int) >= 2, "codes of long-only rows lie above every letter");
  std::string letters = ":";
  letters += option_letters(batch_only);
  const std::vector<option> longs = long_options(batch_only);
  // The refusals below are the only messages: for a letter in the words the
  // scanner itself has always used.
  opterr = 0;
  const int opt = getopt_long(argc, argv, letters.c_str(), longs.data(), nullptr);
  if (opt != '?' && opt != ':') return opt;
  // After a refused long form, the scanner stands just past it.
  const char* word = optind > 0 && optind <= argc ? argv[optind - 1] : "";
  const bool long_form = strncmp(word, "--", 2) == 0;
  const option_row* row = find_row(optopt);
  if (opt == ':' && long_form && row != nullptr)
    return failure(std::string("option --") + row->long_name + " needs an argument");
  if (opt == '?' && optopt == 0) return failure(long_refusal(word, batch_only));
  // A letter refused as such is unknown here, whatever the main table has.
  if (opt == '?' && long_form && row != nullptr)
    return failure(std::string("option --") + row->long_name + " takes no argument");
  const std::string letter(1, static_cast<char>(optopt));
  if (opt == ':') return failure("option -" + safe_text(letter) + " needs an argument");
  return failure("unrecognized option " + quoted_value("-" + letter));
}

result<scan_action> scan_options(int argc, char* argv[], option_scan& scan) {
  optind = 0;  // glibc's full reset: a vector may have been scanned before
  while (scan.action == scan_action::run) {
    result<int> opt = next_option(argc, argv, false);
    if (!opt) return failure(opt.error());
    if (*opt == -1) break;
    const option_row* found = find_row(*opt);
    if (found == nullptr)
      return failure("unrecognized option " +
                     quoted_value(std::string("-") + static_cast<char>(*opt)));
    if (std::optional<std::string> refused = found->apply(scan, optarg))
      return failure(std::move(*refused));
  }
  scan.cli.operands = argc - optind;
  return scan.action;
}

}  // namespace trawl
