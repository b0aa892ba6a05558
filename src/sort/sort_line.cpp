#include "sort/sort_line.h"

#include <charconv>
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

// The type as one field: a server may send one that is empty or holds
// blanks, which would shift the fields after it and cut the record wrong
// when it comes back. Ordinary types pass unchanged.
void append_type_field(std::string& out, std::string_view rrtype) {
  if (rrtype.empty()) {
    out += "n/a";
    return;
  }
  const size_t at = out.size();
  out.append(rrtype);
  for (size_t i = at; i < out.size(); ++i)
    if (static_cast<unsigned char>(out[i]) <= ' ' || out[i] == '\x7f') out[i] = '_';
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
  const record_view& r = tup.view;
  const bool record_times = r.time_first != 0 && r.time_last != 0;
  const uint64_t first = record_times ? r.time_first : r.zone_time_first;
  const uint64_t last = record_times ? r.time_last : r.zone_time_last;

  // Lines are gathered and written in large pieces: each write to the pipe
  // costs a system call, and two more to keep SIGPIPE away. The fields are
  // built in place, a million records making a million lines.
  std::string& out = wr.sort_pending;
  const size_t start = out.size();
  for (uint64_t number : {first, last, last - first, static_cast<uint64_t>(r.count)}) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
    out.append(digits, end);
    out += ' ';
  }
  const size_t rrname_at = out.size();
  if (!sortable_rrname_append(out, tup)) out += "n/a";
  const size_t rrname_end = out.size();
  out += ' ';
  append_type_field(out, r.rrtype);
  out += ' ';
  const size_t rdata_at = out.size();
  // Absent or empty data alike are "n/a".
  if (!sortable_rdata_append(out, tup) || out.size() == rdata_at) out += "n/a";
  const size_t rdata_end = out.size();
  if (debugging(3)) {
    debug_line(3, "dyn_rrname = '%.*s'\n",
               r.has.rrname ? static_cast<int>(rrname_end - rrname_at) : 6,
               r.has.rrname ? out.data() + rrname_at : "(null)");
    const bool rdata = r.has.rrtype && r.has.rdata;
    debug_line(3, "dyn_rdata = '%.*s'\n", rdata ? static_cast<int>(rdata_end - rdata_at) : 6,
               rdata ? out.data() + rdata_at : "(null)");
  }
  out += ' ';
  out.append(line);
  debug_line(2, "sort0: '%.*s'\n", static_cast<int>(out.size() - start), out.data() + start);
  out += '\n';
  if (out.size() >= sort_flush_size) sort_line_flush(wr);
  return 1;
}

}  // namespace trawl
