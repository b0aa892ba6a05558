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
    "no SP found in '%s'", "no second SP in '%s'", "no third SP in '%s'",   "no fourth SP in '%s'",
    "no fifth SP in '%s'", "no sixth SP in '%s'",  "no seventh SP in '%s'",
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

const char* sort_line_split(std::string_view line, std::string_view* record) {
  size_t separator = line.find(' ');
  if (separator == std::string_view::npos) return missing_separator[0];
  for (int k = 1; k < 7; ++k) {
    const size_t field = line.find_first_not_of(' ', separator);
    separator = field == std::string_view::npos ? field : line.find(' ', field);
    if (separator == std::string_view::npos) return missing_separator[k];
  }
  const size_t start = line.find_first_not_of(' ', separator);
  *record = line.substr(start == std::string_view::npos ? line.size() : start);
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
  const int raw_length = static_cast<int>(line.size());
  {
    sigpipe_guard guard;
    fprintf(wr.sort_stdin.get(), "%lu %lu %lu %lu %s %s %s %*.*s\n", first, last, duration, count,
            or_na(dyn_rrname), type.c_str(), or_na(dyn_rdata), raw_length, raw_length, line.data());
  }
  debug_line(2, "sort0: '%lu %lu %lu %lu %s %s %s %*.*s'\n", first, last, duration, count,
             or_na(dyn_rrname), type.c_str(), or_na(dyn_rdata), raw_length, raw_length,
             line.data());
  return 1;
}

}  // namespace trawl
