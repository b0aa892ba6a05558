// Runs the real /usr/bin/sort, as the program does.
#include <string>
#include <vector>

#include "pdns_record_fixture.h"
#include "trawl/sort.h"
#include "trawl/sort_child.h"

namespace trawl {
namespace {

std::vector<std::string> presented_names;
int presented_with_query = 0;

void record_presented(const pdns_tuple& tup, query* qry, writer&) {
  presented_names.push_back(tup.rrname.value_or("(none)"));
  if (qry != nullptr) ++presented_with_query;
}

const presenter recording_presenter = {record_presented, true};

class sort_child_test : public pdns_record_test {
 protected:
  void SetUp() override {
    pdns_record_test::SetUp();
    presenter_selected = &recording_presenter;
    presented_names.clear();
    presented_with_query = 0;
    sort_keys_free();
  }

  void TearDown() override {
    sort_keys_free();
    pdns_record_test::TearDown();
  }

  // Sorts lines through a sort child as the record stream and the writer's
  // tear-down do, and returns standard error.
  std::string sort_records(writer& wr, const std::vector<std::string>& lines) {
    testing::internal::CaptureStderr();
    sort_child_start(wr);
    EXPECT_NE(wr.sort_pid, 0);
    query q;
    q.wr = &wr;
    fetch f;
    f.qry = &q;
    for (const std::string& line : lines) {
      pdns_tuple tup;
      const char* message = nullptr;
      EXPECT_EQ(tuple_make(tup, line, &message), tuple_outcome::ok) << line;
      wr.count += sort_line_write(f, tup, line);
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
  sorting = sort_ascending;
  sort_key_defaults();
  writer wr;
  const std::string err = sort_records(
      wr, {record("ten.", 10), record("nine.", 9), record("hundred.", 100), record("nine.", 9)});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"nine.", "ten.", "hundred."}));
  EXPECT_EQ(presented_with_query, 0);
  EXPECT_EQ(wr.sort_pid, 0);
  EXPECT_EQ(err, "");
}

TEST_F(sort_child_test, DescendingKeysReverseTheOrder) {
  sorting = sort_descending;
  sort_key_defaults();
  writer wr;
  sort_records(wr, {record("ten.", 10), record("nine.", 9), record("hundred.", 100)});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"hundred.", "ten.", "nine."}));
}

TEST_F(sort_child_test, DataKeyOrdersAddressesByValueNotText) {
  sorting = sort_ascending;
  ASSERT_EQ(sort_key_add("data"), nullptr);
  sort_key_defaults();
  writer wr;
  sort_records(wr, {record("ten.", 1, "10.0.0.1"), record("nine.", 2, "9.0.0.1"),
                    record("two-hundred.", 3, "200.0.0.1")});
  EXPECT_EQ(presented_names, (std::vector<std::string>{"nine.", "ten.", "two-hundred."}));
}

TEST_F(sort_child_test, OutputLimitStopsTheChildQuietly) {
  sorting = sort_ascending;
  sort_key_defaults();
  debug_level = 1;
  writer wr;
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
  sorting = sort_ascending;
  ASSERT_EQ(sort_key_add("count"), nullptr);
  sorting = sort_descending;
  sort_key_defaults();
  debug_level = 1;
  writer wr;
  const std::string err = sort_records(wr, {});
  EXPECT_NE(err.find(": \"/usr/bin/sort\" args: [sort] [-u] [-k4n] [-k1nr] [-k2nr] [-k3nr] "
                     "[-k5r] [-k6r] [-k7r]\n"),
            std::string::npos)
      << err;
  EXPECT_TRUE(presented_names.empty());
}

}  // namespace
}  // namespace trawl
