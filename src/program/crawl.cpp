#include "program/crawl.h"

#include <unistd.h>

#include <arpa/inet.h>

#include <memory>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/diag.h"
#include "engine/engine.h"
#include "engine/writer.h"
#include "engine/writer_func.h"
#include "program/batch.h"
#include "program/launch.h"
#include "records/tuple.h"
#include "support/ascii.h"
#include "support/line_reader.h"

namespace trawl {

namespace {

// A name from record data as a query asks it: without the final dot; the
// root and the empty name lead nowhere.
std::optional<qdesc> name_query(std::string_view name, const std::optional<std::string>& rrtype) {
  if (name.size() > 1 && name.back() == '.' && name[name.size() - 2] != '\\') name.remove_suffix(1);
  if (name.empty() || name == ".") return std::nullopt;
  qdesc qd;
  qd.mode = search_mode::rrset_name;
  qd.thing = std::string(name);
  qd.rrtype = rrtype;
  // A name in its international form is asked in its ASCII one, as a
  // typed one would be; one that cannot be is left alone.
  if (qdesc_8bit_check(qd, false)) return std::nullopt;
  return qd;
}

std::optional<qdesc> address_query(std::string_view text, int family) {
  char terminated[64];
  if (text.size() >= sizeof terminated) return std::nullopt;
  text.copy(terminated, text.size());
  terminated[text.size()] = '\0';
  unsigned char bytes[16];
  if (inet_pton(family, terminated, bytes) != 1) return std::nullopt;
  qdesc qd;
  qd.mode = search_mode::rdata_ip;
  qd.thing = std::string(text);
  return qd;
}

// The name after the last blank: the exchange of an MX, the target of an SRV.
std::string_view last_word(std::string_view text) {
  const size_t blank = text.rfind(' ');
  return blank == std::string_view::npos ? text : text.substr(blank + 1);
}

// One record as the crawl tells records apart: owner, type, data,
// bailiwick.
std::string record_key(const pdns_tuple& tup) {
  const record_view& r = tup.view;
  std::string key = ascii_lower(std::string(r.rrname));
  key += '\0';
  key.append(r.rrtype);
  key += '\0';
  key.append(r.bailiwick);
  for (const rdata_entry& value : r.rdata_values) {
    key += '\0';
    key.append(value.bad ? std::string_view("\x01") : value.text);
  }
  return key;
}

struct crawl_node {
  qdesc qd;
  std::string descr;
  int depth = 0;
  std::optional<std::string> via;
  query* q = nullptr;
  bool done = false;
  std::vector<qdesc> derived;  // in the order their records came
  std::unordered_set<std::string> derived_keys;
  std::string held;  // record lines waiting for their turn, each with its newline
};

struct crawl {
  crawl(const run_options& o, run_state& s) : opts(o), state(s) {}

  const run_options& opts;
  run_state& state;
  std::optional<std::string> rrtype;  // -t: the types of every derived name query
  writer* wr = nullptr;
  qparam qp;
  std::vector<std::unique_ptr<crawl_node>> level;
  size_t head = 0;  // the node whose records go out as they come
  std::unordered_map<const query*, crawl_node*> node_of;
  std::unordered_set<std::string> asked;  // queries by path, types included
  std::unordered_set<std::string> shown;  // records by record_key
  long unasked = 0;
  long cut = 0;

