// The graph made of decoded records and written as DOT, GraphML and GEXF:
// whatever the records hold, each document is one a reader can load. A
// crash when a document is not UTF-8, holds a control byte, leaves a DOT
// string open or an XML element, attribute or entity unbalanced.
//
// Input: a control byte, then records, one JSON line each.
//   control bits 0-1  DOT, GraphML, GEXF (3: all three)
//           bit 2     ISO times
//           bit 3     records come from a crawl, at the depth of their line
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/present.h"
#include "records/graph.h"
#include "records/tuple.h"
#include "support/file_handles.h"
#include "support/output_sink.h"

namespace trawl {
namespace {

[[noreturn]] void bad_document(const char* what, std::string_view doc) {
  fprintf(stderr, "%s in:\n%.*s\n", what, static_cast<int>(doc.size()), doc.data());
  __builtin_trap();
}

std::string written(const record_graph& g, graph_format format, bool iso) {
  static const int fd = memfd_create("graph_documents", MFD_CLOEXEC);
  if (fd < 0) abort();
  {
    output_sink sink(fd);
    g.write(format, iso, sink);
    sink.flush();
  }
  const off_t size = lseek(fd, 0, SEEK_CUR);
  std::string doc(static_cast<size_t>(size), '\0');
  if (size > 0 && pread(fd, doc.data(), doc.size(), 0) != size) abort();
  if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) abort();
  return doc;
}

// UTF-8 without overlong forms or surrogates, and no control byte but the
// line break: what XML 1.0 and DOT take as text.
void check_text(std::string_view doc) {
  for (size_t i = 0; i < doc.size();) {
    const auto b = static_cast<unsigned char>(doc[i]);
    if (b < 0x80) {
      if ((b < 0x20 && b != '\n') || b == 0x7f) bad_document("control byte", doc);
      ++i;
      continue;
    }
    size_t n = 0;
    char32_t c = 0;
    if (b >= 0xc2 && b <= 0xdf)
      n = 1, c = b & 0x1f;
    else if (b >= 0xe0 && b <= 0xef)
      n = 2, c = b & 0x0f;
    else if (b >= 0xf0 && b <= 0xf4)
      n = 3, c = b & 0x07;
    else
      bad_document("invalid UTF-8", doc);
    if (i + n >= doc.size()) bad_document("cut UTF-8", doc);
    for (size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(doc[i + k]);
      if ((t & 0xc0) != 0x80) bad_document("invalid UTF-8", doc);
      c = (c << 6) | (t & 0x3f);
    }
    if ((n == 2 && c < 0x800) || (n == 3 && (c < 0x10000 || c > 0x10ffff)) ||
        (c >= 0xd800 && c <= 0xdfff) || c == 0xfffe || c == 0xffff)
      bad_document("a character XML does not take", doc);
    i += n + 1;
  }
}

// Every quoted ID closed on its line, with no quote or backslash left bare.
void check_dot(std::string_view doc) {
  if (doc.substr(0, 16) != "digraph trawl {\n" || doc.substr(doc.size() - 2) != "}\n")
    bad_document("not one digraph", doc);
  bool quoted = false;
  for (size_t i = 0; i < doc.size(); ++i) {
    const char c = doc[i];
    if (quoted && c == '\\') {
      if (i + 1 == doc.size() || (doc[i + 1] != '"' && doc[i + 1] != '\\'))
        bad_document("a stray backslash", doc);
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == '\n' && quoted) {
      bad_document("a string left open", doc);
    } else if (!quoted && (c == '\\' || c == '{' || c == '}') && i != 14 && i != doc.size() - 2) {
      bad_document("a brace or backslash outside a string", doc);
    }
  }
}

// Elements nested and closed, attribute values quoted without a bare '<',
// '&' only as one of the five entities, and the one root closed last.
void check_xml(std::string_view doc, std::string_view root) {
  std::vector<std::string_view> open;
  const auto entity = [&](size_t at) {
    for (std::string_view e : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
      if (doc.substr(at, e.size()) == e) return;
    bad_document("a bare '&'", doc);
  };
  if (doc.substr(0, 2) != "<?") bad_document("no XML declaration", doc);
  size_t i = doc.find("?>");
  if (i == std::string_view::npos) bad_document("no XML declaration", doc);
  bool had_root = false;
  for (i += 2; i < doc.size();) {
    if (doc[i] == '&') entity(i);
    if (doc[i] == '>') bad_document("a bare '>'", doc);
    if (doc[i] != '<') {
      if (open.empty() && doc[i] != '\n') bad_document("text outside the root", doc);
      ++i;
      continue;
    }
    const bool closing = i + 1 < doc.size() && doc[i + 1] == '/';
    size_t at = i + (closing ? 2 : 1);
    const size_t name_end = doc.find_first_of(" />", at);
    if (name_end == std::string_view::npos || name_end == at) bad_document("a cut tag", doc);
    const std::string_view name = doc.substr(at, name_end - at);
    at = name_end;
    bool quoted = false;
    for (; at < doc.size() && (quoted || doc[at] != '>'); ++at) {
      if (doc[at] == '"')
        quoted = !quoted;
      else if (doc[at] == '<')
        bad_document("a '<' in a tag", doc);
      else if (doc[at] == '&')
        entity(at);
    }
    if (at == doc.size()) bad_document("a tag left open", doc);
    const bool empty = doc[at - 1] == '/';
    if (closing) {
      if (open.empty() || open.back() != name) bad_document("a mismatched end tag", doc);
      open.pop_back();
    } else if (!empty) {
      if (open.empty()) {
        if (had_root || name != root) bad_document("not one root", doc);
        had_root = true;
      }
      open.push_back(name);
    }
    i = at + 1;
  }
  if (!had_root || !open.empty()) bad_document("elements left open", doc);
}

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  if (size < 1) return -1;
  const uint8_t control = data[0];
  std::string_view lines(reinterpret_cast<const char*>(data + 1), size - 1);

  record_graph g;
  query_detail qry;
  qry.mode = search_mode::rrset_name;
  transform_set transforms;
  for (int depth = 0; !lines.empty(); ++depth) {
    const size_t end = lines.find('\n');
    const std::string_view line = lines.substr(0, end);
    lines = end == std::string_view::npos ? std::string_view() : lines.substr(end + 1);
    pdns_tuple tup;
    if (tuple_make(tup, line, transforms, false)) continue;
    qry.depth = depth % 5;
    g.add(tup, (control & 8) != 0 ? &qry : nullptr);
  }
  const bool iso = (control & 4) != 0;
  const unsigned which = control & 3;
  if (which == 0 || which == 3) {
    const std::string doc = written(g, graph_format::dot, iso);
    check_text(doc);
    check_dot(doc);
  }
  if (which == 1 || which == 3) {
    const std::string doc = written(g, graph_format::graphml, iso);
    check_text(doc);
    check_xml(doc, "graphml");
  }
  if (which == 2 || which == 3) {
    const std::string doc = written(g, graph_format::gexf, iso);
    check_text(doc);
    check_xml(doc, "gexf");
  }
  return 0;
}
