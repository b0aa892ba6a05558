#include "engine/curl_debug.h"

#include <strings.h>

#include <cstdio>
#include <string_view>

namespace trawl {

namespace {

// Request headers whose values are credentials.
constexpr std::string_view secret_headers[] = {"X-Api-Key:", "Authorization:"};

// The library's own note names the user of basic authentication.
constexpr std::string_view auth_note = "Server auth using Basic with user ";

void write_line(const char* prefix, std::string_view line, bool redact) {
  if (line.substr(0, auth_note.size()) == auth_note) {
    fprintf(stderr, "%s%.*s[redacted]\n", prefix, static_cast<int>(auth_note.size()), line.data());
    return;
  }
  if (redact) {
    for (std::string_view name : secret_headers) {
      if (line.size() >= name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0) {
        fprintf(stderr, "%s%.*s [redacted]\n", prefix, static_cast<int>(name.size()), line.data());
        return;
      }
    }
  }
  fprintf(stderr, "%s%.*s\n", prefix, static_cast<int>(line.size()), line.data());
}

}  // namespace

// The library's verbose trace in its usual form, except that credentials in
// request headers are never written: debug output ends up in bug reports.
int curl_debug_trace(CURL*, curl_infotype type, char* data, size_t size, void*) {
  const char* prefix = nullptr;
  switch (type) {
    case CURLINFO_TEXT:
      prefix = "* ";
      break;
    case CURLINFO_HEADER_IN:
      prefix = "< ";
      break;
    case CURLINFO_HEADER_OUT:
      prefix = "> ";
      break;
    default:
      return 0;  // bodies and TLS records are not traced
  }
  std::string_view text(data, size);
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    write_line(prefix, line, type == CURLINFO_HEADER_OUT);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}

}  // namespace trawl
