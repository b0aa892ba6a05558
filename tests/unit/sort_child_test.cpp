// Runs the real /usr/bin/sort, as the program does.
#include <csignal>
#include <string>
#include <vector>

#include "pdns_record_fixture.h"
#include "sort/sort_child.h"
#include "sort/sort_keys.h"
#include "sort/sort_line.h"

namespace trawl {
namespace {

std::vector<std::string> presented_names;
int presented_with_query = 0;

void record_presented(const pdns_tuple& tup, const query_detail* qry, present_context&) {
  presented_names.push_back(tup.view.has.rrname ? std::string(tup.rrname()) : "(none)");
  if (qry != nullptr) ++presented_with_query;
}

const presenter recording_presenter = {record_presented, true, false};

class sort_child_test : public pdns_record_test {
 protected:
  void SetUp() override {
    pdns_record_test::SetUp();
    opts_.presenter_selected = &recording_presenter;
    presented_names.clear();
    presented_with_query = 0;
  }

  // Sorts lines through a sort child as the record stream and the writer's
  // tear-down do, and returns standard error.
  std::string sort_records(writer& wr, const std::vector<std::string>& lines) {
    testing::internal::CaptureStderr();
    prepare(wr);
    sort_child_start(opts_, wr);
    EXPECT_NE(wr.sort_pid, 0);
    for (const std::string& line : lines) {
      pdns_tuple tup;
      EXPECT_FALSE(tuple_make(tup, line, opts_.transforms, framed())) << line;
      wr.count += sort_line_write(wr, tup, line);
      tuple_unmake(tup);
    }
    sort_child_finish(wr);
    return testing::internal::GetCapturedStderr();
  }

  static std::string record(const char* name, int first, const char* rdata = "192.0.2.1") {
    return std::string(R"({"rrname": ")") + name + R"(", "rrtype": "A", "time_first": )" +
           std::to_string(first) + R"(, "time_last": 2000000000, "rdata": [")" + rdata + "\"]}";
  }
};

TEST_F(sort_child_test, DefaultKeysSortFirstSeenNumericallyAndDropRepeats) {
  opts_.sorting = sort_mode::ascending;
  sort_key_defaults(opts_);
  writer wr{state_.present, sink_};
  const std::string err = sort_records(
      wr, {record("ten.", 10), record("nine.", 9), record("hundred.", 100), record("nine.", 9)});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"nine.", "ten.", "hundred."}));
  EXPECT_EQ(presented_with_query, 0);
  EXPECT_EQ(wr.sort_pid, 0);
  EXPECT_EQ(err, "");
}

TEST_F(sort_child_test, DescendingKeysReverseTheOrder) {
  opts_.sorting = sort_mode::descending;
  sort_key_defaults(opts_);
  writer wr{state_.present, sink_};
  sort_records(wr, {record("ten.", 10), record("nine.", 9), record("hundred.", 100)});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"hundred.", "ten.", "nine."}));
}

TEST_F(sort_child_test, DataKeyOrdersAddressesByValueNotText) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "data"), nullptr);
  sort_key_defaults(opts_);
  writer wr{state_.present, sink_};
  sort_records(wr, {record("ten.", 1, "10.0.0.1"), record("nine.", 2, "9.0.0.1"),
                    record("two-hundred.", 3, "200.0.0.1")});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"nine.", "ten.", "two-hundred."}));
}

// Ties on the first key are broken by the second, whatever the kinds of the
// two; records alike on all seven keys are still two records.
TEST_F(sort_child_test, LaterKeysBreakTiesAndOnlyExactRepeatsAreDropped) {
  struct row {
    std::vector<const char*> keys;
    std::vector<std::string> lines;
    std::vector<std::string> expected;
  };
  const auto counted = [](const char* name, int count) {
    return std::string(R"({"rrname": ")") + name + R"(", "rrtype": "A", "count": )" +
           std::to_string(count) + R"(, "rdata": ["192.0.2.1"]})";
  };
  const auto in_zone = [](const char* zone) {
    return std::string(R"({"rrname": "a.", "rrtype": "A", "bailiwick": ")") + zone +
           R"(", "rdata": ["192.0.2.1"]})";
  };
  const row rows[] = {
      // a-b. and ab. are alike on the name key, which keeps letters and digits only.
      {{"name", "count"},
       {counted("b.", 1), counted("a-b.", 20), counted("ab.", 3)},
       {"ab.", "a-b.", "b."}},
      {{"count", "name"},
       {counted("c.", 5), counted("b.", 5), counted("a.", 9), counted("d.", 1)},
       {"d.", "b.", "c.", "a."}},
      {{}, {in_zone("x."), in_zone("y."), in_zone("x.")}, {"a.", "a."}},
  };
  for (const row& r : rows) {
    opts_.sort_keys.clear();
    opts_.sorting = sort_mode::ascending;
    for (const char* key : r.keys) ASSERT_EQ(sort_key_add(opts_, key), nullptr);
    sort_key_defaults(opts_);
    presented_names.clear();
    writer wr{state_.present, sink_};
    sort_records(wr, r.lines);
    EXPECT_EQ(presented_names, r.expected) << r.lines.front();
  }
}

TEST_F(sort_child_test, OutputLimitStopsTheChildQuietly) {
  opts_.sorting = sort_mode::ascending;
  sort_key_defaults(opts_);
  opts_.debug_level = 1;
  writer wr{state_.present, sink_};
  wr.output_limit = 2;
  const std::string err = sort_records(
      wr, {record("e.", 5), record("d.", 4), record("c.", 3), record("b.", 2), record("a.", 1)});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"a.", "b."}));
  EXPECT_TRUE(wr.sort_killed);
  EXPECT_EQ(err.find("sort exit status"), std::string::npos) << err;
  EXPECT_NE(err.find("closed sort_stdin, wrote 5 objs\n"), std::string::npos) << err;
  EXPECT_NE(err.find("closed sort_stdout, read 2 objs (lim 2)\n"), std::string::npos) << err;
}

TEST_F(sort_child_test, DebugLineShowsTheSortArguments) {
  opts_.sorting = sort_mode::ascending;
  ASSERT_EQ(sort_key_add(opts_, "count"), nullptr);
  opts_.sorting = sort_mode::descending;
  sort_key_defaults(opts_);
  opts_.debug_level = 1;
  writer wr{state_.present, sink_};
  const std::string err = sort_records(wr, {});
  EXPECT_NE(err.find(": \"/usr/bin/sort\" args: [sort] [-u] [-k4,4n] [-k1,1nr] [-k2,2nr] "
                     "[-k3,3nr] [-k5,5r] [-k6,6r] [-k7,7r] [-k8r]\n"),
            std::string::npos)
      << err;
  EXPECT_TRUE(presented_names.empty());
}

TEST_F(sort_child_test, ASortProgramThatDiesFailsTheRun) {
  opts_.sorting = sort_mode::ascending;
  sort_key_defaults(opts_);
  writer wr{state_.present, sink_};
  testing::internal::CaptureStderr();
  prepare(wr);
  sort_child_start(opts_, wr);
  kill(wr.sort_pid, SIGKILL);
  sort_child_finish(wr);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("warning: sort exit status is"), std::string::npos) << err;
  EXPECT_TRUE(wr.incomplete);
}

}  // namespace
}  // namespace trawl
