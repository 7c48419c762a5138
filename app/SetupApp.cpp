#include "app/SetupApp.h"

#include "platform/Text.h"

namespace app {

namespace {

// Buffers of the texts that start-up loads.
constexpr std::size_t kTitleBufferSize = 128;
constexpr std::size_t kMessageBufferSize = 256;
constexpr std::size_t kPathBufferSize = 260;

// The uninstall confirmation: Yes and No, the exclamation icon, No the
// default button (MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, 0x134).
constexpr std::uint32_t kConfirmFlags = platform::mb::YesNo | platform::mb::IconExclamation | platform::mb::DefButton2;

const framework::MessageMapEntry kMessageMap[] = {
    {framework::ID_HELP, &framework::Application::OnHelp},
};

}  // namespace

bool HasSilentFlag(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (platform::text::EqualsNoCase(arguments[i], "-s")) return true;
    }
    return false;
}

bool IsFinishRemoval(const std::vector<std::string>& arguments) {
    return arguments.size() >= 3 && arguments[1] == "-delself";
}

bool IsInstallMode(platform::CodePage& codePage, const std::vector<std::string>& arguments,
                   const std::string& programPath) {
    if (arguments.size() >= 2 && platform::text::EqualsNoCase(arguments[1], "-install")) return true;
    return platform::text::FindText(codePage, platform::text::ToLower(codePage, programPath), "setup.exe") !=
           platform::text::npos;
}

CSetupApp::CSetupApp(platform::System& system, SetupState& state, Handovers handovers)
    : framework::Application(system), state_(state), handovers_(std::move(handovers)) {}

CSetupApp::~CSetupApp() = default;

std::span<const framework::MessageMapEntry> CSetupApp::GetMessageMap() const { return kMessageMap; }

bool CSetupApp::InitInstance() {
    const std::vector<std::string> arguments = system_.env.Arguments();

    // 1. Silent flag.
    state_.silent = HasSilentFlag(arguments) ? 1 : 0;

    // 2. Finish removal, before any resource set-up or question.
    if (IsFinishRemoval(arguments)) {
        handovers_.finishRemoval(arguments[2]);
        return false;  // not reached: the removal ends the process
    }

    // 3. Resources come from this executable.
    system_.resources.UseOwnModule();
    const std::string title = system_.resources.LoadString(kIdsMessageTitle, kTitleBufferSize);

    // 4. Run mode.
    const bool installMode = IsInstallMode(system_.codePage, arguments, system_.env.ModuleFileName(kPathBufferSize));

    // 5. Uninstall confirmation.
    if (!installMode && !state_.silent && !ConfirmUninstall(title)) return false;

    // 6. Running copies of the product.
    if (!handovers_.closeRunningInstances(installMode, arguments, title)) return true;

    // 7. Dispatch.
    if (installMode) return handovers_.runInstallDriver() != 0;
    handovers_.relaunchFromTemp();
    return false;
}

bool CSetupApp::ConfirmUninstall(const std::string& title) {
    const std::string text = system_.resources.LoadString(kIdsUninstallConfirm, kMessageBufferSize);
    return system_.ui.MessageBox(text, title, kConfirmFlags) == platform::answer::Yes;
}

int RunSetupProcess(platform::System& system) {
    SetupState state;
    ResolveIsWow64Process(state, system.env);
    CSetupApp application(system, state, BindHandovers(system, state));
    return framework::RunApplication(application);
}

}  // namespace app
