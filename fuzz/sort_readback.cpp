// The sort line: cutting a sorted line back into its record, and the round
// trip of a record through the line the sort program is given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/transfer.h"
#include "fuzz_run.h"
#include "records/tuple.h"
#include "sort/sort_line.h"

namespace trawl {
namespace {

fuzz_run& the_fuzz_run() {
  static fuzz_run* run = new fuzz_run;
  return *run;
}

// The line sort_line_write makes for the record of line, without its newline.
std::string sort_line_of(fuzz_run& run, const pdns_tuple& tup, std::string_view line) {
  char* text = nullptr;
  size_t length = 0;
  writer wr{run.state.present, run.sink};
  wr.sorting = true;
  wr.sort_stdin.reset(open_memstream(&text, &length));
  if (!wr.sort_stdin) abort();
  if (sort_line_write(wr, tup, line) != 1) __builtin_trap();
  sort_line_flush(wr);
  wr.sort_stdin.reset();  // closing it settles text and length
  std::string written(text, length);
  free(text);
  // One line: the sort program and the read-back both cut at newlines.
  if (written.empty() || written.back() != '\n') __builtin_trap();
  written.pop_back();
  if (written.find('\n') != std::string::npos) __builtin_trap();
  return written;
}

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // Any bytes, read as one line of the sort program's output: a record cut
  // out of it is the line's tail.
  std::string_view record;
  if (sort_line_split(input, &record) == nullptr &&
      record.data() + record.size() != input.data() + input.size())
    __builtin_trap();

  // A response line never holds a newline: the record stream cut it there.
  if (input.find('\n') != std::string_view::npos) return 0;
  fuzz_run& run = the_fuzz_run();
  pdns_tuple tup;
  if (tuple_make(tup, input, run.opts.transforms, false)) return 0;
  const std::string line = sort_line_of(run, tup, input);
  tuple_unmake(tup);

  // The record comes back byte for byte, blanks, NULs and all.
  if (sort_line_split(line, &record) != nullptr) __builtin_trap();
  if (record != input) __builtin_trap();
  return 0;
}
