#pragma once
// The whole of an installing run after start-up: folders and options from
// the registry and the command line, the version check and its questions,
// the damaged-setup stop, the installation (silently or through the wizard),
// then the maker's web page and the product start.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/SetupState.h"
#include "platform/System.h"

namespace install {

// The four parts of a version as one number: major x 1000000 + minor x 10000
// + third x 100 + fourth, in unsigned 32-bit arithmetic (wrapping).
[[nodiscard]] std::uint32_t VersionNumber(const app::ProductVersion& version);

// Applies the command-line options after the program name to the state;
// returns the "-instdir" folder (empty when none is valid).
std::string ApplyCommandLineOptions(platform::System& system, const std::vector<std::string>& arguments,
                                    app::SetupState& state);

// The query text of the first "URL=http://" line of an Internet shortcut:
// from its first "?" to the end of the line as read, line break included.
[[nodiscard]] std::string ReadHomePageQuery(platform::System& system, const std::string& path);

// The web page to open after an installation: the install script with the
// query after a fresh installation that has one, else the "installed" page.
[[nodiscard]] std::string WebPageAfterInstall(bool upgrade, const std::string& query);

// The wizard's entry point: runs the modal frame, true when it ended with OK.
using RunWizard = std::function<bool()>;

// 0 when an installation ran, 1 when the user declined a question or
// cancelled the wizard. A damaged setup ends the process with exit code 1.
[[nodiscard]] int RunInstallDriver(platform::System& system, app::SetupState& state, const RunWizard& runWizard);

// Shows message 18, opens the maker's home page and ends the process with
// exit code 1.
[[noreturn]] void ReportDamagedSetup(platform::System& system);

}  // namespace install
