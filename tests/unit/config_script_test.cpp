#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "backends/config.h"

namespace trawl {
namespace {

// Runs a command with the real shell and returns what it printed.
std::string run_shell(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(ShellSingleQuote, AnyTextSurvivesTheShellUnchanged) {
  const char* texts[] = {
      "plain", "", "it's", "'", "''", "a';touch /tmp/x;'b", "$HOME `id` \\ \"q\"", "new\nline"};
  for (const char* text : texts)
    EXPECT_EQ(run_shell("printf %s " + shell_single_quote(text)), text) << text;
}

TEST(ConfigScript, SourcesThePathAndEchoesEachSetting) {
  const std::string script = config_script("/x/it's");
  EXPECT_EQ(script.rfind("set -e; . '/x/it'\\''s';echo trawl system ${TRAWL_SYSTEM:-trove2};", 0),
            0u);
  EXPECT_NE(script.find(";echo circl server $CIRCL_SERVER;echo trawl retry $TRAWL_RETRY;"
                        "echo trawl cafile $TRAWL_CA_FILE;echo trawl capath $TRAWL_CA_PATH;"),
            std::string::npos);
  // trawl's own settings are echoed under their variables' names.
  EXPECT_NE(script.find(";echo trawl TRAWL_ASINFO_CACHE $TRAWL_ASINFO_CACHE;"), std::string::npos);
  EXPECT_NE(script.find(";echo trawl TRAWL_PASSIVE $TRAWL_PASSIVE;"), std::string::npos);
  EXPECT_TRUE(script.ends_with(";exit"));
}

TEST(ConfigScript, NameWithoutSlashIsTheFileInTheCurrentDirectory) {
  EXPECT_EQ(config_script("my.conf").rfind("set -e; . './my.conf';", 0), 0u);
  EXPECT_EQ(config_script("sub/my.conf").rfind("set -e; . 'sub/my.conf';", 0), 0u);
}

}  // namespace
}  // namespace trawl
