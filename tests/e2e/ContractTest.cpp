// The contract tests on the real binding: contract_tests.exe under Wine, in
// a 32-bit Windows and under WOW64 in a 64-bit one.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/e2e/WineHarness.h"

namespace e2e {
namespace {

class ContractTest : public testing::TestWithParam<Arch> {};

TEST_P(ContractTest, AllContractsHold) {
    ASSERT_TRUE(std::filesystem::exists(ContractTestsExe())) << "build the win32 preset first";
    WinePrefix prefix(GetParam(), Screen::Xvfb);
    RunResult run = prefix.Run(ContractTestsExe(), {}, 600);
    ASSERT_FALSE(run.timedOut) << run.output;
    // The runner's closing line, e.g. "win32: 57 passed, 0 failed".
    static const std::regex kClosing(R"((^|\n)\w+: [1-9][0-9]* passed, 0 failed\r?\n?$)");
    EXPECT_TRUE(std::regex_search(run.output, kClosing)) << run.output;
    EXPECT_EQ(run.exitCode, 0) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Wine, ContractTest, testing::Values(Arch::Win32, Arch::Win64),
                         [](const testing::TestParamInfo<Arch>& param) { return ArchName(param.param); });

}  // namespace
}  // namespace e2e
