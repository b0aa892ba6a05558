// Shared set-up for the tests of record decoding and presentation: each test
// gets its own run options and run state, and a writer serving them.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <optional>
#include <string>
#include <string_view>

#include "backends/systems.h"
#include "core/diag.h"
#include "core/options.h"
#include "core/state.h"
#include "core/transfer.h"
#include "core/verb.h"
#include "engine/writer.h"
#include "records/present_csv.h"
#include "records/present_json.h"
#include "records/present_minimal.h"
#include "records/present_text.h"
#include "records/tuple.h"
#include "support/dedup_set.h"

namespace trawl {

class pdns_record_test : public testing::Test {
 protected:
  void SetUp() override {
    state_.psys = &system_trove1;
    state_.minimal_set = dedup_set_new(10000);
    diag_attach(opts_);
  }

  void TearDown() override {
    // Log lines written after this test must not read its options.
    static const run_options after_test;
    diag_attach(after_test);
  }

  using present_function = void (*)(const pdns_tuple&, const query_detail*, present_context&);

  // Gives the run's presentation and the writer what the test set in its
  // options, as the program does once the options are fixed.
  void prepare(writer& wr) {
    presentation_init(opts_, state_);
    writer_configure(opts_, state_, wr);
  }

  // True when the current system frames its records, as the record stream
  // decides it.
  bool framed() const { return state_.psys != nullptr && state_.psys->encap == encapsulation::saf; }

  // Decodes line, which the test expects to be a valid record, presents it
  // and returns what went to standard output.
  std::string render(present_function present, std::string_view line, const query* qry,
                     writer& wr) {
    prepare(wr);
    pdns_tuple tup;
    std::optional<tuple_error> error = tuple_make(tup, line, opts_.transforms, framed());
    EXPECT_FALSE(error) << line << ": " << error->text;
    if (error) return "(not decoded)";
    testing::internal::CaptureStdout();
    present(tup, qry != nullptr ? &qry->detail : nullptr, wr.present);
    sink_.flush();
    tuple_unmake(tup);
    return testing::internal::GetCapturedStdout();
  }

  std::string render(present_function present, std::string_view line, const query* qry = nullptr) {
    return render(present, line, qry, wr_);
  }

  run_options opts_;
  // Each line leaves at once, so that the capture of standard output sees it.
  output_sink sink_{STDOUT_FILENO, true};
  run_state state_{sink_};
  writer wr_{state_.present, sink_};
};

// A lookup record as an owner search finds it.
inline constexpr std::string_view sample_lookup =
    R"({"count":5,"time_first":1600000000,"time_last":1600003600,"rrname":"host.example.com.",)"
    R"("rrtype":"A","bailiwick":"example.com.","rdata":["192.0.2.1","192.0.2.2"]})";

inline constexpr std::string_view sample_summary =
    R"({"count":1234,"num_results":7,"time_first":1600000000,"time_last":1600003600,)"
    R"("zone_time_first":1262304000,"zone_time_last":1609459200})";

}  // namespace trawl
