#include "trawl/usage.h"

#include <cstdio>

#include "trawl/settings.h"
#include "trawl/verb.h"

namespace trawl {

void print_usage() {
  printf("usage: %s [-acdfGghIjmqSsUv468] [-p dns|json|csv|minimal]\n", program_name.c_str());
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
  printf(
      "for -A and -B, use absolute format YYYY-MM-DD[ HH:MM:SS],\n"
      "\tor relative format %%dw%%dd%%dh%%dm%%ds.\n"
      "use -a to get ASNs associated with reported IP addresses\n"
      "use -c to get complete (strict) time matching for -A and -B.\n"
      "for -D, the default is \"%s\"\n"
      "use -d one or more times to ramp up the diagnostic output.\n"
      "for -0, the function must be \"countoff\"\n"
      "for -f, stdin must contain lines of the following forms:\n"
      "\trrset/name/NAME[/RRTYPE[,...][/BAILIWICK]]\n"
      "\trrset/raw/HEX-PAIRS[/RRTYPE[,...][/BAILIWICK]]\n"
      "\trdata/name/NAME[/RRTYPE[,...]]\n"
      "\trdata/ip/ADDR[,PFXLEN]\n"
      "\trdata/raw/HEX-PAIRS[/RRTYPE[,...]]\n"
      "\t(output format will depend on -p or -j, framed by '--'.)\n"
      "\t(with -ff, framing will be '++ $cmd', '-- $stat ($code)'.\n"
      "use -g to get graveled results (default is -G, rocks).\n"
      "use -h to reliably display this helpful text.\n"
      "use -I to see a system-specific account/key summary.\n"
      "for -J, input format is newline-separated JSON, as from -j output.\n"
      "use -j as a synonym for -p json.\n"
      "use -M # to end a summarize op when count exceeds threshold.\n"
      "use -m with -f for multiple upstream queries in single result.\n"
      "use -m with -f -f for multiple upstream queries out of order.\n"
      "use -O # to skip this many results in what is returned.\n"
      "use -q for warning reticence.\n"
      "use -s to sort in ascending order, or -S for descending order.\n"
      "\t-s/-S can be repeated before several -k arguments.\n"
      "for -T, transforms are datefix, reverse, chomp, and qdetail.\n"
      "use -U to turn off SSL certificate verification.\n"
      "use -v to show the program version.\n"
      "use -4 to force connecting to the server via IPv4.\n"
      "use -6 to force connecting to the server via IPv6.\n"
      "use -8 to allow 8-bit values in -r and -n arguments.\n",
      asinfo_domain);
  fputs("for -u, system must be one of:\n\ttrove\n\ttrove2\n\tcircl\n", stdout);
  fputs("for -V, verb must be one of:\n", stdout);
  for (const verb* v = verbs; v->name != nullptr; ++v) printf("\t%s\n", v->name);
  fputs(
      "\nGetting Started:\n\tAdd your API key to ~/.trove-query.conf like this:\n"
      "\t\tTROVE_API_KEY=\"YOURAPIKEYHERE\"\n",
      stdout);
  printf("\nTry   man %s  for full documentation.\n", program_name.c_str());
}

}  // namespace trawl
