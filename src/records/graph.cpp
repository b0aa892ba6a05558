#include "records/graph.h"

#include <arpa/inet.h>

#include <cstring>
#include <functional>
#include <utility>

#include "core/present.h"
#include "records/tuple.h"
#include "support/ascii.h"
#include "support/safe_text.h"
#include "support/time_values.h"

namespace trawl {

namespace {

// An address in its one canonical form, or nothing when the text is none.
std::optional<std::string> address_text(std::string_view text, int family) {
  char terminated[64];
  if (text.size() >= sizeof terminated) return std::nullopt;
  memcpy(terminated, text.data(), text.size());
  terminated[text.size()] = '\0';
  unsigned char bytes[16];
  if (inet_pton(family, terminated, bytes) != 1) return std::nullopt;
  char shown[INET6_ADDRSTRLEN];
  if (inet_ntop(family, bytes, shown, sizeof shown) == nullptr) return std::nullopt;
  return std::string(shown);
}

std::optional<int64_t> number_word(std::string_view word) {
  if (word.empty() || word.size() > 9) return std::nullopt;
  int64_t value = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string_view> words_of(std::string_view text) {
  std::vector<std::string_view> words;
  for (size_t at = 0; at < text.size();) {
    const size_t start = text.find_first_not_of(' ', at);
    if (start == std::string_view::npos) break;
    const size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end - start));
    at = end == std::string_view::npos ? text.size() : end;
  }
  return words;
}

// What one data value points at, with the numbers beside it.
struct edge_target {
  std::string id;
  node_kind kind = node_kind::name;
  std::optional<int64_t> preference, priority, weight, port;
};

std::optional<edge_target> target_of(std::string_view rrtype, std::string_view value) {
  edge_target t;
  if (rrtype == "A" || rrtype == "AAAA") {
    const bool v4 = rrtype == "A";
    std::optional<std::string> address = address_text(value, v4 ? AF_INET : AF_INET6);
    if (!address) return std::nullopt;
    t.id = std::move(*address);
    t.kind = v4 ? node_kind::ipv4 : node_kind::ipv6;
    return t;
  }
  if (rrtype == "CNAME" || rrtype == "DNAME" || rrtype == "NS" || rrtype == "PTR") {
    if (value.empty()) return std::nullopt;
    t.id = safe_text(value);
    return t;
  }
  const std::vector<std::string_view> words = words_of(value);
  if (rrtype == "MX" && words.size() == 2) {
    t.preference = number_word(words[0]);
    t.id = safe_text(words[1]);
    return t;
  }
  if (rrtype == "SRV" && words.size() == 4) {
    t.priority = number_word(words[0]);
    t.weight = number_word(words[1]);
    t.port = number_word(words[2]);
    t.id = safe_text(words[3]);
    return t;
  }
  return std::nullopt;
}

// Names compare as DNS compares them: without regard to case.
std::string node_key(const std::string& id) {
  return ascii_lower(id);
}

// One record, whatever decoder made it: a digest of what it holds.
uint64_t record_digest(const pdns_tuple& tup) {
  const record_view& r = tup.view;
  if (!r.record_text.empty()) return std::hash<std::string_view>{}(r.record_text);
  std::string text;
  for (std::string_view part : {r.rrname, r.rrtype, r.bailiwick}) {
    text.append(part);
    text += '\0';
  }
  for (const rdata_entry& value : r.rdata_values) {
    text.append(value.bad ? std::string_view("\x01") : value.text);
    text += '\0';
  }
  for (uint64_t n : {r.time_first, r.time_last, r.zone_time_first, r.zone_time_last,
                     static_cast<uint64_t>(r.count)})
    text += std::to_string(n) + ' ';
  return std::hash<std::string>{}(text);
}

const char* kind_name(node_kind kind) {
  switch (kind) {
    case node_kind::name:
      return "name";
    case node_kind::ipv4:
      return "ipv4";
    case node_kind::ipv6:
      return "ipv6";
  }
  return "";
}

// A DOT ID in double quotes: its quote and backslash escaped. The text is
// safe already: no line break or control byte is left in it.
std::string dot_quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

std::string xml_escaped(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The attributes of an edge as name and text, in a fixed order; the
// numbers' type for the formats that declare it.
struct edge_attribute {
  const char* name;
  const char* type;  // GraphML's attr.type; GEXF takes the same words
  std::optional<std::string> (*value)(const graph_edge& e, bool iso);
};

std::optional<std::string> number_text(const std::optional<int64_t>& n) {
  return n ? std::optional<std::string>(std::to_string(*n)) : std::nullopt;
}

constexpr edge_attribute edge_attributes[] = {
    {"type", "string",
     [](const graph_edge& e, bool) { return std::optional<std::string>(e.type); }},
    {"time_first", "string",
     [](const graph_edge& e, bool iso) {
       return e.first == 0 && e.last == 0 ? std::nullopt
                                          : std::optional<std::string>(time_str(e.first, iso));
     }},
    {"time_last", "string",
     [](const graph_edge& e, bool iso) {
       return e.first == 0 && e.last == 0 ? std::nullopt
                                          : std::optional<std::string>(time_str(e.last, iso));
     }},
    {"times", "string",
     [](const graph_edge& e, bool) {
       return e.first == 0 && e.last == 0
                  ? std::nullopt
                  : std::optional<std::string>(e.zone_times ? "zone" : "record");
     }},
    {"count", "long",
     [](const graph_edge& e, bool) { return std::optional<std::string>(std::to_string(e.count)); }},
    {"depth", "int",
     [](const graph_edge& e, bool) {
       return e.depth < 0 ? std::nullopt : std::optional<std::string>(std::to_string(e.depth));
     }},
    {"preference", "long", [](const graph_edge& e, bool) { return number_text(e.preference); }},
    {"priority", "long", [](const graph_edge& e, bool) { return number_text(e.priority); }},
    {"weight", "long", [](const graph_edge& e, bool) { return number_text(e.weight); }},
    {"port", "long", [](const graph_edge& e, bool) { return number_text(e.port); }},
};

void write_dot(const record_graph& g, bool iso, output_sink& sink) {
  std::string out = "digraph trawl {\n";
  for (const graph_node& n : g.nodes) {
    out += "  " + dot_quoted(n.id) + " [kind=" + kind_name(n.kind) + "];\n";
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  for (const graph_edge& e : g.edges) {
    out += "  " + dot_quoted(g.nodes[e.from].id) + " -> " + dot_quoted(g.nodes[e.to].id) +
           " [label=" + dot_quoted(e.type);
    for (const edge_attribute& a : edge_attributes)
      if (std::optional<std::string> v = a.value(e, iso))
        out += std::string(", ") + a.name + "=" + dot_quoted(*v);
    out += "];\n";
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  sink.write(out + "}\n");
}

void write_graphml(const record_graph& g, bool iso, output_sink& sink) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n"
      "  <key id=\"kind\" for=\"node\" attr.name=\"kind\" attr.type=\"string\"/>\n";
  for (const edge_attribute& a : edge_attributes)
    out += std::string("  <key id=\"") + a.name + "\" for=\"edge\" attr.name=\"" + a.name +
           "\" attr.type=\"" + a.type + "\"/>\n";
  out += "  <graph id=\"trawl\" edgedefault=\"directed\">\n";
  for (const graph_node& n : g.nodes) {
    out += "    <node id=\"" + xml_escaped(n.id) + "\"><data key=\"kind\">" + kind_name(n.kind) +
           "</data></node>\n";
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  for (size_t i = 0; i < g.edges.size(); ++i) {
    const graph_edge& e = g.edges[i];
    out += "    <edge id=\"e" + std::to_string(i) + "\" source=\"" +
           xml_escaped(g.nodes[e.from].id) + "\" target=\"" + xml_escaped(g.nodes[e.to].id) + "\">";
    for (const edge_attribute& a : edge_attributes)
      if (std::optional<std::string> v = a.value(e, iso))
        out += std::string("<data key=\"") + a.name + "\">" + xml_escaped(*v) + "</data>";
    out += "</edge>\n";
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  sink.write(out + "  </graph>\n</graphml>\n");
}

void write_gexf(const record_graph& g, bool iso, output_sink& sink) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gexf xmlns=\"http://www.gexf.net/1.2draft\" version=\"1.2\">\n"
      "  <graph mode=\"static\" defaultedgetype=\"directed\">\n"
      "    <attributes class=\"node\">\n"
      "      <attribute id=\"kind\" title=\"kind\" type=\"string\"/>\n"
      "    </attributes>\n"
      "    <attributes class=\"edge\">\n";
  for (const edge_attribute& a : edge_attributes)
    out += std::string("      <attribute id=\"") + a.name + "\" title=\"" + a.name + "\" type=\"" +
           a.type + "\"/>\n";
  out += "    </attributes>\n    <nodes>\n";
  for (const graph_node& n : g.nodes) {
    const std::string id = xml_escaped(n.id);
    out.append("      <node id=\"").append(id).append("\" label=\"").append(id);
    out.append("\"><attvalues><attvalue for=\"kind\" value=\"").append(kind_name(n.kind));
    out.append("\"/></attvalues></node>\n");
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  out += "    </nodes>\n    <edges>\n";
  for (size_t i = 0; i < g.edges.size(); ++i) {
    const graph_edge& e = g.edges[i];
    out += "      <edge id=\"" + std::to_string(i) + "\" source=\"" +
           xml_escaped(g.nodes[e.from].id) + "\" target=\"" + xml_escaped(g.nodes[e.to].id) +
           "\" label=\"" + xml_escaped(e.type) + "\"><attvalues>";
    for (const edge_attribute& a : edge_attributes)
      if (std::optional<std::string> v = a.value(e, iso))
        out += std::string("<attvalue for=\"") + a.name + "\" value=\"" + xml_escaped(*v) + "\"/>";
    out += "</attvalues></edge>\n";
    if (out.size() > 65536) sink.write(std::exchange(out, {}));
  }
  sink.write(out + "    </edges>\n  </graph>\n</gexf>\n");
}

}  // namespace

void record_graph::add(const pdns_tuple& tup, const query_detail* qry) {
  const record_view& r = tup.view;
  if (!r.has_record || !r.has.rrname || r.rrname.empty()) return;
  const auto node = [this](std::string id, node_kind kind) {
    const std::string key = node_key(id);
    auto [it, fresh] = node_index.emplace(key, nodes.size());
    if (fresh) nodes.push_back({std::move(id), kind});
    return it->second;
  };
  const size_t owner = node(safe_text(r.rrname), node_kind::name);
  const std::string type = safe_text(r.rrtype);
  const bool record_times = r.has.time_first && r.has.time_last;
  const bool zone_times = !record_times && r.has.zone_time_first && r.has.zone_time_last;
  const uint64_t digest = record_digest(tup);
  for (const rdata_entry& value : r.rdata_values) {
    if (value.bad) continue;
    std::optional<edge_target> target = target_of(r.rrtype, value.text);
    if (!target) continue;
    const size_t to = node(target->id, target->kind);
    const std::string key = nodes[owner].id + '\0' + nodes[to].id + '\0' + type;
    auto [it, fresh] = edge_index.emplace(node_key(key), edges.size());
    if (fresh) {
      graph_edge e;
      e.from = owner;
      e.to = to;
      e.type = type;
      e.preference = target->preference;
      e.priority = target->priority;
      e.weight = target->weight;
      e.port = target->port;
      edges.push_back(std::move(e));
    }
    graph_edge& e = edges[it->second];
    if (qry != nullptr && qry->depth >= 0 && (e.depth < 0 || qry->depth < e.depth))
      e.depth = qry->depth;
    // The very same record reached twice counts once.
    if (!e.records.insert(digest).second) continue;
    if (record_times || zone_times) {
      const uint64_t first = record_times ? r.time_first : r.zone_time_first;
      const uint64_t last = record_times ? r.time_last : r.zone_time_last;
      const bool none_yet = e.first == 0 && e.last == 0;
      if (none_yet || first < e.first) e.first = first;
      if (none_yet || last > e.last) e.last = last;
      e.zone_times = none_yet ? zone_times : e.zone_times && zone_times;
    }
    e.count += r.count;
  }
}

void record_graph::write(graph_format format, bool iso_time, output_sink& sink) const {
  switch (format) {
    case graph_format::dot:
      write_dot(*this, iso_time, sink);
      break;
    case graph_format::graphml:
      write_graphml(*this, iso_time, sink);
      break;
    case graph_format::gexf:
      write_gexf(*this, iso_time, sink);
      break;
  }
}

}  // namespace trawl