  int on_record(fetch& f, const pdns_tuple& tup, std::string_view line);
  int show(crawl_node& node, const pdns_tuple& tup, std::string_view line);
  void show_held(crawl_node& node);
  void finished(query& q);
  void advance();
  bool at_limit() const { return wr->output_limit > 0 && wr->count >= wr->output_limit; }
  void run_level();
  std::vector<std::unique_ptr<crawl_node>> next_level(int depth);
};

int crawl::on_record(fetch& f, const pdns_tuple& tup, std::string_view line) {
  crawl_node& node = *node_of.at(f.qry);
  if (node.depth < opts.pivot) {
    const bool by_data =
        node.qd.mode != search_mode::rrset_name && node.qd.mode != search_mode::rrset_raw;
    for (qdesc& qd : derive_queries(tup, by_data, rrtype)) {
      std::string key = ascii_lower(build_path(qd));
      if (node.derived_keys.insert(std::move(key)).second) node.derived.push_back(std::move(qd));
    }
  }
  // Records of a query asked later wait until those before it are out.
  if (&node != level[head].get()) {
    node.held.append(line);
    node.held += '\n';
    return 0;
  }
  return show(node, tup, line);
}

// The record, unless another query of the crawl found it before.
int crawl::show(crawl_node& node, const pdns_tuple& tup, std::string_view line) {
  if (!shown.insert(record_key(tup)).second) return 0;
  return present_record(*wr, tup, line, &node.q->detail);
}

void crawl::show_held(crawl_node& node) {
  std::string held = std::move(node.held);
  node.held.clear();
  std::string_view rest = held;
  while (!rest.empty() && !at_limit()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    pdns_tuple tup;
    // The line decoded once already; decoding it again gives the same record.
    if (!tuple_make(tup, line, wr->stream.transforms, wr->stream.framed)) {
      const int out = show(node, tup, line);
      wr->count += out;
      node.q->records += out;
    }
    tuple_unmake(tup);
  }
}

// Once the head's answer is complete, the next query's records go out: those
// that came while it waited, then the rest as they come.
void crawl::advance() {
  while (head < level.size() && level[head]->done) {
    if (++head < level.size()) show_held(*level[head]);
  }
}

void crawl::finished(query& q) {
  crawl_node& node = *node_of.at(&q);
  node.done = true;
  if (q.fetches_unasked > 0 && q.fetches_cut == 0 && q.records == 0)
    ++unasked;
  else if (q.fetches_cut > 0)
    ++cut;
  // A failed query is told as a batch line's would be; one that found
  // nothing is not.
  if (q.status && *q.status != "NOERROR")
    warning("crawl query %s: %s (%s)", node.descr.c_str(), q.status->c_str(),
            q.message.value_or("").c_str());
  if (level[head].get() == &node) advance();
}

void crawl::run_level() {
  head = 0;
  for (std::unique_ptr<crawl_node>& node : level) {
    if (at_limit()) break;
    result<launched_query> launched = launch_query(opts, state, node->qd, qp, *wr);
    if (!launched || launched->refused) {
      warning("crawl query %s: %s", node->descr.c_str(),
              launched ? launched->refused->c_str() : launched.error().c_str());
      state.exit_status = 1;
      node->done = true;
      continue;
    }
    node->q = launched->q;
    node->q->detail.depth = node->depth;
    node->q->detail.via = node->via;
    node_of[node->q] = node.get();
    // As -m runs batch lines: a few transfers at a time.
    io_engine(opts, state, 8);
  }
  io_engine(opts, state, 0);
  for (std::unique_ptr<crawl_node>& node : level) node->done = true;
  advance();
}

// The queries the level's answers lead to, in the order they were asked and
// their records came, each asked at most once in the crawl.
std::vector<std::unique_ptr<crawl_node>> crawl::next_level(int depth) {
  std::vector<std::unique_ptr<crawl_node>> next;
  for (const std::unique_ptr<crawl_node>& node : level) {
    std::vector<qdesc> fresh;
    for (qdesc& qd : node->derived)
      if (!asked.contains(ascii_lower(build_path(qd)))) fresh.push_back(std::move(qd));
    if (fresh.size() > static_cast<size_t>(opts.fanout)) {
      // A shared host, a CDN, a parked domain: shown, not followed.
      warning("not following %s: its answer leads to %zu new queries, more than --fanout %ld",
              node->descr.c_str(), fresh.size(), opts.fanout);
      continue;
    }
    for (qdesc& qd : fresh) {
      auto child = std::make_unique<crawl_node>();
      child->descr = build_path(qd);
      if (!asked.insert(ascii_lower(child->descr)).second) continue;
      child->qd = std::move(qd);
      child->depth = depth;
      child->via = node->descr;
      next.push_back(std::move(child));
    }
  }
  return next;
}

// The seeds: the command line's query, or each query line of standard input.
std::vector<std::unique_ptr<crawl_node>> seeds(const run_options& opts, run_state& state,
                                               const cli_state& cli) {
  std::vector<std::unique_ptr<crawl_node>> found;
  const auto add = [&found](qdesc qd) {
    auto node = std::make_unique<crawl_node>();
    node->descr = build_path(qd);
    node->qd = std::move(qd);
    found.push_back(std::move(node));
  };
  if (opts.batching == batch_mode::none) {
    add(cli.qd);
    return found;
  }
  line_reader reader(STDIN_FILENO);
  std::string_view raw;
  long line_no = 0;
  while (reader.next(raw)) {
    ++line_no;
    std::string line(raw.substr(0, raw.find_last_not_of(" \t\r\n") + 1));
    if (raw.find_first_not_of(" \t\r\n") == std::string_view::npos || line[0] == '#') continue;
    qdesc qd;
    std::optional<std::string> error = reader.too_long()
                                           ? std::optional<std::string>("line too long")
                                           : batch_parse(line, opts.allow_8bit, qd);
    if (!error && (qd.mode == search_mode::rrset_raw || qd.mode == search_mode::rdata_raw))
      error = "a crawl starts from names and addresses, not from raw data";
    if (error) {
      log_line("batch entry parse error: %s (line %ld)", error->c_str(), line_no);
      state.exit_status = 1;
      continue;
    }
    add(std::move(qd));
  }
  return found;
}

}  // namespace

std::vector<qdesc> derive_queries(const pdns_tuple& tup, bool by_data,
                                  const std::optional<std::string>& rrtype) {
  std::vector<qdesc> derived;
  const record_view& r = tup.view;
  if (!r.has_record) return derived;
  const std::string_view type = r.rrtype;
  for (const rdata_entry& value : r.rdata_values) {
    if (value.bad) continue;
    std::optional<qdesc> qd;
    if (type == "A")
      qd = address_query(value.text, AF_INET);
    else if (type == "AAAA")
      qd = address_query(value.text, AF_INET6);
    else if (type == "CNAME" || type == "DNAME" || type == "NS" || type == "PTR")
      qd = name_query(value.text, rrtype);
    else if (type == "MX" || type == "SRV")
      qd = name_query(last_word(value.text), rrtype);
    if (qd) derived.push_back(std::move(*qd));
  }
  if (by_data && r.has.rrname)
    if (std::optional<qdesc> qd = name_query(r.rrname, rrtype)) derived.push_back(std::move(*qd));
  return derived;
}

int run_crawl(const run_options& opts, run_state& state, const cli_state& cli) {
  crawl c(opts, state);
  // -t (or the types of -r NAME/TYPES) goes with every derived name query.
  c.rrtype = cli.qd.rrtype;
  c.qp = cli.qp;
  c.level = seeds(opts, state, cli);
  for (const std::unique_ptr<crawl_node>& node : c.level) c.asked.insert(ascii_lower(node->descr));
  query_listener listener;
  listener.finished = [&c](query& q, const fetch&) { c.finished(q); };
  // -L bounds the whole crawl; -l is each query's.
  writer& wr = writer_init(opts, state, cli.qp.explicit_output_limit, false, std::move(listener));
  c.wr = &wr;
  wr.record_hook = [&c](fetch& f, const pdns_tuple& tup, std::string_view line) {
    return c.on_record(f, tup, line);
  };
  state.engine.budget_on = true;
  state.engine.budget_left = opts.budget;
  for (int depth = 0; !c.level.empty(); ++depth) {
    c.run_level();
    if (depth == opts.pivot || c.at_limit()) break;
    c.level = c.next_level(depth + 1);
  }
  writer_fini(state, wr);
  if (c.unasked > 0 || c.cut > 0)
    warning(
        "the budget of %ld requests ran out: %ld derived queries left unasked, %ld answers cut "
        "before their end",
        opts.budget, c.unasked, c.cut);
  return state.exit_status;
}

}  // namespace trawl
