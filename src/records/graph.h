// Records as a graph of names and addresses, written at the end of the run
// as one document: DOT (Graphviz), GraphML (Gephi, Cytoscape, yEd) or GEXF.
// A node is a name, an IPv4 or an IPv6 address; an edge leads from a
// record's owner to each name or address in its data, labelled with the
// type and carrying the times, the count and, in a crawl, the depth. The
// graph grows with its nodes and edges, not with the records.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "support/output_sink.h"

namespace trawl {

struct pdns_tuple;
struct query_detail;

enum class graph_format { dot, graphml, gexf };

enum class node_kind { name, ipv4, ipv6 };

struct graph_node {
  std::string id;  // as text output shows it
  node_kind kind;
};

struct graph_edge {
  size_t from, to;
  std::string type;
  uint64_t first = 0, last = 0;  // earliest first seen, latest last seen
  bool zone_times = false;       // the times are zone times (the records had no others)
  int64_t count = 0;             // summed over the records
  int depth = -1;                // the least depth of a crawl query that found it
  // The numbers the data holds beside the name: an MX preference; an SRV
  // priority, weight and port.
  std::optional<int64_t> preference, priority, weight, port;
  std::unordered_set<uint64_t> records;  // digests of the records counted, each once
};

struct record_graph {
  std::vector<graph_node> nodes;
  std::unordered_map<std::string, size_t> node_index;  // by the name in lower case
  std::vector<graph_edge> edges;
  std::unordered_map<std::string, size_t> edge_index;  // by owner, value and type

  // Takes one record; qry gives the crawl depth, when there is one.
  void add(const pdns_tuple& tup, const query_detail* qry);

  // The whole document, nodes and edges in the order they were first met.
  void write(graph_format format, bool iso_time, output_sink& sink) const;
};

}  // namespace trawl
