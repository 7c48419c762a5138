#include "app/Handovers.h"

#include "install/InstallDriver.h"

namespace app {

// The run modes' own operations arrive one by one; until an operation is
// there, its entry does the least that keeps its contract: nothing is
// installed, nothing removed, and the run ends without claiming success.
Handovers BindHandovers([[maybe_unused]] platform::System& system, [[maybe_unused]] SetupState& state) {
    Handovers handovers;
    // No shared list of running copies is joined yet, so there is none to close.
    handovers.closeRunningInstances = [](bool, const std::vector<std::string>&, const std::string&) {
        return true;
    };
    // The wizard is not there yet: a run that needs it ends as cancelled.
    handovers.runInstallDriver = [&system, &state] {
        return install::RunInstallDriver(system, state, [] { return false; });
    };
    // Reports that the temporary copy could not be started; nothing is removed.
    handovers.relaunchFromTemp = [] { return -1; };
    // Ends the process without removing anything.
    handovers.finishRemoval = [&system](const std::string&) { system.env.ExitProcess(0); };
    return handovers;
}

}  // namespace app
