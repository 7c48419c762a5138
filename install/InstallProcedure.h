#pragma once
// One complete installation into state.installDir from the product files in
// state.sourceDir: an earlier installation's shortcuts and the files the new
// manifest calls obsolete go, the files come, then the install log, the
// shortcuts, the registry entries and the optional configuration files.

#include <string>

#include "app/SetupState.h"
#include "platform/System.h"

namespace install {

// Asks nothing, shows nothing of its own and never stops early.
void InstallProduct(platform::System& system, app::SetupState& state);

// Creates or opens the key and sets the value (the default value for an
// empty name) as REG_SZ; true when the value was set.
bool WriteRegString(platform::System& system, platform::RegKey root, const std::string& subKey,
                    const std::string& valueName, const std::string& data);

}  // namespace install
