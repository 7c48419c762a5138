// The GUI driver against message boxes whose look is known, so that what it
// reports about the setup's own boxes can be trusted.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "tests/e2e/WineHarness.h"

namespace e2e {
namespace {

struct BoxCase {
    const char* name;
    const char* flags;  // MessageBoxA flags
    const char* icon;
    int defaultButton;
    std::set<int> buttons;
    const char* answer;
    int answerId;
};

const BoxCase kBoxes[] = {
    {"YesNoExclamationSecondDefault", "0x134", "exclamation", 7, {6, 7}, "no", 7},
    {"YesNoQuestion", "0x24", "question", 6, {6, 7}, "yes", 6},
    {"OkHand", "0x10", "hand", 1, {1}, "ok", 1},
    {"OkCancelAsteriskSecondDefault", "0x141", "asterisk", 2, {1, 2}, "ok", 1},
    {"YesNoCancelThirdDefaultNoIcon", "0x203", "none", 2, {2, 6, 7}, "cancel", 2},
};

std::set<int> Buttons(const DriverWindow& window) {
    std::set<int> ids;
    for (const auto& control : window.controls) {
        if (control.className == "Button") ids.insert(control.id);
    }
    return ids;
}

TEST(GuiDriverTest, ReadsAndAnswersMessageBoxes) {
    ASSERT_TRUE(std::filesystem::exists(MessageBoxProbeExe())) << "build the win32 preset first";
    WinePrefix prefix(Arch::Win32, Screen::Xvfb);
    for (const auto& box : kBoxes) {
        SCOPED_TRACE(box.name);
        GuiRun run = prefix.RunWithDriver(MessageBoxProbeExe(), {box.flags, "First line\nsecond \"line\"", "Probe"},
                                          {"wait:Probe", std::string("answer:") + box.answer}, 60);
        ASSERT_EQ(run.driver.exitCode, 0) << run.driver.output;
        auto windows = ParseDriverOutput(run.driver.output);
        ASSERT_EQ(windows.size(), 1u) << run.driver.output;
        const DriverWindow& window = windows[0];
        EXPECT_EQ(window.title, "Probe");
        EXPECT_EQ(window.process, "MessageBoxProbe.exe");
        EXPECT_EQ(window.icon, box.icon);
        EXPECT_EQ(window.defaultButton, box.defaultButton);
        EXPECT_EQ(Buttons(window), box.buttons);
        ASSERT_NE(window.Find(0xFFFF), nullptr);
        EXPECT_EQ(window.Find(0xFFFF)->text, "First line\nsecond \"line\"");
        EXPECT_FALSE(run.program.timedOut);
        EXPECT_EQ(run.program.exitCode, box.answerId);
    }
}

// A dialog that never comes must end the run within its time limit, with the
// driver's reason and the program stopped, instead of hanging the suite.
TEST(GuiDriverTest, GivesUpOnADialogThatNeverComes) {
    ASSERT_TRUE(std::filesystem::exists(MessageBoxProbeExe())) << "build the win32 preset first";
    WinePrefix prefix(Arch::Win32, Screen::Xvfb);
    GuiRun run = prefix.RunWithDriver(MessageBoxProbeExe(), {"0x0", "text", "Probe"}, {"wait:Another title"}, 3);
    EXPECT_EQ(run.driver.exitCode, 1);
    EXPECT_NE(run.driver.output.find("error: wait:Another title: no dialog appeared"), std::string::npos)
        << run.driver.output;
    EXPECT_TRUE(run.program.timedOut);
}

}  // namespace
}  // namespace e2e
