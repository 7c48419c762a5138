// Start-up of the real setup.exe under Wine, copied as the uninstaller: the
// confirmation it asks before anything else, and that No leaves the machine
// as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/e2e/WineHarness.h"

namespace e2e {
namespace {

const char* const kUninstaller = "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe";
const char* const kConfirmation = "This will completely uninstall Lumetra 6.\nDo you want to continue?";

struct StartCase {
    const char* name;
    Arch arch;
    std::vector<std::string> args;
};

// Without arguments on both kinds of Windows; and two command lines that
// look like the second stage but are not: "-delself" with no path after it,
// and "-DELSELF" (the comparison is case-sensitive).
const StartCase kStarts[] = {
    {"NoArgumentsWin32", Arch::Win32, {}},
    {"NoArgumentsWin64", Arch::Win64, {}},
    {"DelselfWithoutPath", Arch::Win32, {"-delself"}},
    {"DelselfInCapitals", Arch::Win32, {"-DELSELF", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe"}},
};

void PrintTo(const StartCase& start, std::ostream* out) { *out << start.name; }

class StartupTest : public testing::TestWithParam<StartCase> {};

TEST_P(StartupTest, UninstallerAsksFirstAndNoChangesNothing) {
    ASSERT_TRUE(std::filesystem::exists(SetupExe())) << "build the win32 preset first";
    WinePrefix prefix(GetParam().arch, Screen::Xvfb);
    ASSERT_TRUE(prefix.CopyIn(SetupExe(), kUninstaller));
    PrefixSnapshot before = prefix.Snapshot();

    GuiRun run = prefix.RunWithDriver(kUninstaller, GetParam().args, {"wait", "answer:no"}, 60);

    ASSERT_EQ(run.driver.exitCode, 0) << run.driver.output << run.program.output;
    auto windows = ParseDriverOutput(run.driver.output);
    ASSERT_EQ(windows.size(), 1u) << run.driver.output;
    const DriverWindow& box = windows[0];
    EXPECT_EQ(box.title, "Lumetra Setup");
    ASSERT_NE(box.Find(0xFFFF), nullptr) << run.driver.output;
    EXPECT_EQ(box.Find(0xFFFF)->text, kConfirmation);
    EXPECT_EQ(box.icon, "exclamation");
    EXPECT_EQ(box.defaultButton, 7);  // No
    std::set<int> buttons;
    for (const auto& control : box.controls) {
        if (control.className == "Button") buttons.insert(control.id);
    }
    EXPECT_EQ(buttons, (std::set<int>{6, 7})) << run.driver.output;

    EXPECT_FALSE(run.program.timedOut) << run.program.output;
    EXPECT_EQ(Difference(before, prefix.Snapshot()), "");
}

INSTANTIATE_TEST_SUITE_P(Wine, StartupTest, testing::ValuesIn(kStarts),
                         [](const testing::TestParamInfo<StartCase>& param) { return param.param.name; });

}  // namespace
}  // namespace e2e
