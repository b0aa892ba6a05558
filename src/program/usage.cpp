#include "program/usage.h"

#include <algorithm>
#include <cstdio>
#include <string>

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
  for (const option_row* row = option_table; row->letter != 0; ++row)
    if (!row->takes_argument) flags += row->letter;
  std::sort(flags.begin(), flags.end(), [](char a, char b) { return flag_rank(a) < flag_rank(b); });
  return flags;
}

}  // namespace

void print_usage(const run_options& opts) {
  printf("usage: %s [-%s] [-p dns|json|csv|minimal]\n", opts.program_name.c_str(),
         flag_letters().c_str());
  fputs(
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
      "\t}\n",
      stdout);
  for (const option_row* row = option_table; row->letter != 0; ++row) {
    if (row->help == nullptr) continue;
    if (row->letter == 'D') {
      printf(row->help, opts.asinfo_domain.c_str());
    } else {
      fputs(row->help, stdout);
    }
    if (row->letter == 'V')
      for (const verb* v = verbs; v->name != nullptr; ++v) printf("\t%s\n", v->name);
  }
  fputs(
      "\nGetting Started:\n\tAdd your API key to ~/.trove-query.conf like this:\n"
      "\t\tTROVE_API_KEY=\"YOURAPIKEYHERE\"\n",
      stdout);
  printf("\nTry   man %s  for full documentation.\n", opts.program_name.c_str());
}

}  // namespace trawl
