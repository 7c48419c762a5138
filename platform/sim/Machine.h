#pragma once
// A whole simulated Windows machine: registry, file system, the running
// process's environment, code page, resources and message boxes, all in
// memory, with fault injection. Tests build one in a few lines and hand its
// System() to the logic.

#include <string>

#include "platform/System.h"
#include "platform/sim/Faults.h"
#include "platform/sim/SimCodePage.h"
#include "platform/sim/SimEnvironment.h"
#include "platform/sim/SimFileSystem.h"
#include "platform/sim/SimModules.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimResources.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimUi.h"

namespace sim {

class Machine {
public:
    Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    [[nodiscard]] platform::System& System() { return system_; }

    // Carries out the restart-time operations in the order registered.
    void Reboot() { files.Reboot(); }

    // Everything the machine holds, for a failing test's message.
    [[nodiscard]] std::string Dump() const;

    Faults faults;
    SimRegistry registry{faults};
    SimFileSystem files{faults};
    SimEnvironment env{faults};
    SimCodePage codePage;
    SimResources resources;
    SimUi ui{faults};
    SimShell shell{faults, files};
    SimModules modules{faults, files, env, codePage};

private:
    platform::System system_{registry, files, env, codePage, resources, ui, shell, modules};
};

}  // namespace sim
