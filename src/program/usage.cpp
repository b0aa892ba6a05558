#include "program/usage.h"

#include <algorithm>
#include <string_view>

#include "program/option_scan.h"
#include "records/verbs.h"

namespace trawl {

namespace {

// Letters before digits; a letter's capital before its small form.
int flag_rank(char c) {
  if (c >= '0' && c <= '9') return 1000 + c;
  const bool upper = c >= 'A' && c <= 'Z';
  const char lower = upper ? static_cast<char>(c - 'A' + 'a') : c;
  return lower * 2 + (upper ? 0 : 1);
}

std::string flag_letters() {
  std::string flags;
  for (const option_row& row : option_table)
    if (!row.takes_argument) flags += row.letter;
  std::sort(flags.begin(), flags.end(), [](char a, char b) { return flag_rank(a) < flag_rank(b); });
  return flags;
}

// An option's help lines, with the zone in force where they name it.
std::string help_lines(const option_row& row, const run_options& opts) {
  std::string text = row.help;
  constexpr std::string_view zone = "{zone}";
  if (size_t at = text.find(zone); at != std::string::npos)
    text.replace(at, zone.size(), opts.asinfo_domain);
  return text;
}

}  // namespace

std::string usage_text(const run_options& opts) {
  std::string text =
      "usage: " + opts.program_name + " [-" + flag_letters() + "] [-p dns|json|csv|minimal]\n";
  text +=
      "\t[-u SYSTEM] [-V VERB] [-0 FUNCTION=INPUT]\n"
      "\t[-k (first|last|duration|count|name|type|data)[,...]]\n"
      "\t[-l QUERY-LIMIT] [-L OUTPUT-LIMIT]\n"
      "\t[-O OFFSET] [-M MAX_COUNT]\n"
      "\t[-A AFTER] [-B BEFORE]\n"
      "\t[-D ASINFO_DOMAIN] [-T (datefix|reverse|chomp|qdetail)[,...] {\n"
      "\t\t-f |\n"
      "\t\t-J INPUTFILE |\n"
      "\t\t[-t RRTYPE[,...]] [-b BAILIWICK] {\n"
      "\t\t\t-r OWNER[/RRTYPE[,...][/BAILIWICK]] |\n"
      "\t\t\t-n NAME[/RRTYPE[,...]] |\n"
      "\t\t\t-i IP[/PFXLEN] |\n"
      "\t\t\t-N RAW-NAME-DATA[/RRTYPE[,...]]\n"
      "\t\t\t-R RAW-OWNER-DATA[/RRTYPE[,...][/BAILIWICK]]\n"
      "\t\t}\n"
      "\t}\n";
  for (const option_row& row : option_table) {
    if (row.help == nullptr) continue;
    text += help_lines(row, opts);
    if (row.letter == 'V')
      for (const verb& v : verbs) {
        text += '\t';
        text += v.name;
        text += '\n';
      }
  }
  text +=
      "\nGetting Started:\n\tAdd your API key to ~/.trove-query.conf like this:\n"
      "\t\tTROVE_API_KEY=\"YOURAPIKEYHERE\"\n";
  text += "\nTry   man " + opts.program_name + "  for full documentation.\n";
  return text;
}

std::string version_text(const run_options& opts) {
  return opts.program_name + ": version " + version_string() + "\n";
}

}  // namespace trawl
