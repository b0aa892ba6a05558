// The response headers of a paged answer, as a service sends them: the
// cursor of the next page and the report of an answer cut short, and what
// goes back to the service in the next request.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backends/circl.h"
#include "backends/systems.h"
#include "core/transfer.h"
#include "engine/paging.h"

namespace {

bool holds_line_end(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  fetch f;
  f.page.follow = true;
  // One header line per line of input, as the library hands them over.
  while (!input.empty()) {
    const size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end == std::string_view::npos ? end : end + 1);
    page_header(f.page, line);
    input.remove_prefix(line.size());
  }
  for (const std::optional<std::string>* text : {&f.page.next_cursor, &f.page.cut_report})
    if (*text && holds_line_end(**text)) __builtin_trap();
  const run_options opts;
  const page_step step = circl_next_page(system_circl, opts, system_settings{}, f);
  if (step.outcome == page_outcome::next && !f.page.cursor) __builtin_trap();
  // Nothing a service sends may end or split the next request's headers.
  std::vector<std::string> headers;
  circl_answer_headers(opts, f, headers);
  for (const std::string& header : headers)
    for (char c : header)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) __builtin_trap();
  return 0;
}
