#pragma once
// The four operations to which start-up hands each run mode over. They are
// bound in one place (BindHandovers) so that start-up can be run with
// doubles that record their calls.

#include <functional>
#include <string>
#include <vector>

#include "app/SetupState.h"
#include "platform/System.h"

namespace app {

struct Handovers {
    // Counts and closes the other running copies of the product; asks first
    // in install mode. True to go on; false to stop, the user already told why.
    std::function<bool(bool installMode, const std::vector<std::string>& arguments, const std::string& title)>
        closeRunningInstances;
    // The whole installing run: 0 when an installation ran, 1 when it ended
    // without installing.
    std::function<int()> runInstallDriver;
    // Starts the temporary copy of the uninstaller and ends the process;
    // returns (with -1) only when the copy cannot be started.
    std::function<int()> relaunchFromTemp;
    // Removes the installation of the first-stage uninstaller at that path
    // and ends the process with exit code 0; it never returns.
    std::function<void(const std::string& firstStagePath)> finishRemoval;
};

// The real operations of each run mode, working on this system and state.
[[nodiscard]] Handovers BindHandovers(platform::System& system, SetupState& state);

}  // namespace app
