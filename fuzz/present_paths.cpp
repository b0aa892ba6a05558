// What the presenters print for one line decoded by the fast decoder and by
// the reference decoder (the JSON library): every presentation, both verbs,
// the transforms, framed and plain. Any byte of difference is a crash. AS
// annotation stays off: it would ask the resolver.
//
// Input: a control byte, then the line.
//   control bits 0-1  presentation: text, JSON, CSV, minimal
//           bit 2     framed stream rather than plain lines
//           bit 3     summarize verb (its presenters; minimal has none)
//           bit 4     datefix
//           bit 5     reverse
//           bit 6     chomp
//           bit 7     JSON: qdetail; others: ISO times, and minimal searches
//                     by record data
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/present.h"
#include "core/verb.h"
#include "records/tuple.h"
#include "records/verbs.h"
#include "sort/sortable.h"
#include "support/dedup_set.h"
#include "support/file_handles.h"
#include "support/output_sink.h"
#include "support/safe_text.h"

namespace trawl {
namespace {

// A file in memory that a sink writes to and that is read back after each
// presentation.
struct captured_output {
  unique_fd fd{memfd_create("present_paths", MFD_CLOEXEC)};

  captured_output() {
    if (!fd) abort();
  }

  std::string take() {
    const off_t size = lseek(fd.get(), 0, SEEK_CUR);
    std::string text(static_cast<size_t>(size), '\0');
    if (size > 0 && pread(fd.get(), text.data(), text.size(), 0) != size) abort();
    if (ftruncate(fd.get(), 0) != 0 || lseek(fd.get(), 0, SEEK_SET) != 0) abort();
    return text;
  }
};

captured_output& the_output() {
  static captured_output* output = new captured_output;
  return *output;
}

std::string present(const presenter& pres, const presentation& settings, const pdns_tuple& tup,
                    const query_detail& qry) {
  captured_output& output = the_output();
  {
    output_sink sink(output.fd.get());
    present_context ctx(settings, sink);
    // Twice, so that what a writer remembers (the CSV header) plays its part.
    pres.function(tup, &qry, ctx);
    pres.function(tup, &qry, ctx);
    sink.flush();
  }
  return output.take();
}

bool has_bad_rdata(const pdns_tuple& tup) {
  for (const rdata_entry& value : tup.view.rdata_values)
    if (value.bad) return true;
  return false;
}

// True when the text holds a C1 control, a bidirectional control or a
// zero-width character as raw UTF-8.
bool holds_invisible(std::string_view text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    if (b(i) == 0xc2 && b(i + 1) >= 0x80 && b(i + 1) <= 0x9f) return true;
    if (i + 2 >= text.size()) continue;
    char32_t c = 0;
    if (b(i) == 0xe2 || b(i) == 0xef)
      c = static_cast<char32_t>(((b(i) & 0x0f) << 12) | ((b(i + 1) & 0x3f) << 6) |
                                (b(i + 2) & 0x3f));
    if (b(i + 1) >= 0x80 && b(i + 1) <= 0xbf && b(i + 2) >= 0x80 && b(i + 2) <= 0xbf &&
        is_invisible_code_point(c))
      return true;
  }
  return false;
}

[[noreturn]] void differs(const char* what, std::string_view line, const std::string& fast,
                          const std::string& reference) {
  fprintf(stderr, "%s differs for '%.*s'\nfast:      '%s'\nreference: '%s'\n", what,
          static_cast<int>(line.size()), line.data(), fast.c_str(), reference.c_str());
  __builtin_trap();
}

}  // namespace
}  // namespace trawl

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace trawl;
  if (size < 1) return -1;
  const uint8_t control = data[0];
  const std::string_view line(reinterpret_cast<const char*>(data + 1), size - 1);

  static constexpr presentation_format formats[] = {
      presentation_format::text, presentation_format::json, presentation_format::csv,
      presentation_format::minimal};
  const presentation_format format = formats[control & 3];
  const bool framed = (control & 4) != 0;
  const verb* chosen = &verbs[0];
  if ((control & 8) != 0 && verb_presenter(verbs[1], format) != nullptr) chosen = &verbs[1];
  const presenter& pres = *verb_presenter(*chosen, format);

  presentation settings;
  if ((control & 16) != 0) settings.transforms.add(transform::datefix);
  if ((control & 32) != 0) settings.transforms.add(transform::reverse);
  if ((control & 64) != 0) settings.transforms.add(transform::chomp);
  query_detail qry;
  qry.mode = search_mode::rrset_name;
  if ((control & 128) != 0) {
    if (format == presentation_format::json) {
      settings.transforms.add(transform::qdetail);
      qry.descr = "rrset/name/fuzz.example";
      qry.qp.after = 1600000000;
      qry.qp.query_limit = 10;
    } else {
      settings.iso_time = true;
      qry.mode = search_mode::rdata_name;
    }
  }

  pdns_tuple reference;
  const std::optional<tuple_error> reference_error =
      tuple_make_reference(reference, line, settings.transforms, framed);
  pdns_tuple fast;
  const std::optional<tuple_error> fast_error = tuple_make(fast, line, settings.transforms, framed);
  if (reference_error || fast_error) {
    const std::string f = fast_error ? fast_error->text : "decoded";
    const std::string r = reference_error ? reference_error->text : "decoded";
    if (f != r || (fast_error && fast_error->not_json != reference_error->not_json))
      differs("error", line, f, r);
    return 0;
  }
  if (fast.view.has_record != reference.view.has_record) differs("record", line, "", "");
  // A framed line without obj is framing only: nothing is presented.
  if (framed && !reference.view.has_record) return 0;

  // Each path with its own set of values printed so far, as a run has one.
  std::unique_ptr<dedup_set> seen = dedup_set_new(16);
  settings.minimal_set = seen.get();
  const std::string printed_reference = present(pres, settings, reference, qry);
  seen = dedup_set_new(16);
  settings.minimal_set = seen.get();
  const std::string printed_fast = present(pres, settings, fast, qry);
  if (printed_fast != printed_reference) differs("output", line, printed_fast, printed_reference);
  // Whatever the server sent, no presentation lets a character through that
  // reorders or hides the text around it.
  if (holds_invisible(printed_fast)) differs("invisible character", line, printed_fast, "");

  // The sort line's fields too; data with bad slots would only warn.
  if (!has_bad_rdata(reference)) {
    const auto text = [](const std::optional<std::string>& s) { return s ? *s : "(none)"; };
    if (sortable_rrname(fast) != sortable_rrname(reference))
      differs("sortable rrname", line, text(sortable_rrname(fast)),
              text(sortable_rrname(reference)));
    if (sortable_rdata(fast) != sortable_rdata(reference))
      differs("sortable rdata", line, text(sortable_rdata(fast)), text(sortable_rdata(reference)));
  }
  return 0;
}
