#include "sort/sort_line.h"

#include <cstdint>
#include <cstdio>

#include "core/diag.h"
#include "records/tuple.h"
#include "sort/sigpipe_guard.h"
#include "sort/sortable.h"

namespace trawl {

namespace {

// One per separator, in the order they are searched.
constexpr const char* missing_separator[] = {
    "no SP found in", "no second SP in", "no third SP in",   "no fourth SP in",
    "no fifth SP in", "no sixth SP in",  "no seventh SP in",
};

const char* or_na(const char* text) {
  return (text == nullptr || *text == '\0') ? "n/a" : text;
}

const char* or_na(const std::optional<std::string>& text) {
  return (!text || text->empty()) ? "n/a" : text->c_str();
}

// The type as one field: a server may send one that is empty or holds
// blanks, which would shift the fields after it and cut the record wrong
// when it comes back. Ordinary types pass unchanged.
std::string type_field(const char* rrtype) {
  std::string field = or_na(rrtype);
  for (char& c : field)
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') c = '_';
  return field;
}

}  // namespace

void sort_line_flush(writer& wr) {
  if (wr.sort_pending.empty()) return;
  {
    sigpipe_guard guard;  // a sort program that died is reported from its exit status
    fwrite(wr.sort_pending.data(), 1, wr.sort_pending.size(), wr.sort_stdin.get());
  }
  wr.sort_pending.clear();
}

const char* sort_line_split(std::string_view line, std::string_view* record) {
  size_t separator = line.find(' ');
  if (separator == std::string_view::npos) return missing_separator[0];
  for (int k = 1; k < 7; ++k) {
    const size_t field = line.find_first_not_of(' ', separator);
    separator = field == std::string_view::npos ? field : line.find(' ', field);
    if (separator == std::string_view::npos) return missing_separator[k];
  }
  // The record begins right after the one blank written before it: a line
  // that began with blanks comes back as it was sent.
  *record = line.substr(separator + 1);
  return nullptr;
}

int sort_line_write(writer& wr, const pdns_tuple& tup, std::string_view line) {
  // Some records carry only zone times; a record time of 0 means unknown.
  const bool record_times = tup.time_first != 0 && tup.time_last != 0;
  const unsigned long first = record_times ? tup.time_first : tup.zone_time_first;
  const unsigned long last = record_times ? tup.time_last : tup.zone_time_last;
  const unsigned long duration = last - first;
  const unsigned long count = static_cast<unsigned long>(tup.count);

  const std::optional<std::string> dyn_rrname = sortable_rrname(tup);
  const std::optional<std::string> dyn_rdata = sortable_rdata(tup);
  debug_line(3, "dyn_rrname = '%s'\n", dyn_rrname ? dyn_rrname->c_str() : "(null)");
  debug_line(3, "dyn_rdata = '%s'\n", dyn_rdata ? dyn_rdata->c_str() : "(null)");

  const std::string type = type_field(tup.rrtype);
  // Lines are gathered and written in large pieces: each write to the pipe
  // costs a system call, and two more to keep SIGPIPE away.
  std::string& out = wr.sort_pending;
  const size_t start = out.size();
  char numbers[96];
  const int n = snprintf(numbers, sizeof numbers, "%lu %lu %lu %lu ", first, last, duration, count);
  out.append(numbers, static_cast<size_t>(n));
  out += or_na(dyn_rrname);
  out += ' ';
  out += type;
  out += ' ';
  out += or_na(dyn_rdata);
  out += ' ';
  out.append(line);
  debug_line(2, "sort0: '%.*s'\n", static_cast<int>(out.size() - start), out.data() + start);
  out += '\n';
  if (out.size() >= sort_flush_size) sort_line_flush(wr);
  return 1;
}

}  // namespace trawl
