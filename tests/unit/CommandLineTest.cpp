// Splitting a command line by the C run-time's rules.
#include <gtest/gtest.h>

#include "platform/Environment.h"

namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> expected;
};

const SplitCase kSplitCases[] = {
    {"program_only", "C:\\setup.exe", {"C:\\setup.exe"}},
    {"blanks_and_tabs_separate", "a.exe  x\t\ty ", {"a.exe", "x", "y"}},
    {"quoted_program_with_blank", "\"C:\\Program Files\\L 6\\OrvUnInst.exe\" -s",
     {"C:\\Program Files\\L 6\\OrvUnInst.exe", "-s"}},
    {"quotes_group_inside_an_argument", "a.exe -instdir \"D:\\My Apps\"x", {"a.exe", "-instdir", "D:\\My Appsx"}},
    {"backslashes_without_quote_stay", "a.exe C:\\a\\\\b\\", {"a.exe", "C:\\a\\\\b\\"}},
    {"even_backslashes_before_quote", "a.exe \"C:\\dir\\\\\" next", {"a.exe", "C:\\dir\\", "next"}},
    {"odd_backslashes_before_quote", "a.exe a\\\"b", {"a.exe", "a\"b"}},
    {"empty_quoted_argument", "a.exe \"\" b", {"a.exe", "", "b"}},
    {"program_keeps_backslash_before_quote", "\"C:\\x\\\\\"rest", {"C:\\x\\\\rest"}},
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, FollowsTheRunTimeRules) {
    EXPECT_EQ(platform::SplitCommandLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Split, ::testing::ValuesIn(kSplitCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
