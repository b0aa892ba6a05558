#include "trawl/batch_parse.h"

#include <vector>

#include "trawl/diag.h"
#include "trawl/tokenizer.h"

namespace trawl {

namespace {

struct form {
  const char* first;
  const char* second;
  search_mode mode;
  // RRTYPES, then BAILIWICK. No request path carries the bailiwick of a raw
  // owner search, so such a line is refused rather than silently widened.
  int optional_terms;
};

constexpr form forms[] = {
    {"rrset", "name", mode_rrset_name, 2}, {"rrset", "raw", mode_rrset_raw, 1},
    {"rdata", "name", mode_rdata_name, 1}, {"rdata", "raw", mode_rdata_raw, 1},
    {"rdata", "ip", mode_rdata_ip, 0},
};

}  // namespace

const char* batch_parse(const std::string& line, qdesc& qd) {
  // Runs of "/" count as one separator, as strtok_r has it.
  const std::vector<std::string> terms = tokenizer_split(line.c_str(), "/");

  if (terms.empty()) return "too few terms";
  const std::string& first = terms[0];
  if (first != "rrset" && first != "rdata") return "unrecognized initial term";
  if (terms.size() < 2)
    return first == "rrset" ? "missing term after 'rrset/'" : "missing term after 'rdata/'";
  const form* match = nullptr;
  for (const form& f : forms)
    if (first == f.first && terms[1] == f.second) match = &f;
  if (match == nullptr)
    return first == "rrset" ? "unrecognized term after 'rrset/'"
                            : "unrecognized term after 'rdata/'";
  if (terms.size() < 3) {
    static const std::string missing[] = {
        "missing term after 'rrset/name/'", "missing term after 'rrset/raw/'",
        "missing term after 'rdata/name/'", "missing term after 'rdata/raw/'",
        "missing term after 'rdata/ip/'"};
    return missing[match - forms].c_str();
  }
  qd = qdesc{};
  qd.mode = match->mode;
  qd.thing = terms[2];
  // Checked as soon as NAME is read, before the rest of the line.
  if (const char* err = qdesc_8bit_check(qd)) return err;
  const size_t extra = terms.size() - 3;
  if (extra > static_cast<size_t>(match->optional_terms)) return "extra garbage";
  if (extra >= 1) qd.rrtype = terms[3];
  if (extra >= 2) qd.bailiwick = terms[4];
  return nullptr;
}

}  // namespace trawl
