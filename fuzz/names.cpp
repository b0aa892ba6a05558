// DNS names in presentation form: label analysis, the owner-name transforms
// and the sortable encodings of names and record data.
//
// Input: a selector byte for the record type of the data encoding, then the
// name, which ends at its first NUL as every C-string consumer reads it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <numeric>
#include <optional>
#include <string>

#include <jansson.h>

#include "records/countoff.h"
#include "records/tuple.h"
#include "sort/sortable.h"
#include "support/json_ref.h"

namespace {

// The types with an encoding of their own, and one without.
constexpr const char* rrtypes[] = {"A", "AAAA", "NS", "PTR", "CNAME", "DNAME", "MX", "RP", "TXT"};

void check_counted(const char* name, const trawl::counted& c) {
  // The labels cover the name exactly, each with its ending dot.
  if (c.lens.size() != static_cast<size_t>(c.nlabel)) __builtin_trap();
  if (std::accumulate(c.lens.begin(), c.lens.end(), size_t{0}) != c.nchar) __builtin_trap();
  if (c.nchar != strlen(name) || c.nalnum > c.nchar) __builtin_trap();
  for (size_t len : c.lens) {
    if (len == 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  if (size < 1) return -1;
  const char* rrtype = rrtypes[data[0] % std::size(rrtypes)];
  const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
  const char* text = name.c_str();

  const counted c = countoff(text);
  check_counted(text, c);
  // One leading dot per label and a final dot dropped.
  if (reverse_name(text).size() > c.nchar + 1) __builtin_trap();
  for (bool reverse : {false, true}) {
    for (bool chomp : {false, true}) transform_rrname(text, reverse, chomp);
  }

  std::string sortbuf;
  sortable_dnsname(sortbuf, text);
  if (sortbuf.empty() || sortbuf.size() != (c.nalnum == 0 ? 1 : c.nalnum)) __builtin_trap();

  // Record data as a string and as a one-element array, as servers send it.
  for (const bool is_array : {false, true}) {
    pdns_tuple tup;
    tup.view.has.rrtype = true;
    tup.view.rrtype = rrtype;
    tup.view.has.rdata = true;
    tup.view.rdata_is_array = is_array;
    if (!is_array) tup.view.rdata = text;
    tup.view.rdata_values.push_back(rdata_entry{text, false});
    const std::optional<std::string> sortable = sortable_rdata(tup);
    // Field 7 of a sort line: a blank there would cut the record wrong.
    if (!sortable || sortable->find(' ') != std::string::npos) __builtin_trap();
  }
  return 0;
}
