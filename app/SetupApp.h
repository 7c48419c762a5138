#pragma once
// The application object: its start-up hook decides the run mode from the
// command line and the program's own file name, asks the uninstall
// confirmation and hands the run over.

#include <span>
#include <string>
#include <vector>

#include "app/Handovers.h"
#include "app/SetupState.h"
#include "platform/Framework.h"

namespace app {

// The argument tests of start-up, as plain decisions on the argument list
// (argument 0 is the program's path).
[[nodiscard]] bool HasSilentFlag(const std::vector<std::string>& arguments);
[[nodiscard]] bool IsFinishRemoval(const std::vector<std::string>& arguments);
// Install mode: "-install" as argument 1, or "setup.exe" anywhere in the
// lower-cased program path.
[[nodiscard]] bool IsInstallMode(platform::CodePage& codePage, const std::vector<std::string>& arguments,
                                 const std::string& programPath);

// String numbers that start-up uses.
inline constexpr std::uint32_t kIdsMessageTitle = 2;
inline constexpr std::uint32_t kIdsUninstallConfirm = 6;

class CSetupApp : public framework::Application {
public:
    CSetupApp(platform::System& system, SetupState& state, Handovers handovers);
    ~CSetupApp() override;
    [[nodiscard]] std::span<const framework::MessageMapEntry> GetMessageMap() const override;
    [[nodiscard]] bool InitInstance() override;

private:
    [[nodiscard]] bool ConfirmUninstall(const std::string& title);

    SetupState& state_;
    Handovers handovers_;
};

// Everything the process does: builds the process-wide objects in their
// order, runs the application and returns the exit code.
[[nodiscard]] int RunSetupProcess(platform::System& system);

}  // namespace app
