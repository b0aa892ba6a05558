// A crawl (--pivot): from the seeds (the command line's query, or each batch
// line) to the infrastructure their answers name, level by level, each query
// asked once, within a budget of requests and a fan-out per answer. Records
// come out by depth, then in the order their queries were asked, each record
// once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/options.h"
#include "core/qparam.h"
#include "core/state.h"
#include "program/cli.h"

namespace trawl {

struct pdns_tuple;

// The queries a record leads to, as the crawl's table derives them: each
// address of an A or AAAA record (rdata/ip/ADDRESS); each name in the data
// of a CNAME, DNAME, NS, MX, PTR or SRV record (rrset/name/NAME, with the
// types of -t); and, for a record found by a search of record data, its
// owner (rrset/name/OWNER). by_data says the record's query searched record
// data.
std::vector<qdesc> derive_queries(const pdns_tuple& tup, bool by_data,
                                  const std::optional<std::string>& rrtype);

// Runs the crawl; the run's status.
int run_crawl(const run_options& opts, run_state& state, const cli_state& cli);

}  // namespace trawl
