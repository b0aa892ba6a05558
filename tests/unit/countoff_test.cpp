#include "records/countoff.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <string>
#include <vector>

namespace trawl {
namespace {

struct count_row {
  const char* name;
  int nlabel;
  size_t nchar;
  size_t nalnum;
  std::vector<size_t> lens;
};

TEST(CountoffTest, AnalysesLabels) {
  const std::vector<count_row> rows = {
      {"host.example.com.", 3, 17, 14, {5, 8, 4}},
      {"host.example.com", 3, 16, 14, {5, 8, 3}},
      {"", 0, 0, 0, {}},
      {".", 1, 1, 0, {1}},
      {"..", 2, 2, 0, {1, 1}},
      {"a..b", 3, 4, 2, {2, 1, 1}},
      {"a\\.b.c", 2, 6, 3, {5, 1}},
      {"a\\\\.b", 2, 5, 2, {4, 1}},
      {"a\\.", 1, 3, 1, {3}},
      {"ab\\", 1, 3, 2, {3}},
      {"\\..", 1, 3, 0, {3}},
      {"caf\xe9.", 1, 5, 3, {5}},
      {"\xc3\xa9t\xc3\xa9.fr", 2, 8, 3, {6, 2}},
      {"A-Z_09.", 1, 7, 4, {7}},
  };
  for (const count_row& row : rows) {
    counted c = countoff(row.name);
    EXPECT_EQ(c.nlabel, row.nlabel) << "'" << row.name << "'";
    EXPECT_EQ(c.nchar, row.nchar) << "'" << row.name << "'";
    EXPECT_EQ(c.nalnum, row.nalnum) << "'" << row.name << "'";
    EXPECT_EQ(c.lens, row.lens) << "'" << row.name << "'";
    EXPECT_EQ(c.lens.capacity(), c.lens.size()) << "'" << row.name << "'";
  }
}

extern "C" void* run_function(void* arg) {
  (*static_cast<std::function<void()>*>(arg))();
  return nullptr;
}

// Runs work on a thread whose stack holds far fewer frames than there are
// labels, so any per-label recursion crashes instead of passing by luck.
void run_on_small_stack(std::function<void()> work) {
  pthread_attr_t attr;
  ASSERT_EQ(pthread_attr_init(&attr), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attr, 1 << 20), 0);
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, run_function, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

TEST(CountoffTest, HugeLabelCountNeedsNoDeepStack) {
  std::string name;
  for (int i = 0; i < 300000; ++i) name += "a.";
  counted c;
  std::string reversed;
  run_on_small_stack([&] {
    c = countoff(name.c_str());
    reversed = reverse_name(name.c_str());
  });
  EXPECT_EQ(c.nlabel, 300000);
  EXPECT_EQ(c.nchar, 600000u);
  EXPECT_EQ(c.nalnum, 300000u);
  EXPECT_EQ(c.lens, std::vector<size_t>(300000, 2));
  EXPECT_EQ(reversed.size(), 600000u);
  EXPECT_EQ(reversed.substr(0, 4), ".a.a");
}

struct transform_row {
  const char* name;
  bool reverse;
  bool chomp;
  const char* expected;
};

TEST(TransformRrnameTest, ReverseAndChomp) {
  const std::vector<transform_row> rows = {
      {"host.example.com.", false, false, "host.example.com."},
      {"host.example.com.", false, true, "host.example.com"},
      {"host.example.com", false, true, "host.example.com"},
      {".", false, true, ""},
      {"a..", false, true, "a."},
      {"a\\.", false, true, "a\\."},
      {"", false, true, ""},
      {"host.example.com.", true, false, ".com.example.host"},
      {"host.example.com", true, false, ".com.example.host"},
      {"host.example.com.", true, true, "com.example.host"},
      {".", true, false, "."},
      {".", true, true, ""},
      {"", true, false, ""},
      {"", true, true, ""},
      {"a..b", true, false, ".b..a"},
      {"a\\.b.c.", true, false, ".c.a\\.b"},
  };
  for (const transform_row& row : rows) {
    EXPECT_EQ(transform_rrname(row.name, row.reverse, row.chomp), row.expected)
        << "'" << row.name << "' reverse " << row.reverse << " chomp " << row.chomp;
  }
}

TEST(CountoffReportTest, PrintsTheDiagnosticLine) {
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"host.example.com.",
       "\"host.example.com.\" -> {nlabel 3, nchar 17, nalnum 14, lens [5, 8, 4]} (main)\n"},
      {"", "\"\" -> {nlabel 0, nchar 0, nalnum 0, lens []} (main)\n"},
      {".", "\".\" -> {nlabel 1, nchar 1, nalnum 0, lens [1]} (main)\n"},
  };
  for (const auto& [name, expected] : rows) {
    EXPECT_EQ(countoff_report("main", name, countoff(name)), expected);
  }
}

}  // namespace
}  // namespace trawl
