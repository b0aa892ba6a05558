#include "program/usage.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "backends/systems.h"
#include "program/option_scan.h"
#include "records/verbs.h"
#include "sort/sort_keys.h"

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
    if (!row.takes_argument && row.letter != '\0') flags += row.letter;
  std::sort(flags.begin(), flags.end(), [](char a, char b) { return flag_rank(a) < flag_rank(b); });
  return flags;
}

template <typename Rows, typename Word>
std::string joined(const Rows& rows, Word word, const char* separator) {
  std::string text;
  for (const auto& row : rows) {
    if (!text.empty()) text += separator;
    text += word(row);
  }
  return text;
}

// "a, b, and c", as a sentence lists them.
std::string listed(const std::vector<std::string>& words) {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += words.size() > 2 ? ", " : " ";
    if (i > 0 && i + 1 == words.size()) text += "and ";
    text += words[i];
  }
  return text;
}

std::string synopsis(const run_options& opts) {
  const std::string formats = joined(
      presentation_words, [](const auto& w) { return w.word; }, "|");
  const std::string keys = joined(
      sort_key_names(), [](const char* k) { return k; }, "|");
  const std::string transforms = joined(
      transform_words, [](const auto& w) { return w.word; }, "|");
  return "usage: " + opts.program_name + " [-" + flag_letters() + "] [-p " + formats +
         "]\n"
         "\t[-u SYSTEM] [-V VERB] [-0 FUNCTION=INPUT] [-o SECONDS] [-C COOKIE-FILE]\n"
         "\t[-k (" +
         keys +
         ")[,...]]\n"
         "\t[-l QUERY-LIMIT] [-L OUTPUT-LIMIT]\n"
         "\t[-O OFFSET] [-M MAX_COUNT]\n"
         "\t[-A AFTER] [-B BEFORE]\n"
         "\t[-D ASINFO_DOMAIN] [-T (" +
         transforms +
         ")[,...]] {\n"
         "\t\t-f [-m] |\n"
         "\t\t-J INPUTFILE |\n"
         "\t\t[-t RRTYPE[,...]] [-b BAILIWICK] {\n"
         "\t\t\t-r OWNER[/RRTYPE[,...][/BAILIWICK]] |\n"
         "\t\t\t-n NAME[/RRTYPE[,...]] |\n"
         "\t\t\t-i IP[/PFXLEN] |\n"
         "\t\t\t-N RAW-NAME-DATA[/RRTYPE[,...]] |\n"
         "\t\t\t-R RAW-OWNER-DATA[/RRTYPE[,...][/BAILIWICK]]\n"
         "\t\t}\n"
         "\t}\n";
}

// One item of a list under a help line.
void add_item(std::string& text, const char* item) {
  text += '\t';
  text += item;
  text += '\n';
}

// An option's help lines, completed from the tables they name.
std::string help_lines(const option_row& row, const run_options& opts) {
  std::string text = row.help;
  constexpr std::string_view zone = "{zone}";
  if (size_t at = text.find(zone); at != std::string::npos)
    text.replace(at, zone.size(), opts.asinfo_domain);
  switch (row.letter) {
    case 'T': {
      std::vector<std::string> words;
      for (const auto& w : transform_words) words.emplace_back(w.word);
      text += listed(words) + ".\n";
      break;
    }
    case 'u':
      for (const system_name& s : system_names) add_item(text, s.name);
      break;
    case 'V':
      for (const verb& v : verbs) add_item(text, v.name);
      break;
    default:
      break;
  }
  return text;
}

// "-r, --rrset" for every row, three to a line; "    --retry" for a row
// with a long name only.
std::string long_names() {
  constexpr size_t column = 24;
  std::string text =
      "long options (--NAME=VALUE or --NAME VALUE; any unambiguous prefix of NAME):\n";
  // Those with a letter first, then those with a long name only.
  std::vector<std::string> pairs;
  for (const option_row& row : option_table)
    if (row.letter != '\0') pairs.push_back(std::string("-") + row.letter + ", --" + row.long_name);
  for (const option_row& row : option_table)
    if (row.letter == '\0') pairs.push_back(std::string("    --") + row.long_name);
  for (size_t i = 0; i < pairs.size(); ++i) {
    const std::string& pair = pairs[i];
    if (i % 3 == 0) text += '\t';
    if (i % 3 == 2 || i + 1 == pairs.size())
      text += pair + '\n';
    else
      text += pair + std::string(pair.size() < column ? column - pair.size() : 1, ' ');
  }
  return text;
}

}  // namespace

std::string usage_text(const run_options& opts) {
  std::string text = synopsis(opts);
  for (const option_row& row : option_table)
    if (row.help != nullptr) text += help_lines(row, opts);
  text += long_names();
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
