// Start-up on the simulated Windows: the run mode from the arguments and the
// program's own path, the silent flag, the uninstall confirmation and the
// hand-over to each run mode, with doubles that record their calls.
#include <gtest/gtest.h>

#include <optional>

#include "app/SetupApp.h"
#include "platform/sim/Machine.h"

namespace {

struct Recorded {
    int closeCalls = 0;
    bool closeInstallMode = false;
    std::string closeTitle;
    int installCalls = 0;
    int relaunchCalls = 0;
    std::optional<std::string> finishPath;
    std::int32_t silentAtFinish = -1;
};

app::Handovers RecordingHandovers(Recorded& r, app::SetupState& state, bool closeResult = true,
                                  int installResult = 0) {
    app::Handovers h;
    h.closeRunningInstances = [&r, closeResult](bool installMode, const std::vector<std::string>&,
                                                const std::string& title) {
        ++r.closeCalls;
        r.closeInstallMode = installMode;
        r.closeTitle = title;
        return closeResult;
    };
    h.runInstallDriver = [&r, installResult] {
        ++r.installCalls;
        return installResult;
    };
    h.relaunchFromTemp = [&r] {
        ++r.relaunchCalls;
        return -1;
    };
    h.finishRemoval = [&r, &state](const std::string& path) {
        r.finishPath = path;
        r.silentAtFinish = state.silent;
    };
    return h;
}

enum class Mode { Install, UninstallFirstStage, FinishRemoval, Declined };

struct StartCase {
    const char* name;
    const char* program;
    std::vector<std::string> arguments;
    int answer;  // the answer to the confirmation, if one is asked
    Mode mode;
    bool confirmationAsked;
    std::int32_t silent;
};

const int kEnter = 0;  // no scripted answer: the user presses Enter on the default button

const StartCase kStartCases[] = {
    {"setup_in_file_name", "C:\\Downloads\\Lumetra6Setup.exe", {}, kEnter, Mode::Install, false, 0},
    {"setup_upper_case", "C:\\Temp\\SETUP.EXE", {}, kEnter, Mode::Install, false, 0},
    {"setup_in_folder_name", "C:\\setup.exe.files\\OrvUnInst.exe", {}, kEnter, Mode::Install, false, 0},
    {"uninstaller_enter_is_no", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe", {}, kEnter, Mode::Declined, true, 0},
    {"uninstaller_answered_no", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe", {}, platform::answer::No,
     Mode::Declined, true, 0},
    {"uninstaller_answered_yes", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe", {}, platform::answer::Yes,
     Mode::UninstallFirstStage, true, 0},
    {"install_flag_any_case", "C:\\L6\\OrvUnInst.exe", {"-INSTALL"}, kEnter, Mode::Install, false, 0},
    {"install_flag_only_first", "C:\\L6\\OrvUnInst.exe", {"x", "-install"}, platform::answer::Yes,
     Mode::UninstallFirstStage, true, 0},
    {"delself_is_case_sensitive", "C:\\L6\\OrvUnInst.exe", {"-DELSELF", "C:\\L6\\OrvUnInst.exe"},
     platform::answer::Yes, Mode::UninstallFirstStage, true, 0},
    {"delself_needs_a_path", "C:\\L6\\OrvUnInst.exe", {"-delself"}, platform::answer::Yes,
     Mode::UninstallFirstStage, true, 0},
    {"delself_finishes_removal", "C:\\Temp\\uni1A.tmp", {"-delself", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe"},
     kEnter, Mode::FinishRemoval, false, 0},
    {"delself_silent_before_handover", "C:\\Temp\\uni1A.tmp",
     {"-delself", "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe", "-s"}, kEnter, Mode::FinishRemoval, false, 1},
    {"silent_uninstall_asks_nothing", "C:\\L6\\OrvUnInst.exe", {"-S"}, kEnter, Mode::UninstallFirstStage, false, 1},
    {"slash_s_is_not_silent", "C:\\Temp\\setup.exe", {"/s"}, kEnter, Mode::Install, false, 0},
    {"silent_from_any_position", "C:\\Temp\\setup.exe", {"-instdir", "D:\\Apps", "-s"}, kEnter, Mode::Install,
     false, 1},
};

class StartUp : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartUp, ChoosesRunModeAndHandsOver) {
    const StartCase& c = GetParam();
    sim::Machine machine;
    machine.env.SetProgram(c.program, c.arguments);
    if (c.answer != kEnter) machine.ui.Answer(c.answer);
    app::SetupState state;
    Recorded r;
    app::CSetupApp application(machine.System(), state, RecordingHandovers(r, state));

    const bool result = application.InitInstance();

    EXPECT_EQ(state.silent, c.silent);
    ASSERT_EQ(machine.ui.Shown().size(), c.confirmationAsked ? 1u : 0u) << machine.Dump();
    if (c.confirmationAsked) {
        const auto& box = machine.ui.Shown().front();
        EXPECT_EQ(box.text, "This will completely uninstall Lumetra 6.\nDo you want to continue?");
        EXPECT_EQ(box.title, "Lumetra Setup");
        EXPECT_EQ(box.flags, 0x134u);
    }
    switch (c.mode) {
        case Mode::Install:
            EXPECT_EQ(r.closeCalls, 1);
            EXPECT_TRUE(r.closeInstallMode);
            EXPECT_EQ(r.closeTitle, "Lumetra Setup");
            EXPECT_EQ(r.installCalls, 1);
            EXPECT_EQ(r.relaunchCalls, 0);
            EXPECT_FALSE(result);  // the driver's 0 (installed) becomes the hook's result
            break;
        case Mode::UninstallFirstStage:
            EXPECT_EQ(r.closeCalls, 1);
            EXPECT_FALSE(r.closeInstallMode);
            EXPECT_EQ(r.relaunchCalls, 1);
            EXPECT_EQ(r.installCalls, 0);
            EXPECT_FALSE(result);  // the copy failed to start: end without a message
            break;
        case Mode::FinishRemoval:
            ASSERT_TRUE(r.finishPath.has_value());
            EXPECT_EQ(*r.finishPath, "C:\\Program Files\\Lumetra 6\\OrvUnInst.exe");
            EXPECT_EQ(r.silentAtFinish, c.silent);
            EXPECT_FALSE(machine.resources.UsingOwnModule());  // handed over before the resource set-up
            EXPECT_EQ(r.closeCalls, 0);
            break;
        case Mode::Declined:
            EXPECT_FALSE(result);
            EXPECT_EQ(r.closeCalls + r.installCalls + r.relaunchCalls, 0);
            break;
    }
    if (c.mode != Mode::FinishRemoval) {
        EXPECT_FALSE(r.finishPath.has_value());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StartUp, ::testing::ValuesIn(kStartCases),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(StartUp, DeclinedRunningCopiesEndsWithTrueAndNoHandOver) {
    sim::Machine machine;
    machine.env.SetProgram("C:\\Temp\\setup.exe");
    app::SetupState state;
    Recorded r;
    app::CSetupApp application(machine.System(), state, RecordingHandovers(r, state, /*closeResult=*/false));

    EXPECT_TRUE(application.InitInstance());
    EXPECT_EQ(r.closeCalls, 1);
    EXPECT_EQ(r.installCalls, 0);
}

TEST(StartUp, InstallDriverResultBecomesTheHookResult) {
    for (int driverResult : {0, 1}) {
        sim::Machine machine;
        machine.env.SetProgram("C:\\Temp\\setup.exe");
        app::SetupState state;
        Recorded r;
        app::CSetupApp application(machine.System(), state, RecordingHandovers(r, state, true, driverResult));
        EXPECT_EQ(application.InitInstance(), driverResult != 0) << driverResult;
    }
}

TEST(StartUp, DeclinedConfirmationTouchesNothing) {
    sim::Machine machine;
    machine.env.SetProgram("C:\\Program Files\\Lumetra 6\\OrvUnInst.exe");
    const std::string before = machine.registry.Dump() + machine.files.Dump();
    app::SetupState state;
    app::CSetupApp application(machine.System(), state, app::BindHandovers(machine.System(), state));

    EXPECT_FALSE(application.InitInstance());
    EXPECT_EQ(machine.registry.Dump() + machine.files.Dump(), before);
}

TEST(StartUp, ApplicationTitleComesFromTheStringTable) {
    sim::Machine machine;
    app::SetupState state;
    Recorded r;
    app::CSetupApp application(machine.System(), state, RecordingHandovers(r, state));
    EXPECT_EQ(application.Title(), "Lumetra Setup");
    EXPECT_TRUE(application.OnCommand(framework::ID_HELP));
    EXPECT_FALSE(application.OnCommand(1));
}

TEST(StartUp, FrameworkMessageBoxAddsTheWarningIconToANotice) {
    sim::Machine machine;
    app::SetupState state;
    Recorded r;
    app::CSetupApp application(machine.System(), state, RecordingHandovers(r, state));
    application.MessageBox("done");
    application.MessageBox("error", platform::mb::IconError);
    ASSERT_EQ(machine.ui.Shown().size(), 2u);
    EXPECT_EQ(machine.ui.Shown()[0].flags, platform::mb::IconExclamation);
    EXPECT_EQ(machine.ui.Shown()[0].title, "Lumetra Setup");
    EXPECT_EQ(machine.ui.Shown()[1].flags, platform::mb::IconError);
}

TEST(StartUp, IsWow64ProcessIsLookedUpAtLoad) {
    sim::Machine machine;
    app::SetupState state;
    app::ResolveIsWow64Process(state, machine.env);
    EXPECT_NE(state.isWow64Process, 0u);
    machine.env.SetIsWow64Export(false);
    app::ResolveIsWow64Process(state, machine.env);
    EXPECT_EQ(state.isWow64Process, 0u);
}

}  // namespace
