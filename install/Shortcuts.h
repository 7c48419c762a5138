#pragma once
// The program group folder and the product's shortcuts, each recorded in
// the installed log.

#include <optional>
#include <string>

#include "app/SetupState.h"
#include "platform/System.h"

namespace install {

// Finds the Start-menu folders for all users or the current user, makes the
// program group (logged with "Made Dir: ") and up to six shortcuts: four in
// the group, one on the desktop, one in the start-up folder. May clear
// state.allUsers (no usable all-users programs folder) and normalises
// state.groupName in place.
void CreateProgramShortcuts(platform::System& system, app::SetupState& state);

// Saves a shell link to the target (surrounding double quotes dropped) at
// linkPath, with the working folder if one is given, and logs it with
// "Shell Link: " once saved. Returns the save's status (negative: failure).
platform::HResult CreateShortcut(platform::System& system, app::SetupState& state, const std::string& target,
                    const std::string& linkPath, const std::optional<std::string>& workingFolder);

}  // namespace install
