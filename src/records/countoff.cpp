#include "records/countoff.h"

namespace trawl {

namespace {

// Calls on_label_end with the offset just past every dot that ends a label; a
// backslash makes the next character, dot or backslash, ordinary.
template <typename Visit>
void walk_label_ends(const char* name, Visit on_label_end) {
  bool escaped = false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (escaped) {
      escaped = false;
    } else if (*p == '\\') {
      escaped = true;
    } else if (*p == '.') {
      on_label_end(static_cast<size_t>(p + 1 - name));
    }
  }
}

}  // namespace

// Two flat passes instead of one level of recursion per label: a hostile name
// of a few hundred thousand labels must not be able to exhaust the stack. The
// first pass counts, so that lens is allocated once at its exact size.
counted countoff(const char* name) {
  counted result;
  size_t ended = 0;
  size_t last_end = 0;
  walk_label_ends(name, [&](size_t end) {
    ++ended;
    last_end = end;
  });
  for (const char* p = name; *p != '\0'; ++p) {
    if (is_ascii_alnum(*p)) ++result.nalnum;
    ++result.nchar;
  }
  bool tail = last_end < result.nchar;

  result.nlabel = static_cast<int>(ended + (tail ? 1 : 0));
  result.lens.reserve(static_cast<size_t>(result.nlabel));
  size_t label_start = 0;
  walk_label_ends(name, [&](size_t end) {
    result.lens.push_back(end - label_start);
    label_start = end;
  });
  if (tail) result.lens.push_back(result.nchar - label_start);
  return result;
}

std::string reverse_name(const char* name) {
  counted c = countoff(name);
  std::string out;
  // One leading dot is added and a final dot, if any, dropped: nchar + 1 at most.
  out.reserve(c.nchar + 1);
  size_t label_end = c.nchar;
  for (size_t i = c.lens.size(); i-- > 0;) {  // last label first
    const size_t len = c.lens[i];
    size_t label_start = label_end - len;
    size_t keep = len;
    if (keep > 0 && name[label_start + keep - 1] == '.') --keep;
    out += '.';
    out.append(name + label_start, keep);
    label_end = label_start;
  }
  return out;
}

std::string transform_rrname(std::string copy, bool reverse, bool chomp) {
  if (reverse) {
    std::string reversed = reverse_name(copy.c_str());
    if (chomp && !reversed.empty()) reversed.erase(0, 1);
    return reversed;
  }
  if (chomp && !copy.empty() && copy.back() == '.' &&
      (copy.size() == 1 || copy[copy.size() - 2] != '\\')) {
    copy.pop_back();
  }
  return copy;
}

std::string countoff_report(const char* caller, const char* name, const counted& c) {
  std::string line = "\"";
  line += name;
  line += "\" -> {nlabel " + std::to_string(c.nlabel) + ", nchar " + std::to_string(c.nchar) +
          ", nalnum " + std::to_string(c.nalnum) + ", lens [";
  const char* separator = "";
  for (size_t len : c.lens) {
    line += separator;
    line += std::to_string(len);
    separator = ", ";
  }
  line += "]} (";
  line += caller;
  line += ")\n";
  return line;
}

}  // namespace trawl
