#include "platform/CommandLine.h"

#include <gtest/gtest.h>

namespace fd {
namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> words;
};

class CommandLineSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, FollowsWindowsRules) {
  EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineSplit,
    testing::Values(SplitCase{"", {}}, SplitCase{"   \t ", {}},
                    SplitCase{"taskkill /f /im fdEnvioMails.exe",
                              {"taskkill", "/f", "/im", "fdEnvioMails.exe"}},
                    SplitCase{"  a \t b  ", {"a", "b"}},
                    SplitCase{
                        "\"C:\\Program Files\\osql.exe\" -S (local) -i \"C:\\Tmp\\A b.sql\"",
                        {"C:\\Program Files\\osql.exe", "-S", "(local)", "-i", "C:\\Tmp\\A b.sql"}},
                    SplitCase{"C:\\Fendal\\ D:\\x\\\\", {"C:\\Fendal\\", "D:\\x\\\\"}},
                    SplitCase{"a\"b c\"d e", {"ab cd", "e"}}, SplitCase{"a \"\" b", {"a", "", "b"}},
                    SplitCase{"\"unterminated quote", {"unterminated quote"}},
                    SplitCase{"\"C:\\dir\\\" next", {"C:\\dir\\", "next"}}));

TEST(CommandLine, JoinQuotesWordsWithSpacesAndEmptyWords) {
  EXPECT_EQ(joinCommandLine({"osql.exe", "-i", "C:\\A b.sql", ""}),
            "osql.exe -i \"C:\\A b.sql\" \"\"");
}

// A word quoted for the query tool reads back whole under our rules and Windows' alike.
TEST(CommandLine, AWordSplitsBackToItself) {
  for (const std::string word :
       {"Comercial-2019", "Comercial 2019", "Compañía", "A b\\", "", "\\"}) {
    EXPECT_EQ(splitCommandLine(commandLineWord(word)), std::vector<std::string>{word}) << word;
    EXPECT_EQ(commandLineWord(word).find("\\\""), std::string::npos) << word;
  }
  EXPECT_EQ(commandLineWord("Comercial-2019"), "Comercial-2019");
  EXPECT_EQ(commandLineWord("Comercial 2019"), "\"Comercial 2019\"");
}

TEST(CommandLine, JoinedWordsSplitBackToThemselves) {
  const std::vector<std::string> words{"", "C:\\Program Files\\x.exe", "a\tb", "plain\\"};
  EXPECT_EQ(splitCommandLine(joinCommandLine(words)), words);
}

}  // namespace
}  // namespace fd
