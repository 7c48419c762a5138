// NormalizePath on single- and double-byte code pages.
#include <gtest/gtest.h>

#include "app/SetupState.h"
#include "platform/sim/SimCodePage.h"

namespace {

struct NormalizeCase {
    const char* name;
    int codePage;
    std::string input;
    std::string expected;
};

// 0x83 0x5C is one Shift-JIS character whose second byte is a backslash;
// 0x81 0x40 is the double-byte blank.
const NormalizeCase kNormalizeCases[] = {
    {"slashes_and_blanks", 1252, " /Orvane/Lumetra 6/ ", "Orvane\\Lumetra 6"},
    {"only_trim_characters", 1252, " \t\r\n/\\ /\\", ""},
    {"inner_blank_stays", 1252, "Lumetra 6", "Lumetra 6"},
    {"inner_double_backslash_stays", 1252, "\\Orvane\\\\Lumetra 6\\", "Orvane\\\\Lumetra 6"},
    {"empty", 1252, "", ""},
    {"dbcs_trail_backslash_at_end_kept", 932, "Orvane\\\x83\x5C", "Orvane\\\x83\x5C"},
    {"dbcs_trail_backslash_then_separator", 932, "\\\x83\x5C\\", "\x83\x5C"},
    {"dbcs_trail_slash_not_replaced", 932, "/\x83/", "\x83/"},
    {"dbcs_blank_not_stripped", 932, "\x81\x40 ", "\x81\x40"},
    {"single_byte_page_strips_that_byte", 1252, "Orvane\\\x83\x5C", "Orvane\\\x83"},
};

class Normalize : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(Normalize, TrimsEndsAndTurnsSlashes) {
    const NormalizeCase& c = GetParam();
    sim::SimCodePage codePage;
    codePage.Use(c.codePage);
    std::string path = c.input;
    app::NormalizePath(codePage, path);
    EXPECT_EQ(path, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Normalize, ::testing::ValuesIn(kNormalizeCases),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
