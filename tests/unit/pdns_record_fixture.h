// Shared set-up for the tests of record decoding and presentation: the
// program-wide settings they read are fixed per test and restored afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "trawl/dedup_set.h"
#include "trawl/netio.h"
#include "trawl/pdns_system.h"
#include "trawl/present.h"
#include "trawl/settings.h"
#include "trawl/tuple.h"

namespace trawl {

class pdns_record_test : public testing::Test {
 protected:
  void SetUp() override {
    saved_psys_ = psys;
    saved_transforms_ = transforms;
    saved_iso_time_ = iso_time;
    saved_asinfo_lookup_ = asinfo_lookup;
    saved_debug_level_ = debug_level;
    saved_sorting_ = sorting;
    saved_presenter_ = presenter_selected;
    saved_program_name_ = program_name;
    saved_minimal_set_ = std::move(minimal_set);

    psys = &system_trove1;
    transforms = 0;
    iso_time = false;
    asinfo_lookup = false;
    debug_level = 0;
    sorting = sort_none;
    presenter_selected = nullptr;
    program_name = "trawl";
    minimal_set = dedup_set_new(10000);
  }

  void TearDown() override {
    psys = saved_psys_;
    transforms = saved_transforms_;
    iso_time = saved_iso_time_;
    asinfo_lookup = saved_asinfo_lookup_;
    debug_level = saved_debug_level_;
    sorting = saved_sorting_;
    presenter_selected = saved_presenter_;
    program_name = saved_program_name_;
    minimal_set = std::move(saved_minimal_set_);
  }

  using present_function = void (*)(const pdns_tuple&, query*, writer&);

  // Decodes line, which the test expects to be a valid record, presents it
  // and returns what went to standard output.
  static std::string render(present_function present, std::string_view line, query* qry,
                            writer& wr) {
    pdns_tuple tup;
    const char* message = nullptr;
    tuple_outcome outcome = tuple_make(tup, line, &message);
    EXPECT_EQ(outcome, tuple_outcome::ok) << line;
    if (outcome != tuple_outcome::ok) return "(not decoded)";
    testing::internal::CaptureStdout();
    present(tup, qry, wr);
    fflush(stdout);
    tuple_unmake(tup);
    return testing::internal::GetCapturedStdout();
  }

  std::string render(present_function present, std::string_view line, query* qry = nullptr) {
    return render(present, line, qry, wr_);
  }

  writer wr_;

 private:
  const pdns_system* saved_psys_ = nullptr;
  unsigned saved_transforms_ = 0;
  bool saved_iso_time_ = false;
  bool saved_asinfo_lookup_ = false;
  int saved_debug_level_ = 0;
  sort_mode saved_sorting_ = sort_none;
  const presenter* saved_presenter_ = nullptr;
  std::string saved_program_name_;
  std::unique_ptr<dedup_set> saved_minimal_set_;
};

// A lookup record as an owner search finds it.
inline constexpr std::string_view sample_lookup =
    R"({"count":5,"time_first":1600000000,"time_last":1600003600,"rrname":"host.example.com.",)"
    R"("rrtype":"A","bailiwick":"example.com.","rdata":["192.0.2.1","192.0.2.2"]})";

inline constexpr std::string_view sample_summary =
    R"({"count":1234,"num_results":7,"time_first":1600000000,"time_last":1600003600,)"
    R"("zone_time_first":1262304000,"zone_time_last":1609459200})";

}  // namespace trawl
