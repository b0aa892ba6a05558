#include "program/launch.h"

#include <array>
#include <new>
#include <vector>

#include "core/diag.h"
#include "engine/fetch.h"
#include "support/ascii.h"
#include "support/curl_handles.h"
#include "support/tokenizer.h"

namespace trawl {

namespace {

constexpr size_t max_rrtypes = 8;

constexpr const char* dnssec_types[] = {"ds",  "rrsig", "nsec",  "dnskey",     "cdnskey",
                                        "cds", "ta",    "nsec3", "nsec3param", "dlv"};

bool is_dnssec_type(const std::string& lower) {
  for (const char* t : dnssec_types)
    if (lower == t) return true;
  return false;
}

// The library escapes any text it can allocate for.
std::string escaped(const std::optional<std::string>& term) {
  std::optional<std::string> e = url_escape(*term);
  if (!e) throw std::bad_alloc();
  return *e;
}

// Asks the system for the URL of one path and starts its fetch; the
// system's reason when it cannot ask for it.
std::optional<std::string> launch_fetch(const run_options& opts, run_state& state, query& q,
                                        const qdesc& qd, const time_fence& tf) {
  const std::string path = build_path(qd);
  std::string error;
  std::optional<std::string> url = state.psys->url(*state.psys, opts, state.settings, path.c_str(),
                                                   q.detail.qp, tf, false, &error);
  if (!url) return error;
  debug_line(1, "url [%s]\n", url->c_str());
  page_state page;
  page.follow = opts.all;
  page.path = path;
  page.fence = tf;
  // Where a system's own offset begins; one that cannot skip results has
  // them skipped here, over the whole answer.
  if (!state.psys->filters_locally) page.offset = q.detail.qp.offset;
  fetch_init(opts, state, q, std::move(*url), std::move(page));
  return std::nullopt;
}

}  // namespace

std::string build_path(const qdesc& qd) {
  const std::string thing = escaped(qd.thing);
  switch (qd.mode) {
    case search_mode::rrset_name:
      if (qd.rrtype && qd.bailiwick)
        return "rrset/name/" + thing + "/" + escaped(qd.rrtype) + "/" + escaped(qd.bailiwick);
      if (qd.rrtype) return "rrset/name/" + thing + "/" + escaped(qd.rrtype);
      if (qd.bailiwick) return "rrset/name/" + thing + "/ANY/" + escaped(qd.bailiwick);
      return "rrset/name/" + thing;
    case search_mode::rdata_name:
      if (qd.rrtype) return "rdata/name/" + thing + "/" + escaped(qd.rrtype);
      return "rdata/name/" + thing;
    case search_mode::rdata_ip:
      if (qd.pfxlen) return "rdata/ip/" + thing + "," + escaped(qd.pfxlen);
      return "rdata/ip/" + thing;
    case search_mode::rrset_raw:
      if (qd.rrtype) return "rrset/raw/" + thing + "/" + escaped(qd.rrtype);
      return "rrset/raw/" + thing;
    case search_mode::rdata_raw:
      if (qd.rrtype) return "rdata/raw/" + thing + "/" + escaped(qd.rrtype);
      return "rdata/raw/" + thing;
    case search_mode::none:
      break;
  }
  return std::string();
}

const char* rrtype_list_check(const char* list) {
  std::array<std::string, max_rrtypes> seen;
  size_t nseen = 0;
  bool any = false, any_dnssec = false, dnssec = false, other = false;
  const std::vector<std::string> items = tokenizer_split(list, ",");
  if (items.empty()) return "no record type given";
  for (const std::string& item : items) {
    const std::string lower = ascii_lower(item);
    if (nseen == max_rrtypes) return "too many rrtypes specified";
    for (size_t i = 0; i < nseen; ++i)
      if (seen[i] == lower) return "duplicate rrtype encountered";
    seen[nseen++] = lower;
    if (lower == "any")
      any = true;
    else if (lower == "any-dnssec")
      any_dnssec = true;
    else if (is_dnssec_type(lower))
      dnssec = true;
    else
      other = true;
    if (any && other) return "ANY is redundant when mixed like this";
    if (dnssec && any_dnssec) return "ANY-DNSSEC is redundant when mixed like this";
  }
  return nullptr;
}

result<launched_query> launch_query(const run_options& opts, run_state& state, const qdesc& qd,
                                    const qparam& qp, writer& wr) {
  if (qd.rrtype) {
    if (const char* err = rrtype_list_check(qd.rrtype->c_str()))
      return launched_query{nullptr, std::string("rrtype incorrect: ") + err};
  }
  auto fresh = std::make_unique<query>();
  fresh->detail.descr = build_path(qd);
  fresh->detail.qp = qp;
  fresh->detail.mode = qd.mode;
  // Attached before its fetches exist, so that a run ended while they are
  // being created still tears them down with the writer.
  query& q = writer_add_query(wr, std::move(fresh));
  const time_fence tf = time_fence_of(qp);
  std::vector<qdesc> one_per_type;
  if (!qd.rrtype) {
    one_per_type.push_back(qd);
  } else {
    for (const std::string& item : tokenizer_split(qd.rrtype->c_str(), ",")) {
      one_per_type.push_back(qd);
      one_per_type.back().rrtype = item;
    }
  }
  for (const qdesc& one : one_per_type)
    if (std::optional<std::string> error = launch_fetch(opts, state, q, one, tf))
      return failure(*error);
  if (q.fetches.size() > 1) q.multitype = true;
  return launched_query{&q, std::nullopt};
}

}  // namespace trawl
